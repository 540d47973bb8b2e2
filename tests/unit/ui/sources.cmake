# The pages need windows, dialogs and drawing: these tests run in the Windows test build only.
list(APPEND BRISVANE_WINDOWS_UNIT_TESTS
  tests/unit/ui/window_test_support.cpp
  tests/unit/ui/page_look_test.cpp
  tests/unit/ui/page_runner_test.cpp
  tests/unit/ui/progress_bar_test.cpp
  tests/unit/ui/halt_dialog_test.cpp
)
