# The Install context, and the helpers both programs (the installer and the uninstaller) share.
list(APPEND BRISVANE_CORE_SOURCES
  common/memory_blocks.cpp
  common/paths.cpp
  common/path_text.cpp
  common/file_version.cpp
  common/install_context.cpp
  common/pe_version.cpp
  common/command_line.cpp
  common/run_log.cpp
  common/target_folder.cpp
  common/install_record.cpp
  common/install_journal.cpp
)
# The lock shared with the uninstaller: Windows builds only (the host has no file sharing).
list(APPEND BRISVANE_WINDOWS_SOURCES
  common/instance_lock.cpp
)
