list(APPEND BRISVANE_UNIT_TESTS
  tests/unit/ui/report_status_test.cpp
  tests/unit/ui/logo_bitmap_test.cpp
  tests/unit/ui/directory_check_test.cpp
  tests/unit/ui/browser_check_test.cpp
)
# The pages need windows, dialogs and drawing: these tests run in the Windows test build only.
list(APPEND BRISVANE_WINDOWS_UNIT_TESTS
  tests/unit/ui/window_test_support.cpp
  tests/unit/ui/page_look_test.cpp
  tests/unit/ui/page_runner_test.cpp
  tests/unit/ui/progress_bar_test.cpp
  tests/unit/ui/halt_dialog_test.cpp
  tests/unit/ui/logo_panel_test.cpp
)
