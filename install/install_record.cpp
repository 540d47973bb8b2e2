#include "install/install_record.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/install_record.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"
#include "common/run_log.h"
#include "common/status.h"
#include "install/main_files.h"
#include "install/pending_files.h"
#include "install/registry_records.h"

#include <cstring>

namespace {

// The kind, a plug-in copy's stamp and a path.
constexpr int ENTRY_BUFFER_SIZE = 1 + RECORD_STAMP_DIGITS + PATH_BUFFER_SIZE;

bool add_string(const char* string) {
    return string_list_add(&ctx.record_block, &ctx.record, string) == STATUS_OK;
}

// Raises the use count of `path` by one, journaled first with the count it had ("<path>|" and
// 8 upper-case hexadecimal digits, 0 for none) in `journal` (a string list), so that the recovery of a killed run sets it back.
void raise_use_count(HKEY key, const char* path, HGLOBAL* journal_block, char** journal) {
    DWORD count = 0, size = sizeof count, type = 0;
    if (RegQueryValueExA(key, path, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        count = 0;
    char entry[ENTRY_BUFFER_SIZE + 16];
    wsprintfA(entry, "%s%c%08lX", path, COMMIT_STEP_SEPARATOR, (unsigned long)count);
    if (string_list_add(journal_block, journal, entry) == STATUS_OK) journal_list(JOURNAL_COUNTS, *journal);
    ++count;
    RegSetValueExA(key, path, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    log_line("Use count raised: ", path);
}

// Whether `entry` of the earlier record is a plug-in copy this run wrote again: the new entry,
// with the stamp of the copy now there, takes its place (the old stamp names a file that is
// gone, and would grow the record by one entry per browser on every repair).
bool plugin_copy_rewritten(const char* entry) {
    if (entry[0] != RECORD_PLUGIN_COPY) return false;
    for (const char* p = ctx.record; *p; p += std::strlen(p) + 1)
        if (p[0] == RECORD_PLUGIN_COPY && same_name(p + 1 + RECORD_STAMP_DIGITS, entry + 1 + RECORD_STAMP_DIGITS))
            return true;
    return false;
}

}  // namespace

void record_entry(char kind, const char* path) {
    char entry[ENTRY_BUFFER_SIZE];
    if (!ctx.record_block && !add_string(INSTALL_RECORD_TAG)) return;
    entry[0] = kind;
    entry[1] = 0;
    if (kind == RECORD_PLUGIN_COPY) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(path, &found);
        if (find == INVALID_HANDLE_VALUE) return;
        FindClose(find);
        format_record_stamp(entry + 1, found);
    }
    if (append_text(entry, ENTRY_BUFFER_SIZE, path)) add_string(entry);
}

void record_placed_file(const char* path, bool shared) {
    char kind = RECORD_FILE;
    if (shared) kind = RECORD_SHARED_FILE;
    else if (same_name(last_component(path), PLUGIN_MODULE_NAME)) kind = RECORD_PLUGIN_COPY;
    record_entry(kind, path);
}

void write_install_record(HKEY uninstall_key) {
    record_entry(RECORD_TARGET_FOLDER, ctx.target_directory);
    if (ctx.browser_flags & BROWSER_NETSCAPE) record_entry(RECORD_PLUGIN_FOLDER, ctx.netscape_directory);
    if (ctx.browser_flags & BROWSER_EXPLORER) record_entry(RECORD_PLUGIN_FOLDER, ctx.explorer_directory);
    if (!ctx.record_block) return;

    // The earlier record, when there is a sound one.
    HGLOBAL old_block = nullptr;
    const char* old_record = nullptr;
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(uninstall_key, INSTALL_RECORD_VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        char* data = static_cast<char*>(alloc_block(size + 2, &old_block));
        DWORD entries;
        // Only a record the uninstaller would take is merged; any other is replaced, and the
        // files it listed are no longer recorded.
        if (data && RegQueryValueExA(uninstall_key, INSTALL_RECORD_VALUE, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
            type == REG_MULTI_SZ && install_record_form(data, size, entries))
            old_record = data;
    }

    // Counted once per installation: a shared file the earlier record lists (and whose count
    // no uninstaller has lowered since) was counted then.
    HKEY counts = nullptr;
    HGLOBAL journal_block = nullptr;
    char* journal = nullptr;
    for (const char* p = ctx.record; *p; p += std::strlen(p) + 1) {
        if (p[0] != RECORD_SHARED_FILE || string_listed(old_record, p)) continue;
        if (!counts) counts = create_registry_key(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY);
        if (counts) raise_use_count(counts, p + 1, &journal_block, &journal);
    }
    free_block(&journal_block);
    if (counts) RegCloseKey(counts);
    if (old_record)
        for (const char* p = old_record + std::strlen(old_record) + 1; p[0] != RECORD_END; p += std::strlen(p) + 1)
            if (!plugin_copy_rewritten(p)) add_string(p);
    if (old_block) free_block(&old_block);

    unsigned entries = 0;
    for (const char* p = ctx.record; *p; p += std::strlen(p) + 1) ++entries;
    char end[16];
    wsprintfA(end, "E%u", entries - 1);   // the tag is not an entry
    if (!add_string(end)) return;   // a record without its end would be refused: keep the old one
    RegSetValueExA(uninstall_key, INSTALL_RECORD_VALUE, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(ctx.record),
                   string_list_size(ctx.record));
}
