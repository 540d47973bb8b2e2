list(APPEND BRISVANE_CORE_SOURCES
  install/extension_checksum.cpp
)
