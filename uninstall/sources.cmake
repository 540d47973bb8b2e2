# The uninstaller's rules, built in every build (tested on the host and under Wine). The
# program itself (uninstall/program.cmake) is built in the Windows builds.
list(APPEND BRISVANE_CORE_SOURCES
  uninstall/record_reader.cpp
  uninstall/removal.cpp
  uninstall/uninstall_command.cpp
)
