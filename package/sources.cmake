list(APPEND BRISVANE_CORE_SOURCES
  package/checksum.cpp
  package/extract_entry.cpp
  package/load_package.cpp
  package/package_format.cpp
  package/setup_header.cpp
  package/signature.cpp
  package/table_checks.cpp
)
