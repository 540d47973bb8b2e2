// The Directory (402) and Web browser(s) (403) pages and the dialogs they open.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Directory page: the target directory, the space it needs and the space free; Browse opens
// the directory chooser; Next checks the entry (check_target_directory) and leaves it in
// target_directory with a trailing backslash; Back keeps it as typed.
INT_PTR CALLBACK directory_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// Shows `kb` in control `control_id` of `page` ("?" when unknown, else "<kb> Kb").
void show_size_kb(HWND page, int control_id, uint32_t kb);

// Opens the directory chooser (template 409 on the old-style file dialog, owned by the
// backdrop) on `directory` (260 bytes); OK copies the chosen directory into it, Cancel leaves
// it. `page` is not used. Returns true when a directory was chosen.
bool choose_directory(HWND page, char* directory);
// Hook of the chooser: keeps the edit field on the directory the lists have opened, and ends
// the dialog on OK with what the edit field holds.
UINT_PTR CALLBACK directory_chooser_hook(HWND chooser, UINT message, WPARAM wparam, LPARAM lparam);

// Web browser(s) page: a check box, the directory and Browse for each browser; Next checks
// every selected browser (check_browser).
INT_PTR CALLBACK browsers_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// The file dialog of Browse: lets the user point to the browser's executable, and on OK
// replaces `directory` (260 bytes) with the chosen file's directory.
void choose_browser_executable(HWND owner, char* directory, const char* exe_name);
// Shows `directory` in control `control_id`, shortened to about 40 characters.
void show_browser_directory(HWND page, int control_id, const char* directory);
