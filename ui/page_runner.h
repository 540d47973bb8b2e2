// Running wizard pages, and keeping the interface alive during long work.
#pragma once

#include "platform/win32.h"

// Handles at most 20 pending messages without waiting (dialog messages go to `dialog`);
// a quit message sets page_result to 2. Returns page_result: nonzero means stop.
int poll_ui_messages(HWND dialog);
