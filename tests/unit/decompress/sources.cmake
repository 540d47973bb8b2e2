list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/decompress/code_tables_test.cpp
  tests/unit/decompress/decoder_test.cpp
  tests/unit/decompress/channels_test.cpp
)
list(APPEND BRISVANE_HOST_ONLY_TESTS
  tests/unit/decompress/channels_host_test.cpp
)
