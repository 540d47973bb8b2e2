list(APPEND BRISVANE_CORE_SOURCES
  detect/browsers.cpp
  detect/memory_blocks.cpp
  detect/paths.cpp
)
