list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/package/checksum_test.cpp
  tests/unit/package/table_checks_test.cpp
)
