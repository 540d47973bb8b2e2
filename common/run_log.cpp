#include "common/run_log.h"

#include "platform/win32.h"

namespace {
HFILE log_file = HFILE_ERROR;
// wsprintfA never writes more than this, terminator included: a longer line is cut there.
constexpr int LINE_SIZE = 1025;
}  // namespace

bool open_run_log(const char* path, bool append) {
    log_file = append ? _lopen(path, OF_WRITE) : HFILE_ERROR;
    if (log_file == HFILE_ERROR) log_file = _lcreat(path, 0);
    else _llseek(log_file, 0, FILE_END);
    return log_file != HFILE_ERROR;
}

void log_line(const char* label, const char* text) {
    HFILE file = log_file;
    if (file == HFILE_ERROR) return;
    char line[LINE_SIZE];
    int length = wsprintfA(line, "%s%s\r\n", label, text ? text : "");
    _lwrite(file, line, (UINT)length);
}

void log_number(const char* label, int value) {
    char digits[16];
    wsprintfA(digits, "%d", value);
    log_line(label, digits);
}

void close_run_log() {
    HFILE file = log_file;
    log_file = HFILE_ERROR;
    if (file != HFILE_ERROR) _lclose(file);
}
