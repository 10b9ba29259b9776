# Shared settings of every Stravol target: warnings, include root, strictness.
function(stravol_target_settings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(STRAVOL_STRICT)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# stravol_add_library(NAME DIR dir [DEPS targets...])
# One library per module: every *.cpp directly in DIR (not in sub-folders). A module
# without sources yet becomes an interface target so that dependents still link.
function(stravol_add_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;SYSTEM_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(sources)
    add_library(stravol_${name} STATIC ${sources})
    target_include_directories(stravol_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(stravol_${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
    stravol_target_settings(stravol_${name})
    if(STRAVOL_PYTHON_FOUND)
      # The Python module, a shared library, takes in the libraries: position-independent
      # code whose calls within a library are still bound when it is compiled.
      set_target_properties(stravol_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
      target_compile_options(stravol_${name} PRIVATE -fno-semantic-interposition)
    endif()
  else()
    add_library(stravol_${name} INTERFACE)
    target_include_directories(stravol_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(stravol_${name} INTERFACE ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  endif()
  add_library(stravol::${name} ALIAS stravol_${name})
endfunction()

# stravol_add_tests(DIR dir LIBS targets... [PREFIX text] [XVFB])
# One GoogleTest executable per *_test.cpp file of DIR, cases discovered by CTest.
function(stravol_add_tests)
  cmake_parse_arguments(ARG "XVFB" "DIR;PREFIX" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${ARG_DIR}/*_test.cpp)
  foreach(src ${tests})
    get_filename_component(base ${src} NAME_WE)
    set(exe ${ARG_PREFIX}${base})
    add_executable(${exe} ${src})
    target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    target_compile_definitions(${exe} PRIVATE
      STRAVOL_TOOLS_DIR="${PROJECT_BINARY_DIR}/tools" STRAVOL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    stravol_target_settings(${exe})
    # Listing the cases runs the executable at build time: give a loaded machine room.
    if(ARG_XVFB)
      # Window tests run without leak detection: LeakSanitizer stops every thread at exit
      # to scan memory, and that stop can crash on the GL driver's threads. The headless
      # tests keep it.
      gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 300
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS gui
        ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=string_append::detect_leaks=0")
    else()
      gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 300)
    endif()
  endforeach()
endfunction()
