#include "install/main_files.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"
#include "common/status.h"
#include "install/install_record.h"
#include "install/install_sequence.h"
#include "install/pending_files.h"
#include "install/version_rule.h"
#include "package/extract_entry.h"
#include "package/load_package.h"
#include "package/setup_header.h"
#include "ui/messages.h"
#include "ui/progress_page.h"

namespace {

bool is_regular_entry(const uint8_t* entry) {
    return !(entry_flags(entry) & (ENTRY_NOT_INSTALLED | ENTRY_SHARED | ENTRY_SHARED_ALT));
}

bool is_plugin_entry(const uint8_t* entry) { return same_name(entry_name(entry), PLUGIN_MODULE_NAME); }

// Writes `name` from `entry` into `directory` unless the copy there is newer. A file that is
// not there yet is written under its name and `created` is set: a failure later removes it.
// A copy that is there stays untouched until the commit: the new one is written under its
// temporary name (write_pending_file), so that a failure or Cancel leaves the user's copy as
// it was. A write-protected copy asks Abort/Retry/Ignore first; Ignore keeps it and writes
// nothing. Returns the status (0 also when nothing had to be written).
int write_unless_newer(const char* name, uint8_t* entry, const char* directory, bool& created) {
    created = false;
    char final_path[PATH_BUFFER_SIZE];
    bool joined = join_path(final_path, directory, name);
    // An extension file that failed its test is replaced whatever version it claims.
    if (!(joined && string_listed(ctx.invalid_extensions, final_path))) {
        int version = check_file_version(directory, name, entry);
        if (version == VERSION_NO_MEMORY) return MSG_NO_MEMORY;
        if (version == VERSION_INSTALLED_NEWER) return STATUS_OK;
    }
    SetDlgItemTextA(ctx.progress_page, PROGRESS_FILE_NAME_ID, name);

    DWORD attributes = joined ? GetFileAttributesA(final_path) : INVALID_FILE_ATTRIBUTES;
    while (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        int answer = ask_abort_retry_ignore(ctx.progress_page, MSG_WRITE_PROTECTED, final_path);
        if (answer == IDIGNORE) return STATUS_OK;
        if (answer == IDABORT) return STATUS_STOPPED;
        if (answer != IDRETRY) return STATUS_CANCELLED;
        attributes = GetFileAttributesA(final_path);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) return write_pending_file(name, entry, directory);

    // Journaled before it is made: a run killed while it writes the file still names it.
    if (joined) {
        if (string_list_add(&ctx.created_files_block, &ctx.created_files, final_path) != STATUS_OK)
            return MSG_NO_MEMORY;
        journal_list(JOURNAL_CREATED, ctx.created_files);
    }
    int status = extract_entry(name, entry, directory);
    created = status == STATUS_OK;
    // Recorded now, forgotten with the rest of the record when the run fails.
    if (created && joined) record_placed_file(final_path, false);
    return status;
}

int place_plugin_module(uint8_t* entry) {
    static const struct {
        unsigned browser;
        char* const* directory;
    } browsers[] = {
        {BROWSER_NETSCAPE, &ctx.netscape_directory},
        {BROWSER_EXPLORER, &ctx.explorer_directory},
    };
    for (const auto& b : browsers) {
        if (!(ctx.browser_flags & b.browser)) continue;
        bool created = false;
        int status = write_unless_newer(PLUGIN_MODULE_NAME, entry, *b.directory, created);
        if (status != STATUS_OK) return status;
        if (created) {
            ctx.plugin_copies_written |= b.browser;
            entry_set_flag(entry, ENTRY_PLACED);
        }
    }
    return STATUS_OK;
}

int place_regular_file(uint8_t* entry) {
    const char* name = entry_name(entry);
    int status = STATUS_OK;
    if (is_plugin_entry(entry)) {
        status = place_plugin_module(entry);
    } else {
        bool created = false;
        status = write_unless_newer(name, entry, ctx.target_directory, created);
        if (created) entry_set_flag(entry, ENTRY_PLACED);
    }
    if (status != STATUS_OK) return status;
    // The read-me the shortcuts point at: whether or not it had to be written.
    if (has_extension(name, ".txt")) {
        ctx.readme_file_name[0] = 0;
        append_text(ctx.readme_file_name, PATH_BUFFER_SIZE, name);
    }
    advance_progress();
    return STATUS_OK;
}

}  // namespace

int install_main_files() {
    ctx.plugin_copies_written = 0;
    free_block(&ctx.created_files_block);   // the files this run creates, from here on
    ctx.created_files = nullptr;
    uint8_t* entry = ctx.file_table;
    for (unsigned i = 0; i < setup_header().file_count; ++i, entry = next_file_entry(entry)) {
        if (stop_requested()) return STATUS_STOPPED;
        if (!is_regular_entry(entry)) continue;
        int status = place_regular_file(entry);
        if (status != STATUS_OK) return status;
    }
    return STATUS_OK;
}

void remove_placed_files() {
    // Every file this run created, the plug-in copies included: a browser that kept its newer
    // module keeps it, since the list names only what this run made.
    delete_listed_files(ctx.created_files);
}
