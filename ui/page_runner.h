// Running wizard pages, and keeping the interface alive during long work.
#pragma once

#include "platform/win32.h"

// Handles at most 20 pending messages without waiting (dialog messages go to `dialog`);
// a quit message sets page_result to 2. Returns page_result: nonzero means stop.
int poll_ui_messages(HWND dialog);

#ifdef _WIN32
// Shows dialog `template_id` as a page (a child of logo_panel, run by `proc` with `param`)
// and runs its message loop until the page writes page_result. Destroys the page and returns
// page_result: 1 Next, 2 Quit, 98 Back or any other nonzero code the page wrote. A page that
// cannot be created, and a quit message, count as Quit (2).
int run_page(int template_id, DLGPROC proc, LPARAM param);
#endif
