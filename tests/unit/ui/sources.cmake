list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/ui/report_status_test.cpp
)
