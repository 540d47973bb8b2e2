#include "uninstall/removal.h"

#include "common/path_text.h"
#include "common/paths.h"
#include "common/run_log.h"
#include "common/status.h"
#include "detect/browsers.h"
#include "uninstall/uninstall_ids.h"

#include <cstring>

int show_uninstaller_text(HINSTANCE instance, const char* text, unsigned style) {
    char caption[64];
    LoadStringA(instance, MSG_U_CAPTION, caption, sizeof caption);
    return MessageBoxA(nullptr, text, caption, style);
}

int uninstaller_box(HINSTANCE instance, int id, const char* argument, unsigned style) {
    char format[512], text[PATH_BUFFER_SIZE + 512];
    LoadStringA(instance, (UINT)id, format, sizeof format);
    if (argument) wsprintfA(text, format, argument);
    return show_uninstaller_text(instance, argument ? text : format, style);
}

namespace {

enum Outcome { GONE, REMOVED, AT_RESTART, FAILED };


bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Deletes a file; one that is in use or write-protected gives the Retry/Cancel prompt, and on
// Cancel (silent: at once) is listed for deletion at the next restart.
Outcome remove_file(const char* path, const RemovalOptions& o, RemovalReport& r) {
    for (;;) {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) return GONE;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return GONE;   // not a file: not ours
        if (DeleteFileA(path)) {
            ++r.removed;
            log_line("Removed: ", path);
            return REMOVED;
        }
        if (!exists(path)) return GONE;
        if (o.silent || uninstaller_box(o.instance, MSG_U_IN_USE, path, BOX_WARNING_RETRY_CANCEL) != ANSWER_RETRY) break;
    }
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        ++r.at_restart;
        log_line("In use, removed at the next restart: ", path);
        return AT_RESTART;
    }
    ++r.failed;
    log_line("Could not be removed: ", path);
    return FAILED;
}

// Removes `folder` (which ends with a backslash) when it is empty.
bool remove_folder(const char* folder, bool at_restart_too) {
    char path[PATH_BUFFER_SIZE];
    if (!join_path(path, folder, "")) return false;
    remove_backslash(path);
    if (RemoveDirectoryA(path)) return true;
    // A folder that still holds a file listed for the next restart is listed after it, so that
    // it goes with it (the system leaves a folder that is not empty by then).
    if (at_restart_too && exists(path)) MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
}

const char* record_name(const RemovalOptions& o) { return o.record_name ? o.record_name : PRODUCT_SHORT_NAME; }

