list(APPEND BRISVANE_CORE_SOURCES
  decompress/channels.cpp
  decompress/code_tables.cpp
  decompress/decoder.cpp
  decompress/expand_codes.cpp
)
