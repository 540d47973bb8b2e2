list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/package/checksum_test.cpp
  tests/unit/package/extract_entry_test.cpp
  tests/unit/package/load_package_test.cpp
  tests/unit/package/signature_test.cpp
  tests/unit/package/table_checks_test.cpp
)
list(APPEND BRISVANE_HOST_ONLY_TESTS
  tests/unit/package/extract_entry_host_test.cpp
  tests/unit/package/load_package_host_test.cpp
)
