#include "common/install_journal.h"

#include "common/run_log.h"

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

// Calls `step` with the final path and the backup path of each commit step.
template <typename Step>
void each_commit_step(const char* list, Step step) {
    char final_path[MAX_PATH];
    for (const char* p = list; p && *p; p += std::strlen(p) + 1) {
        const char* separator = std::strchr(p, COMMIT_STEP_SEPARATOR);
        size_t length = separator ? (size_t)(separator - p) : 0;
        if (!separator || length >= sizeof final_path) continue;
        std::memcpy(final_path, p, length);
        final_path[length] = 0;
        step(final_path, separator + 1);
    }
}

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
    char* lists[] = {created, temporary, steps, folders};
    for (char* list : lists)
        if (list) LocalFree(list);
}

}  // namespace

void delete_listed_files(const char* list) {
    for (const char* p = list; p && *p; p += std::strlen(p) + 1)
        if (DeleteFileA(p)) log_line("Undone, removed: ", p);
}

void undo_commit_steps(const char* steps) {
    each_commit_step(steps, [](const char* final_path, const char* backup) {
        if (!backup[0]) {
            // No earlier copy: the new one goes.
            if (DeleteFileA(final_path)) log_line("Undone, removed: ", final_path);
        } else if (GetFileAttributesA(backup) != NOT_FOUND &&
                   MoveFileExA(backup, final_path, MOVEFILE_REPLACE_EXISTING)) {
            // A backup that is not there was never made, or is already back.
            log_line("Undone, put back: ", final_path);
        }
    });
}

void delete_commit_backups(const char* steps) {
    each_commit_step(steps, [](const char*, const char* backup) {
        // One still loaded by a program that ran before the commit goes at the next restart.
        if (backup[0] && !DeleteFileA(backup) && GetFileAttributesA(backup) != NOT_FOUND)
            MoveFileExA(backup, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    });
}

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
        if (RemoveDirectoryA(start)) log_line("Undone, removed folder: ", start);
        end = start;
    }
}

void journal_list(const char* name, const char* list) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    char no_class[1] = "";
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, 0, no_class, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
    DWORD size = 1;
    for (const char* p = list; *p; p += std::strlen(p) + 1) size = (DWORD)(p + std::strlen(p) + 2 - list);
    RegSetValueExA(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list), size);
    RegCloseKey(key);
}

void journal_mark_done() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD done = 1;
    RegSetValueExA(key, JOURNAL_DONE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&done), sizeof done);
    RegCloseKey(key);
}

void journal_close() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, JOURNAL_KEY); }

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
