list(APPEND BRISVANE_CORE_SOURCES
  ui/messages.cpp
  ui/logo_bitmap.cpp
  ui/directory_check.cpp
  ui/browser_check.cpp
)
list(APPEND BRISVANE_WINDOWS_SOURCES
  ui/page_runner.cpp
  ui/page_look.cpp
  ui/welcome_page.cpp
  ui/end_page.cpp
  ui/halt_dialog.cpp
  ui/progress_page.cpp
  ui/logo_panel.cpp
  ui/directory_page.cpp
  ui/directory_chooser.cpp
  ui/browsers_page.cpp
  ui/main_window.cpp
)
# The program's entry point, kept out of the library so the tests can link it.
set(BRISVANE_ENTRY_SOURCES ui/winmain.cpp)
