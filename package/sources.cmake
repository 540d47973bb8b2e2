list(APPEND BRISVANE_CORE_SOURCES
  package/package_format.cpp
  package/setup_header.cpp
  package/extract_entry.cpp
)
