# Unit tests by subsystem, one list file per folder. BRISVANE_UNIT_TESTS run on the host and
# under Wine; BRISVANE_HOST_ONLY_TESTS use controls that only the host stand-in has.
list(APPEND BRISVANE_TEST_SUPPORT_SOURCES
  tests/support/test_env.cpp
  tests/support/make_pe.cpp
  tests/support/make_package.cpp
  tests/support/browser_registry.cpp
  tools/setup-pack/bit_writer.cpp
)
foreach(area platform common package decompress install detect ui uninstall)
  include(tests/unit/${area}/sources.cmake)
endforeach()
