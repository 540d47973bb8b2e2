# Code both programs link, the installer and the uninstaller (uninstall/program.cmake builds
# the uninstaller from this list, its own rules and its Windows part).
list(APPEND BRISVANE_SHARED_SOURCES
  common/paths.cpp
  common/path_text.cpp
  common/command_line.cpp
  common/run_log.cpp
  common/target_folder.cpp
  common/install_record.cpp
  common/install_journal.cpp
)
# The lock shared with the uninstaller: Windows builds only (the host has no file sharing).
list(APPEND BRISVANE_SHARED_WINDOWS_SOURCES
  common/instance_lock.cpp
)
# The Install context and the helpers only the installer calls.
list(APPEND BRISVANE_CORE_SOURCES
  common/install_context.cpp
  common/memory_blocks.cpp
  common/file_version.cpp
  common/pe_version.cpp
)
