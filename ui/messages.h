// The six message-box helpers. Every text comes from the Message catalogue by id.
#pragma once

#include "platform/win32.h"

// Text formatted with one string, caption `caption`, the caller's style. Returns the button.
int message_box_formatted(HWND owner, int id, const char* string, UINT style);
// Text as loaded, caption `caption`, the caller's style. Returns the button.
int message_box(HWND owner, int id, UINT style);
// Text as loaded, the platform's default title, warning icon and OK.
int show_warning(HWND owner, int id);
// Shows a positive status once: 33, 34, 35 and 39 are formatted with error_file_name, others
// shown as loaded. Shows nothing for a status without a catalogue text (such as 2, a Cancel
// answer), for 0 and for negative statuses.
void report_status(HWND owner, int status);
// Formatted, no caption, warning icon, Retry and Cancel. Returns IDRETRY or IDCANCEL.
int ask_retry_cancel(HWND owner, int id, const char* string);
// Formatted, no caption, warning icon, Abort, Retry and Ignore.
int ask_abort_retry_ignore(HWND owner, int id, const char* string);
