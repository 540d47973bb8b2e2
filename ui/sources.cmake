list(APPEND BRISVANE_CORE_SOURCES
  ui/messages.cpp
)
list(APPEND BRISVANE_WINDOWS_SOURCES
)
# The program's entry point, kept out of the library so the tests can link it.
set(BRISVANE_ENTRY_SOURCES ui/winmain.cpp)
