list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/install/extension_checksum_test.cpp
)
