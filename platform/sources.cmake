list(APPEND BRISVANE_HOST_SOURCES
  platform/host/paths.cpp
  platform/host/files.cpp
  platform/host/memory.cpp
  platform/host/registry.cpp
  platform/host/strings.cpp
  platform/host/version.cpp
  platform/host/ui_stand_in.cpp
)
set(BRISVANE_WINDOWS_TEST_HOOK_SOURCES
  platform/windows/test_hooks.cpp
)
