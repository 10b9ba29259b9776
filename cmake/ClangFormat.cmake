# `format` rewrites every C++ source of the repository in the committed style; `check-format`
# lists the files that differ from it and fails (scripts/check-format runs the same check).
find_program(CLANG_FORMAT NAMES clang-format clang-format-14)
if(CLANG_FORMAT)
  add_custom_target(format
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-format --fix
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting the C++ sources" VERBATIM)
  add_custom_target(check-format
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-format
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Checking the format of the C++ sources" VERBATIM)
endif()
