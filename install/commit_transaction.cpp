#include "install/commit_transaction.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"
#include "common/run_log.h"
#include "common/status.h"
#include "install/install_record.h"
#include "install/pending_files.h"
#include "install/temporary_names.h"
#include "ui/messages.h"

#include <cstring>

namespace {

constexpr DWORD NOT_FOUND = INVALID_FILE_ATTRIBUTES;

// A backup name for `final_path` that no file has yet, into `backup`; false when none.
bool make_backup_name(const char* final_path, char* backup) {
    for (int attempt = 0; attempt < BACKUP_NAME_ATTEMPTS; ++attempt) {
        backup[0] = 0;
        append_text(backup, PATH_BUFFER_SIZE, final_path);
        if (to_backup_name(backup, attempt) != NAME_SWAPPED) continue;
        if (GetFileAttributesA(backup) == NOT_FOUND) return true;
    }
    return false;
}

// Lists the step before it is taken: a run stopped at any point can then undo it. Undoing a
// step that never happened changes nothing (see roll_back_commit).
int note_step(const char* final_path, const char* backup) {
    char entry[2 * PATH_BUFFER_SIZE + 2];
    wsprintfA(entry, "%s%c%s", final_path, COMMIT_STEP_SEPARATOR, backup);
    int status = string_list_add(&ctx.commit_undo_block, &ctx.commit_undo, entry);
    if (status == STATUS_OK) journal_list(JOURNAL_COMMIT, ctx.commit_undo);
    return status;
}

// One file: the earlier copy (a plain file) to its backup name, the new copy to the final name.
// Returns 0, 37 when the step cannot be listed, or 39 when the final name cannot be had; the
// earlier copy is then back under its name.
int commit_file(const char* temporary, const char* final_path) {
    char backup[PATH_BUFFER_SIZE];
    backup[0] = 0;
    DWORD attributes = GetFileAttributesA(final_path);
    // A folder or a write-protected file in the way is the user's: never moved aside.
    bool earlier = attributes != NOT_FOUND;
    if (earlier && ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ||
                    !make_backup_name(final_path, backup)))
        return MSG_FILE_IN_USE;
    if (note_step(final_path, backup) != STATUS_OK) return MSG_NO_MEMORY;
    if (earlier && !MoveFileExA(final_path, backup, 0)) return MSG_FILE_IN_USE;
    if (MoveFileExA(temporary, final_path, 0)) return STATUS_OK;
    if (earlier) MoveFileExA(backup, final_path, 0);
    return MSG_FILE_IN_USE;
}

// A file held open by another program in a silent run: its final name exists as a file.
bool replace_at_restart_possible(const char* final_path) {
    DWORD attributes = GetFileAttributesA(final_path);
    return ctx.silent && attributes != NOT_FOUND && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The temporary file `p`'s final name into `final_path`; false for a name that is not one.
bool final_name_of(const char* p, char* final_path) {
    final_path[0] = 0;
    // Only a name that really is a temporary one is moved: replacing "its final name"
    // otherwise would replace the very file this run wrote.
    return append_text(final_path, PATH_BUFFER_SIZE, p) && to_final_name(final_path) == NAME_SWAPPED;
}

// A silent run's files that were held open: each replaces its final name at the next restart.
// Returns 0, or 39 when one cannot be listed (then the run fails and everything is undone).
int replace_held_files_at_restart() {
    char final_path[PATH_BUFFER_SIZE];
    unsigned index = 0;
    for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1, ++index) {
        if (!final_name_of(p, final_path) || GetFileAttributesA(p) == NOT_FOUND) continue;
        if (!MoveFileExA(p, final_path, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
            ask_retry_cancel(nullptr, MSG_FILE_IN_USE, final_path);   // logged; the safe answer
            return STATUS_CANCELLED;
        }
        ctx.restart_needed = true;
        log_line("Replaced at the restart: ", final_path);
        record_placed_file(final_path, index < ctx.shared_files_pending);
    }
    return STATUS_OK;
}

}  // namespace

int commit_pending_files() {
    ctx.restart_needed = false;
    if (!ctx.pending_files_block) return STATUS_OK;
    char final_path[PATH_BUFFER_SIZE];
    bool held = false;
    unsigned index = 0;
    for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1, ++index) {
        if (!final_name_of(p, final_path)) continue;
        int status;
        while ((status = commit_file(p, final_path)) == MSG_FILE_IN_USE) {
            if (replace_at_restart_possible(final_path)) break;
            if (ask_retry_cancel(ctx.progress_page, MSG_FILE_IN_USE, final_path) != IDRETRY) {
                status = STATUS_CANCELLED;
                break;
            }
        }
        if (status == MSG_FILE_IN_USE) {
            held = true;   // left for the restart, once every other file is in place
            continue;
        }
        if (status != STATUS_OK) {
            roll_back_commit();
            return status;
        }
        // The log's "Written:" line named the temporary name; this one the final name.
        log_line("Placed: ", final_path);
        record_placed_file(final_path, index < ctx.shared_files_pending);
    }
    int status = held ? replace_held_files_at_restart() : STATUS_OK;
    if (status != STATUS_OK) roll_back_commit();
    return status;
}

void roll_back_commit() {
    undo_commit_steps(ctx.commit_undo);
    free_block(&ctx.commit_undo_block);
    ctx.commit_undo = nullptr;
}

void finish_commit() {
    delete_commit_backups(ctx.commit_undo);
    free_block(&ctx.commit_undo_block);
    ctx.commit_undo = nullptr;
}
