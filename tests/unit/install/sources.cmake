list(APPEND BRISVANE_TEST_SUPPORT_SOURCES
  tests/unit/install/install_fixture.cpp
)
list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/install/extension_checksum_test.cpp
  tests/unit/install/version_rule_test.cpp
  tests/unit/install/temporary_names_test.cpp
  tests/unit/install/pending_files_test.cpp
  tests/unit/install/registry_records_test.cpp
  tests/unit/install/extension_files_test.cpp
  tests/unit/install/shared_files_service_test.cpp
  tests/unit/install/interface_faults_test.cpp
)
list(APPEND BRISVANE_HOST_ONLY_TESTS
  tests/unit/install/killed_run.cpp
  tests/unit/install/shared_files_test.cpp
  tests/unit/install/main_files_test.cpp
  tests/unit/install/install_sequence_test.cpp
  tests/unit/install/upgrade_rollback_test.cpp
  tests/unit/install/fault_sweep_test.cpp
  tests/unit/install/hostile_package_test.cpp
  tests/unit/install/install_record_test.cpp
)
# The shell's shortcut objects and the real progress page: Windows test build only.
list(APPEND BRISVANE_WINDOWS_UNIT_TESTS
  tests/unit/install/shortcuts_test.cpp
  tests/unit/install/run_install_test.cpp
)
