#include "common/install_journal.h"

#include "common/install_record.h"
#include "common/run_log.h"
#include "detect/browsers.h"

#include <cstring>

namespace {

constexpr DWORD NOT_FOUND = INVALID_FILE_ATTRIBUTES;

// A journal list read back, zero-filled past its end; null when absent. Freed with LocalFree.
char* read_list(HKEY key, const char* name) {
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return nullptr;
    char* list = static_cast<char*>(LocalAlloc(LPTR, size + 2));
    if (list && RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(list), &size) != ERROR_SUCCESS) {
        LocalFree(list);
        return nullptr;
    }
    return list;
}

// Calls `step` with the two halves of each "<first>|<second>" entry of `list` (a commit step's
// final and backup paths, a use count's file and count), `context` passed on. One function,
// not a template: the program has one copy of the walk.
void each_pair(const char* list, void (*step)(const char*, const char*, HKEY), HKEY context = nullptr) {
    char first[MAX_PATH];
    for (const char* p = list; p && *p; p += std::strlen(p) + 1) {
        const char* separator = std::strchr(p, COMMIT_STEP_SEPARATOR);
        size_t length = separator ? (size_t)(separator - p) : 0;
        if (!separator || length >= sizeof first) continue;
        std::memcpy(first, p, length);
        first[length] = 0;
        step(first, separator + 1, context);
    }
}

// Copies the key `from` below `from_root` (its values and subkeys) to `to` below `to_root`,
// made when missing. Nothing when `from` is not there.
void copy_key(HKEY from_root, const char* from, HKEY to_root, const char* to) {
    HKEY source = nullptr, dest = nullptr;
    if (RegOpenKeyExA(from_root, from, 0, KEY_READ, &source) != ERROR_SUCCESS) return;
    if (RegCreateKeyExA(to_root, to, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &dest, nullptr) ==
        ERROR_SUCCESS) {
        RegCopyTreeA(source, nullptr, dest);
        RegCloseKey(dest);
    }
    RegCloseKey(source);
}

// A use count set back as it was: removed when it was 0 (none).
void restore_count(const char* path, const char* before, HKEY counts) {
    DWORD count = 0;
    record_hex_digits(before, 8, count);
    if (!count) RegDeleteValueA(counts, path);
    else RegSetValueExA(counts, path, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
}

// The two records a run writes, and the journal's subkeys that keep them as they were.
struct KeptRecord {
    HKEY root;
    const char* name;
    const char* saved;
};
const KeptRecord kept_records[] = {{HKEY_LOCAL_MACHINE, UNINSTALL_KEY, JOURNAL_SAVED_UNINSTALL},
                                   {HKEY_CURRENT_USER, SETTINGS_KEY, JOURNAL_SAVED_SETTINGS}};

void undo(HKEY key) {
    char* created = read_list(key, JOURNAL_CREATED);
    char* temporary = read_list(key, JOURNAL_TEMPORARY);
    char* steps = read_list(key, JOURNAL_COMMIT);
    char* folders = read_list(key, JOURNAL_FOLDERS);
    // The new files first: a replaced file's final name is then free for its earlier copy.
    delete_listed_files(created);
    delete_listed_files(temporary);
    undo_commit_steps(steps);
    remove_listed_folders(folders);
    // The records phase had begun: each record as it was (none when the journal kept none),
    // each raised use count as it was.
    char* counts = nullptr;
    if (RegQueryValueExA(key, JOURNAL_RECORDS, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        for (const KeptRecord& r : kept_records) {
            RegDeleteTreeA(r.root, r.name);
            copy_key(HKEY_LOCAL_MACHINE, r.saved, r.root, r.name);
        }
        HKEY shared = nullptr;
        counts = read_list(key, JOURNAL_COUNTS);
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_SET_VALUE, &shared) == ERROR_SUCCESS) {
            each_pair(counts, restore_count, shared);
            RegCloseKey(shared);
        }
    }
    char* lists[] = {created, temporary, steps, folders, counts};
    for (char* list : lists)
        if (list) LocalFree(list);
}

}  // namespace

void delete_listed_files(const char* list) {
    for (const char* p = list; p && *p; p += std::strlen(p) + 1)
        if (DeleteFileA(p)) log_line("Undone, removed: ", p);
}

namespace {

void undo_commit_step(const char* final_path, const char* backup, HKEY) {
    if (!backup[0]) {
        // No earlier copy: the new one goes.
        if (DeleteFileA(final_path)) log_line("Undone, removed: ", final_path);
    } else if (GetFileAttributesA(backup) != NOT_FOUND && MoveFileExA(backup, final_path, MOVEFILE_REPLACE_EXISTING)) {
        // A backup that is not there was never made, or is already back.
        log_line("Undone, put back: ", final_path);
    }
}

void delete_commit_backup(const char*, const char* backup, HKEY) {
    // One still loaded by a program that ran before the commit goes at the next restart.
    if (backup[0] && !DeleteFileA(backup) && GetFileAttributesA(backup) != NOT_FOUND)
        MoveFileExA(backup, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

void undo_commit_steps(const char* steps) { each_pair(steps, undo_commit_step); }

void delete_commit_backups(const char* steps) { each_pair(steps, delete_commit_backup); }

void remove_listed_folders(const char* folders) {
    if (!folders) return;
    // Out of them first: a process's current folder cannot be removed.
    char outside[MAX_PATH];
    if (GetWindowsDirectoryA(outside, MAX_PATH)) SetCurrentDirectoryA(outside);
    // Deepest first: each folder is listed after its parent, so the list is walked backwards.
    const char* end = folders;
    while (*end) end += std::strlen(end) + 1;
    while (end > folders) {
        const char* start = end - 1;   // the terminator of the last string before `end`
        while (start > folders && start[-1]) --start;
        // Only while empty: what the user put there keeps it.
        if (RemoveDirectoryA(start)) log_line("Undone, removed: ", start);
        end = start;
    }
}

namespace {

void set_journal_value(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

const DWORD MARKED = 1;

}  // namespace

void journal_list(const char* name, const char* list) {
    DWORD size = 1;
    for (const char* p = list; *p; p += std::strlen(p) + 1) size = (DWORD)(p + std::strlen(p) + 2 - list);
    set_journal_value(name, REG_MULTI_SZ, list, size);
}

void journal_records() {
    for (const KeptRecord& r : kept_records) copy_key(r.root, r.name, HKEY_LOCAL_MACHINE, r.saved);
    set_journal_value(JOURNAL_RECORDS, REG_DWORD, &MARKED, sizeof MARKED);
}

void journal_mark_done() { set_journal_value(JOURNAL_DONE, REG_DWORD, &MARKED, sizeof MARKED); }

void journal_close() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, JOURNAL_KEY); }

bool recover_killed_run() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, JOURNAL_DONE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        // It had succeeded: only its backups are left.
        char* steps = read_list(key, JOURNAL_COMMIT);
        delete_commit_backups(steps);
        if (steps) LocalFree(steps);
    } else {
        undo(key);
    }
    RegCloseKey(key);
    journal_close();
    return true;
}