// Writes `size` bytes of `text` as the record value of the uninstall key `name` (below the
// uninstall records' key).
bool write_record_value(const char* name, const char* text, DWORD size) {
    HKEY key;
    char path[PATH_BUFFER_SIZE];
    if (!join_path(path, UNINSTALL_RECORDS_KEY "\\", name)) return false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    LONG result = RegSetValueExA(key, INSTALL_RECORD_VALUE, 0, REG_MULTI_SZ, (const BYTE*)text, size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// True when another installed product's record lists the plug-in copy `path` (whose present
// state is `found`): the copy is then handed over, its entry there taking the copy's present
// stamp so that the other product's uninstaller removes it in its turn, and it stays here.
bool handed_over(const char* own_record, const char* path, const WIN32_FIND_DATAA& found) {
    HKEY records;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_RECORDS_KEY, 0, KEY_READ, &records) != ERROR_SUCCESS) return false;
    bool claimed = false;
    char name[PATH_BUFFER_SIZE];
    for (DWORD i = 0; !claimed; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(records, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY key;
        if (same_name(name, own_record) || RegOpenKeyExA(records, name, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            continue;
        DWORD type = 0, size = 0, count;
        HLOCAL block = nullptr;
        if (RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            size < 16u << 20 && (block = LocalAlloc(LPTR, size + 2)) != nullptr) {
            char* text = static_cast<char*>(block);
            if (RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, (BYTE*)text, &size) == ERROR_SUCCESS &&
                type == REG_MULTI_SZ && install_record_form(text, size, count)) {
                for (char* p = text; *p; p += std::strlen(p) + 1) {
                    if (*p != RECORD_PLUGIN_COPY || !same_name(p + 1 + RECORD_STAMP_DIGITS, path)) continue;
                    char stamp[RECORD_STAMP_DIGITS + 1];
                    format_record_stamp(stamp, found);
                    std::memcpy(p + 1, stamp, RECORD_STAMP_DIGITS);
                    claimed = true;
                }
                if (claimed) write_record_value(name, text, size);
            }
            LocalFree(block);
        }
        RegCloseKey(key);
    }
    RegCloseKey(records);
    return claimed;
}

// A plug-in copy goes only while it is one that an install recorded: an upgrade's record keeps
// the earlier install's entry for the same path beside its own, so every entry for the path is
// compared, and the path is handled once (at its first entry).
void remove_plugin_copy(const InstallRecord& record, int index, const RemovalOptions& o, RemovalReport& r) {
    const RecordEntry& e = record.entries[index];
    for (int j = 0; j < index; ++j)
        if (record.entries[j].kind == RECORD_PLUGIN_COPY && same_name(record.entries[j].path, e.path)) return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(e.path, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    FindClose(find);
    for (int j = index; j < record.count; ++j) {
        const RecordEntry& c = record.entries[j];
        if (c.kind == RECORD_PLUGIN_COPY && same_name(c.path, e.path) && found.nFileSizeHigh == 0 &&
            found.nFileSizeLow == c.stamp_size && found.ftLastWriteTime.dwHighDateTime == c.stamp_high &&
            found.ftLastWriteTime.dwLowDateTime == c.stamp_low) {
            if (!handed_over(record_name(o), e.path, found)) {
                remove_file(e.path, o, r);
                return;
            }
            ++r.plugins_handed_over;
            log_line("Kept, another installed product uses it: ", e.path);
            return;
        }
    }
    ++r.plugins_kept;   // a browser's own module, or a newer one: it stays
    log_line("Kept, changed since the installation: ", e.path);
}

// Marks shared-file entry `e` of the record released, in the record value itself, before its
// use count is lowered: a run that follows (this one was killed, or kept the record) then
// never lowers it twice. False, with nothing changed, when the record cannot be written: the
// count then stays as it is, which keeps the file rather than removing one still in use.
bool mark_released(const InstallRecord& record, const RecordEntry& e, const RemovalOptions& o) {
    char* kind = const_cast<char*>(e.path) - 1;
    *kind = RECORD_SHARED_RELEASED;
    if (write_record_value(record_name(o), (const char*)record.text_block, record.text_size)) return true;
    *kind = RECORD_SHARED_FILE;
    return false;
}

void remove_shared_file(const InstallRecord& record, const RecordEntry& e, const RemovalOptions& o,
                        RemovalReport& r) {
    const char* path = e.path;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0, count = 0, size = sizeof count;
    if (RegQueryValueExA(key, path, nullptr, &type, (BYTE*)&count, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count) {
        RegCloseKey(key);   // no use count: not ours to judge
        log_line("Kept, a shared file without a use count: ", path);
        return;
    }
    if (!mark_released(record, e, o)) {
        RegCloseKey(key);
        ++r.shared_kept;
        log_line("Kept, its use count could not be given back once only: ", path);
        return;
    }
    if (count > 1) {
        --count;
        RegSetValueExA(key, path, 0, REG_DWORD, (const BYTE*)&count, sizeof count);
        RegCloseKey(key);
        log_line("Kept, still used by other programs: ", path);
        return;
    }
    RegDeleteValueA(key, path);
    RegCloseKey(key);
    if (!exists(path)) return;
    if (!o.silent && uninstaller_box(o.instance, MSG_U_SHARED_UNUSED, path, BOX_QUESTION_YES_NO | MB_DEFBUTTON2) == ANSWER_YES) {
        remove_file(path, o, r);
    } else {
        ++r.shared_kept;
        log_line("Kept, a shared file no program counts any more: ", path);
    }
}

bool key_is_empty(HKEY root, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subkeys = 1, values = 1;
    LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// The deepest recorded target folder that holds `path`, or null.
const char* target_of(const InstallRecord& record, const char* path) {
    const char* best = nullptr;
    for (int i = 0; i < record.count; ++i) {
        const RecordEntry& t = record.entries[i];
        if (t.kind == RECORD_TARGET_FOLDER && path_inside(path, t.path) &&
            (!best || std::strlen(t.path) > std::strlen(best)))
            best = t.path;
    }
    return best;
}

// The folder of recorded file `i` that lies `level` backslashes deep, when the file has one
// at that level inside its target folder (the target folder included).
bool folder_at(const InstallRecord& record, int i, int level, char* out) {
    const RecordEntry& e = record.entries[i];
    if (e.kind != RECORD_FILE || path_depth(e.path) < level) return false;
    const char* target = target_of(record, e.path);
    if (!target || level < path_depth(target)) return false;
    int seen = 0;
    size_t length = 0;
    for (const char* p = e.path; *p && seen < level; ++p, ++length) seen += *p == '\\';
    std::memcpy(out, e.path, length);
    out[length] = 0;
    return true;
}

// True when `folder` holds anything the install did not place: a file that is not a recorded
// one (nor the running program), or a folder (left because something in it stayed).
bool holds_other_files(const InstallRecord& record, const char* folder, const char* self) {
    char pattern[PATH_BUFFER_SIZE];
    if (!join_path(pattern, folder, "*")) return true;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool other = false;
    do {
        const char* n = found.cFileName;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        char path[PATH_BUFFER_SIZE];
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || !join_path(path, folder, n)) {
            other = true;
            continue;
        }
        bool recorded = self && same_name(path, self);
        for (int i = 0; i < record.count && !recorded; ++i)
            recorded = record.entries[i].kind == RECORD_FILE && same_name(record.entries[i].path, path);
        other = !recorded;
    } while (!other && FindNextFileA(find, &found));
    FindClose(find);
    return other;
}

}  // namespace

void remove_user_key(const char* key) {
    char name[PATH_BUFFER_SIZE];
    if (!join_path(name, key, "")) return;
    if (RegDeleteKeyA(HKEY_CURRENT_USER, name) != ERROR_SUCCESS) return;
    // The parents, while nothing else is left in them; "Software" itself always stays.
    for (;;) {
        char* cut = std::strrchr(name, '\\');
        if (!cut) return;
        *cut = 0;
        if (!std::strchr(name, '\\') || !key_is_empty(HKEY_CURRENT_USER, name)) return;
        if (RegDeleteKeyA(HKEY_CURRENT_USER, name) != ERROR_SUCCESS) return;
    }
}

int removal_exit_code(const RemovalReport& r, int refused) {
    if (r.failed) return UEXIT_REMOVE_FAILED;
    if (refused) return UEXIT_REFUSED;
    return r.at_restart ? UEXIT_AT_RESTART : UEXIT_REMOVED;
}

void remove_leftover_records() {
    remove_user_key(SETTINGS_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}

void remove_installation(const InstallRecord& record, const RemovalOptions& o, RemovalReport& r) {
    r = RemovalReport{};
    const RecordEntry* e = record.entries;
    int n = record.count;
    for (int i = 0; i < n; ++i) {
        if (e[i].kind != RECORD_FILE) continue;
        if (o.running_program && same_name(e[i].path, o.running_program)) {
            r.self_recorded = true;
            continue;
        }
        remove_file(e[i].path, o, r);
    }
    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_PLUGIN_COPY) remove_plugin_copy(record, i, o, r);
    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_SHORTCUT) remove_file(e[i].path, o, r);
    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_GROUP_FOLDER) remove_folder(e[i].path, false);
    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_SHARED_FILE) remove_shared_file(record, e[i], o, r);

    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_USER_KEY) remove_user_key(e[i].path);
    // A record with refused entries stays, with its uninstall key: what they name was not
    // removed, and the list of programs keeps showing it.
    r.record_key_kept = r.failed != 0 || record.refused != 0;
    char key[PATH_BUFFER_SIZE];
    if (!r.record_key_kept && join_path(key, UNINSTALL_RECORDS_KEY "\\", record_name(o)))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    if (r.record_key_kept) log_line("The uninstall record was kept, so that the uninstaller can be run again.", nullptr);

    // The folders of the recorded files, deepest first: each file's folders from its own up to
    // its target folder, each folder once.
    int deepest = 0;
    for (int i = 0; i < n; ++i)
        if (e[i].kind == RECORD_FILE && path_depth(e[i].path) > deepest) deepest = path_depth(e[i].path);
    bool pending = r.at_restart != 0;
    for (int level = deepest; level >= 2; --level) {
        for (int i = 0; i < n; ++i) {
            char folder[PATH_BUFFER_SIZE];
            if (!folder_at(record, i, level, folder)) continue;
            bool seen = false;
            for (int j = 0; j < i && !seen; ++j) {
                char other[PATH_BUFFER_SIZE];
                seen = folder_at(record, j, level, other) && same_name(other, folder);
            }
            if (!seen) remove_folder(folder, pending);
        }
    }
    for (int i = 0; i < n; ++i) {
        if (e[i].kind != RECORD_TARGET_FOLDER) continue;
        // A target folder with recorded files was tried above (and listed for the restart).
        if (remove_folder(e[i].path, false) || !exists(e[i].path)) continue;
        if (!r.kept_folder[0] && holds_other_files(record, e[i].path, o.running_program))
            join_path(r.kept_folder, e[i].path, "");
    }
}
