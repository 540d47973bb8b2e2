list(APPEND BRISVANE_CORE_SOURCES
  detect/memory_blocks.cpp
)
