// The message-box helpers. Texts are loaded from the program's own string table and, where
// a helper formats, filled with one string argument by wsprintfA.
//
// Buffers: the load limits are those each helper has always had (a longer catalogue text is
// cut there). The formatted text goes into a buffer of 1025 bytes, the most wsprintfA ever
// writes, so a 259-character path can never overrun it, whatever the template.
#include "ui/messages.h"

#include "common/install_context.h"
#include "common/run_log.h"
#include "common/status.h"

#include <cstring>

namespace {

constexpr int FORMATTED_SIZE = 1025;

// What went wrong, as the log tells an administrator beside the box's own words: a message
// id (one byte), its reason, a zero; then the next. Each is followed in the log by the path
// it concerns.
constexpr char PROBLEMS[] =
    "\x21" "Missing file\0"
    "\x22" "Cannot read\0"
    "\x23" "Cannot write\0"
    "\x24" "Write-protected\0"
    "\x26" "Target directory refused\0"
    "\x27" "In use\0"
    "\x28" "Disk full, writing\0"
    "\x29" "Cannot create\0"
    "\x2A" "Not enough disk space in\0"
    "\x2B" "Conflicting product in\0"
    "\x2C" "Damaged installer file\0"
    "\x2D" "Target name too long\0"
    "\x30" "Newer version in\0";

// Logs the reason for message `id`, when it has one, with `subject`: the path the box named,
// or else the program file for damage and the target directory for the directory's refusals.
// A /D= value refused as given was never taken as the target: the reason stands alone then
// (the log's command line names the value).
void log_problem(int id, const char* subject) {
    for (const char* p = PROBLEMS; *p; p += std::strlen(p) + 1) {
        if ((unsigned char)*p != id) continue;
        if (!subject) subject = id == MSG_INVALID_DATA ? ctx.program_path : ctx.target_directory;
        char line[PATH_BUFFER_SIZE + 64];
        wsprintfA(line, *subject ? "%s: %s" : "%s", p + 1, subject);
        log_line("Problem: ", line);
        return;
    }
}

// Every box goes through here: the text is logged and remembered for the exit code, and in a
// silent run nothing is shown and the question takes its safe answer (stop, undo, fail). The
// one Yes is the answer a person gives by pressing Enter that leads on: create the missing
// target directory (no failure, so neither logged nor remembered).
int show_box(HWND owner, int id, const char* text, const char* caption, UINT style, const char* subject = nullptr) {
    if (id != MSG_CREATE_DIRECTORY) {
        log_line("Message: ", text);
        log_problem(id, subject);
        ctx.last_message = id;
    }
    if (!ctx.silent) return MessageBoxA(owner, text, caption, style);
    UINT buttons = style & 0xF;
    if (buttons == MB_YESNO) return id == MSG_CREATE_DIRECTORY ? IDYES : IDNO;
    if (buttons == MB_ABORTRETRYIGNORE) return IDABORT;
    return buttons == MB_OK ? IDOK : IDCANCEL;
}

// Loads catalogue text `id` cut to `limit` characters; returns its length (0 when missing).
int load_text(int id, char* buffer, int limit) {
    return LoadStringA(ctx.instance, (UINT)id, buffer, limit + 1);
}

int show_formatted(HWND owner, int id, const char* string, const char* caption, UINT style,
                   int load_limit) {
    char template_text[256] = {};
    char text[FORMATTED_SIZE] = {};
    load_text(id, template_text, load_limit);
    wsprintfA(text, template_text, string ? string : "");
    return show_box(owner, id, text, caption, style, string);
}

}  // namespace

int message_box_formatted(HWND owner, int id, const char* string, UINT style) {
    return show_formatted(owner, id, string, ctx.caption, style, 254);
}

int message_box(HWND owner, int id, UINT style) {
    char text[256] = {};
    load_text(id, text, 255);
    return show_box(owner, id, text, ctx.caption, style);
}

int show_warning(HWND owner, int id) {
    char text[256] = {};
    load_text(id, text, 255);
    return show_box(owner, id, text, nullptr, BOX_WARNING_OK);
}

void report_status(HWND owner, int status) {
    if (status <= 0) return;
    char text[260] = {};
    // A status with no catalogue text (2 after a Cancel answer, the user's own choice) shows
    // no empty box: the failure page says enough. Damage and shortages arrive as 44 and 37.
    if (load_text(status, text, 259) == 0) return;
    if (status == MSG_FILE_MISSING || status == MSG_READ_ERROR || status == MSG_WRITE_ERROR ||
        status == MSG_FILE_IN_USE) {
        show_formatted(owner, status, ctx.error_file_name, nullptr, BOX_WARNING_OK, 259);
        return;
    }
    show_box(owner, status, text, nullptr, BOX_WARNING_OK);
}

int ask_retry_cancel(HWND owner, int id, const char* string) {
    return show_formatted(owner, id, string, nullptr, BOX_WARNING_RETRY_CANCEL, 259);
}

int ask_abort_retry_ignore(HWND owner, int id, const char* string) {
    return show_formatted(owner, id, string, nullptr, BOX_WARNING_ABORT_RETRY_IGNORE, 126);
}
