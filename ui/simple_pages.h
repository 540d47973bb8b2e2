// The simple pages: Welcome (401), the two end pages (406 success, 407 failure) and the
// halt confirmation dialog (408).
#pragma once

#include "platform/win32.h"

// Writes the welcome text with the package's product version (major, minor with at least
// two digits, build) into control 100 of the Welcome page.
void show_welcome_text(HWND page);

// Welcome page: Next (1) and Quit (2) end it with their ids.
INT_PTR CALLBACK welcome_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// Both end pages: "Return to Windows" (2), or Enter (1), ends them.
INT_PTR CALLBACK end_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// Modal "halt the installation?" question: ends with 6 Yes, 7 No (also Enter), 2 Escape or
// close, 1 never from its own buttons.
INT_PTR CALLBACK halt_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
