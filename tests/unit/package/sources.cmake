list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/package/extract_entry_test.cpp
)
list(APPEND BRISVANE_HOST_ONLY_TESTS
  tests/unit/package/extract_entry_host_test.cpp
)
