#include "install/main_files.h"

#include "common/install_context.h"
#include "common/status.h"
#include "install/install_sequence.h"
#include "install/install_text.h"
#include "install/version_rule.h"
#include "package/extract_entry.h"
#include "package/load_package.h"
#include "package/setup_header.h"
#include "ui/progress_page.h"

namespace {

bool is_regular_entry(const uint8_t* entry) {
    return !(entry_flags(entry) & (ENTRY_NOT_INSTALLED | ENTRY_SHARED | ENTRY_SHARED_ALT));
}

bool is_plugin_entry(const uint8_t* entry) { return same_name(entry_name(entry), PLUGIN_MODULE_NAME); }

// Writes `name` from `entry` into `directory` unless the copy there is newer. Returns the
// extraction status (0 also when nothing had to be written); `written` tells which.
int write_unless_newer(const char* name, uint8_t* entry, const char* directory, bool& written) {
    written = false;
    int version = check_file_version(directory, name, entry);
    if (version == VERSION_NO_MEMORY) return MSG_NO_MEMORY;
    if (version == VERSION_INSTALLED_NEWER) return STATUS_OK;
    SetDlgItemTextA(ctx.progress_page, PROGRESS_FILE_NAME_ID, name);
    int status = extract_entry(name, entry, directory);
    written = status == STATUS_OK;
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
        bool written = false;
        int status = write_unless_newer(PLUGIN_MODULE_NAME, entry, *b.directory, written);
        if (status != STATUS_OK) return status;
        if (written) {
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
        bool written = false;
        status = write_unless_newer(name, entry, ctx.target_directory, written);
        if (written) entry_set_flag(entry, ENTRY_PLACED);
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

void delete_joined(char* path, const char* directory, const char* name) {
    if (join_path(path, directory, name)) DeleteFileA(path);
}

}  // namespace

int install_main_files() {
    ctx.plugin_copies_written = 0;
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
    // The path is built on the stack: a clean-up that needed memory could be skipped just
    // when memory ran out, and leave this run's files behind.
    char path[PATH_BUFFER_SIZE];
    uint8_t* entry = ctx.file_table;
    for (unsigned i = 0; i < setup_header().file_count; ++i, entry = next_file_entry(entry)) {
        if (!(entry_flags(entry) & ENTRY_PLACED)) continue;
        if (!is_plugin_entry(entry)) {
            delete_joined(path, ctx.target_directory, entry_name(entry));
            continue;
        }
        // Only the copies this run wrote: a browser that kept its newer module keeps it.
        if (ctx.plugin_copies_written & BROWSER_NETSCAPE)
            delete_joined(path, ctx.netscape_directory, PLUGIN_MODULE_NAME);
        if (ctx.plugin_copies_written & BROWSER_EXPLORER)
            delete_joined(path, ctx.explorer_directory, PLUGIN_MODULE_NAME);
    }
}
