#include "install/install_sequence.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "common/status.h"
#include "install/commit_transaction.h"
#include "install/extension_files.h"
#include "install/main_files.h"
#include "install/pending_files.h"
#include "install/registry_records.h"
#include "install/restart_deletions.h"
#include "install/shared_files.h"
#include "install/shortcuts.h"
#include "package/load_package.h"
#include "package/setup_header.h"
#include "ui/messages.h"
#include "ui/page_runner.h"
#include "ui/progress_page.h"

#include <cstring>

namespace {

// Units of the progress total that no step ever counts: the bar never reaches 100 %.
constexpr uint32_t UNCOUNTED_UNITS = 4;

// "<browser directory>\Plugins\": where the browser looks for plug-in modules.
void make_plugin_directory(char* directory) {
    add_backslash(directory);
    append_text(directory, PATH_BUFFER_SIZE, "Plugins");
    add_backslash(directory);
}

void close_package_file() {
    if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
    ctx.package_file = HFILE_ERROR;
}

void destroy_progress_page() {
    if (ctx.progress_page) DestroyWindow(ctx.progress_page);
    ctx.progress_page = nullptr;
}

}  // namespace

void count_install_units() {
    uint32_t count = 0;
    uint8_t* entry = ctx.file_table;
    for (unsigned i = 0; i < setup_header().file_count; ++i, entry = next_file_entry(entry)) {
        entry_clear_flag(entry, ENTRY_PLACED);
        if (!(entry_flags(entry) & ENTRY_NOT_INSTALLED)) ++count;
    }
    ctx.progress_total = UNCOUNTED_UNITS + count;
}

void advance_progress() {
    ++ctx.progress_done;
    uint32_t percent = ctx.progress_total ? ctx.progress_done * 100u / ctx.progress_total : 0;
    set_progress_percent((int)percent);
}

bool stop_requested() {
    poll_ui_messages(ctx.progress_page);
    return ctx.page_result != PAGE_NONE;
}

int open_install_package() {
    if (ctx.browser_flags & BROWSER_NETSCAPE) make_plugin_directory(ctx.netscape_directory);
    if (ctx.browser_flags & BROWSER_EXPLORER) make_plugin_directory(ctx.explorer_directory);

    ctx.package_file = open_program_file();
    return ctx.package_file == HFILE_ERROR ? MSG_READ_ERROR : STATUS_OK;
}

namespace {

// The folders the Directory check made for the target, top first, are this run's too: listed
// and journaled like the subfolders it makes, so that a failure, or the recovery after a
// kill, removes them while they are empty.
void list_created_target_folders() {
    const char* path = ctx.created_directory;
    char folder[PATH_BUFFER_SIZE];
    if (ctx.created_top_length <= 0 || !path[0]) return;
    for (int i = ctx.created_top_length;; ++i) {
        if (path[i] && path[i] != '\\') continue;
        std::memcpy(folder, path, (size_t)i);
        folder[i] = 0;
        string_list_add(&ctx.created_folders_block, &ctx.created_folders, folder);
        if (!path[i]) break;
    }
    journal_list(JOURNAL_FOLDERS, ctx.created_folders);
}

}  // namespace

int run_install_steps(HWND progress_page) {
    ctx.progress_page = progress_page;
    int status = MSG_WINDOW_PROBLEM;
    // A silent run has no page: the same steps, with nothing to draw on.
    if (progress_page || ctx.silent) {
        // A run killed before this one left its journal: its files are put right first.
        recover_killed_run();
        list_created_target_folders();
        ctx.progress_done = 0;
        set_progress_percent(0);
        count_install_units();
        status = install_shared_files();
        if (status == STATUS_OK) {
            check_extension_files();   // a file it cannot test is kept; the run goes on
            status = install_main_files();
        }
    }
    // Closed on every path, also when the page could not be created.
    close_package_file();

    // The commit: all or nothing (install/commit_transaction.h).
    if (status == STATUS_OK) status = commit_pending_files();
    if (status == STATUS_OK) {
        destroy_progress_page();
        // The records phase: the records as they are now go into the journal first, so that a
        // run killed before Done is undone whole, its records and shortcuts as well.
        journal_records();
        create_shortcuts();
        // What an earlier uninstall left to be deleted at the restart is written again now:
        // before the records add the entries of the earlier installation.
        keep_recorded_paths_at_restart();
        write_registry_records();
        // From here a killed run is completed, not undone: only the backups are left.
        journal_mark_done();
        // The earlier publisher's records go only now: a run that fails, is stopped or is
        // killed leaves them for the next one, which still finds the earlier folders through
        // them.
        delete_old_registry_keys();
        // The user's damaged extension files go only once nothing can undo the run.
        remove_invalid_extension_files();
        finish_commit();
        journal_close();
        return 0;
    }
    remove_placed_files();
    discard_pending_files();
    remove_created_folders();
    journal_close();
    destroy_progress_page();
    // Statuses without a catalogue text (2, a Cancel answer) show nothing: the failure
    // page follows and the user chose to stop.
    report_status(ctx.backdrop_window, status);
    return -1;
}
