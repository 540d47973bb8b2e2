# The uninstaller's rules, built in every build (tested on the host and under Wine). The
# program itself (uninstall/program.cmake) is built in the Windows builds.
set(BRISVANE_UNINSTALLER_RULE_SOURCES
  uninstall/record_reader.cpp
  uninstall/removal.cpp
  uninstall/uninstall_command.cpp
)
list(APPEND BRISVANE_CORE_SOURCES ${BRISVANE_UNINSTALLER_RULE_SOURCES})
