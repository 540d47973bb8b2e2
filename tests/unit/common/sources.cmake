list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/common/command_line_test.cpp
  tests/unit/common/silent_run_test.cpp
  tests/unit/common/paths_test.cpp
  tests/unit/common/path_text_test.cpp
  tests/unit/common/file_version_test.cpp
)
