list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/detect/browsers_test.cpp
)
