list(APPEND BRISVANE_TEST_SUPPORT_SOURCES
  tests/unit/uninstall/uninstall_fixture.cpp
  tests/unit/uninstall/lifecycle_fixture.cpp
)
list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/uninstall/record_reader_test.cpp
  tests/unit/uninstall/removal_test.cpp
  tests/unit/uninstall/uninstall_command_test.cpp
)
# Files held open and the list of deletions at the next restart: the host stand-in's controls.
list(APPEND BRISVANE_HOST_ONLY_TESTS
  tests/unit/uninstall/removal_host_test.cpp
  tests/unit/uninstall/use_counts_test.cpp
  tests/unit/uninstall/target_forms_test.cpp
)
