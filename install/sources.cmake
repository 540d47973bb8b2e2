list(APPEND BRISVANE_CORE_SOURCES
  install/extension_checksum.cpp
  install/version_rule.cpp
  install/temporary_names.cpp
  install/pending_files.cpp
  install/commit_transaction.cpp
  install/restart_deletions.cpp
  install/shared_files.cpp
  install/main_files.cpp
  install/extension_files.cpp
  install/install_record.cpp
  install/registry_records.cpp
  install/install_sequence.cpp
)
list(APPEND BRISVANE_WINDOWS_SOURCES
  install/shortcuts_windows.cpp
  install/run_install_windows.cpp
)
