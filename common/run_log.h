// The run's log (/LOG=): plain text, one line per event, each line ended with CR LF. Without
// an open log every call is a no-op, so the steps log unconditionally.
#pragma once

// Creates (or empties) the log file at `path`. False when it cannot be created.
bool open_run_log(const char* path);
// Writes `label`, then `text` (may be null) and the line end.
void log_line(const char* label, const char* text);
// Writes `label` and the number `value`.
void log_number(const char* label, int value);
void close_run_log();
