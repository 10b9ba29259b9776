# What the Python module needs: an interpreter with NumPy (the first python3 on PATH that has
# it, else the system's), its development headers, and pybind11. STRAVOL_PYTHON_FOUND says
# whether all are there; Python3_EXECUTABLE chooses another interpreter.
set(STRAVOL_PYTHON_FOUND OFF)
if(NOT Python3_EXECUTABLE)
  find_program(STRAVOL_PYTHON3_PATH NAMES python3 NO_CACHE)
  foreach(interpreteur ${STRAVOL_PYTHON3_PATH} /usr/bin/python3)
    execute_process(COMMAND ${interpreteur} -c "import numpy"
      RESULT_VARIABLE sans_numpy OUTPUT_QUIET ERROR_QUIET)
    if(sans_numpy EQUAL 0)
      set(Python3_EXECUTABLE ${interpreteur} CACHE FILEPATH
        "Python interpreter of the Python module and its tests")
      break()
    endif()
  endforeach()
endif()
find_package(Python3 COMPONENTS Interpreter Development.Module NumPy QUIET)
if(Python3_FOUND AND Python3_NumPy_FOUND)
  find_package(pybind11 CONFIG QUIET)
  if(pybind11_FOUND)
    set(STRAVOL_PYTHON_FOUND ON)
  endif()
endif()
if(STRAVOL_PYTHON_FOUND)
  message(STATUS "Python module: built for ${Python3_EXECUTABLE} (pybind11 ${pybind11_VERSION})")
else()
  message(STATUS "Python module: not built (needs pybind11-dev, python3-dev and python3-numpy)")
endif()
