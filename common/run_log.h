// The run's log (/LOG=): plain text, one line per event, each line ended with CR LF. Without
// an open log every call is a no-op, so the steps log unconditionally.
#pragma once

// Creates (or empties) the log file at `path`; with `append`, adds to the end of one that is
// there (a run that stops because another holds the lock keeps that run's log, which may be
// the same file). False when it cannot be opened or created.
bool open_run_log(const char* path, bool append = false);
// Writes `label`, then `text` (may be null) and the line end.
void log_line(const char* label, const char* text);
// Writes `label` and the number `value`.
void log_number(const char* label, int value);
void close_run_log();
