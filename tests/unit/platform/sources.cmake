list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/platform/files_test.cpp
  tests/unit/platform/version_resources_test.cpp
)
list(APPEND BRISVANE_HOST_ONLY_TESTS
)
