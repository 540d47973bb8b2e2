// Host versions of the window calls the install steps make. They record what the steps
// asked for and let a test raise the stop request at a chosen poll.
#include "platform/host/host_state.h"

#include "common/install_context.h"
#include "common/status.h"
#include "install/shortcuts.h"
#include "ui/page_runner.h"
#include "ui/progress_page.h"

namespace {
long stop_at = 0;
long polls = 0;
int last_percent = -1;
int progress_calls = 0;
std::string file_name_text;
int destroyed_windows = 0;
int shortcut_runs = 0;
}  // namespace

namespace host {
void reset_ui() {
    stop_at = 0;
    polls = 0;
    last_percent = -1;
    progress_calls = 0;
    file_name_text.clear();
    destroyed_windows = 0;
    shortcut_runs = 0;
}
}  // namespace host

void host_stop_at_poll(long n) { stop_at = n; }
long host_poll_count() { return polls; }
int host_last_progress_percent() { return last_percent; }
const std::string& host_last_file_name_text() { return file_name_text; }
int host_progress_calls() { return progress_calls; }
int host_destroyed_windows() { return destroyed_windows; }
int host_shortcut_runs() { return shortcut_runs; }

int poll_ui_messages(HWND) {
    ++polls;
    if (stop_at != 0 && --stop_at == 0) ctx.page_result = PAGE_QUIT;
    return ctx.page_result;
}

void set_progress_percent(int percent) {
    ctx.progress_percent = percent;
    last_percent = percent;
    ++progress_calls;
}

BOOL SetDlgItemTextA(HWND, int id, LPCSTR text) {
    if (id == PROGRESS_FILE_NAME_ID) file_name_text = text ? text : "";
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (!window) return FALSE;
    ++destroyed_windows;
    return TRUE;
}

// Shortcuts are made through the shell's COM objects, which only Windows has.
void create_shortcuts() { ++shortcut_runs; }
