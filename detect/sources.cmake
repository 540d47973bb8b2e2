list(APPEND BRISVANE_CORE_SOURCES
  detect/browsers.cpp
)
