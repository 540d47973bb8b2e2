list(APPEND BRISVANE_CORE_SOURCES
  package/checksum.cpp
  package/extract_entry.cpp
  package/load_package.cpp
  package/package_format.cpp
  package/setup_header.cpp
  package/signature.cpp
)
# The File table's name checks, which the uninstaller applies to the paths it recorded.
list(APPEND BRISVANE_SHARED_SOURCES
  package/table_checks.cpp
)
