#include "uninstall/record_reader.h"

#include "common/install_record.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "common/run_log.h"
#include "common/target_folder.h"
#include "detect/browsers.h"
#include "install/main_files.h"
#include "package/table_checks.h"

#include <cstring>

namespace {

bool ends_with(const char* text, const char* suffix) {
    size_t n = std::strlen(text), m = std::strlen(suffix);
    return n >= m && same_name(text + n - m, suffix);
}

// A full path "X:\a\b" with nothing that could lead elsewhere than it reads: no "." or ".."
// component, no empty component (doubled backslash), no forward slash, no colon after the
// drive, no wildcard or control character, no component ending in a blank or a dot (which
// Windows drops, so that "a." names "a"), no component naming a device (which any folder
// reaches). Folders end with a backslash, files do not.
bool clean_path(const char* p, bool folder) {
    size_t n = std::strlen(p);
    if (n < 4 || n >= (size_t)PATH_BUFFER_SIZE) return false;
    char d = (char)(p[0] | 0x20);
    if (d < 'a' || d > 'z' || p[1] != ':' || p[2] != '\\') return false;
    if ((p[n - 1] == '\\') != folder) return false;
    const char* component = p + 3;
    for (const char* c = p + 3;; ++c) {
        if (*c == '\\' || *c == 0) {
            size_t length = (size_t)(c - component);
            if (length == 0) return *c == 0 && folder;   // "\\" inside, or the folder's end
            char last = c[-1];
            if (last == '.' || last == ' ') return false;   // also "." and ".."
            if (is_device_name(component, length)) return false;   // "NUL.txt" opens the device
            if (*c == 0) return true;
            component = c + 1;
            continue;
        }
        if ((unsigned char)*c < 32 || std::strchr("/:*?\"<>|", *c)) return false;
    }
}

bool is_folder_kind(char k) {
    return k == RECORD_TARGET_FOLDER || k == RECORD_PLUGIN_FOLDER || k == RECORD_GROUP_FOLDER;
}

// True when an accepted folder entry of kind `kind` holds `path` (directly when `direct`).
bool in_recorded_folder(const InstallRecord& r, char kind, const char* path, bool direct) {
    for (int i = 0; i < r.count; ++i)
        if (r.entries[i].kind == kind &&
            (direct ? path_directly_inside(path, r.entries[i].path) : path_inside(path, r.entries[i].path)))
            return true;
    return false;
}

bool folder_allowed(char kind, const char* path, const SystemFolders& f) {
    if (!clean_path(path, true)) return false;
    switch (kind) {
    case RECORD_TARGET_FOLDER: {
        // Compared by what the folder is: a short spelling names the same folder.
        char target[PATH_BUFFER_SIZE];
        join_path(target, path, "");
        to_long_path(target);
        return target_folder_allowed(target, f);
    }
    case RECORD_PLUGIN_FOLDER: return path_depth(path) >= 3 && ends_with(path, "\\Plugins\\");
    default:   // the program group: strictly inside one of the Programs folders
        return (*f.path[FOLDER_USER_PROGRAMS] && path_inside(path, f.path[FOLDER_USER_PROGRAMS])) ||
               (*f.path[FOLDER_COMMON_PROGRAMS] && path_inside(path, f.path[FOLDER_COMMON_PROGRAMS]));
    }
}

// A shared file lies directly in the system or Windows folder, where the version service puts
// shared files, or in a recorded target folder; of any kind (libraries, help files, type
// libraries, data). One without a use count is never removed (see the removal rules).
bool shared_file_allowed(const char* path, const SystemFolders& f, const InstallRecord& r) {
    return (*f.path[FOLDER_SYSTEM] && path_directly_inside(path, f.path[FOLDER_SYSTEM])) ||
           (*f.path[FOLDER_WINDOWS] && path_directly_inside(path, f.path[FOLDER_WINDOWS])) ||
           in_recorded_folder(r, RECORD_TARGET_FOLDER, path, false);
}

bool entry_allowed(RecordEntry& e, const SystemFolders& f, const InstallRecord& r) {
    const char* p = e.path;
    switch (e.kind) {
    case RECORD_FILE:
        return clean_path(p, false) && in_recorded_folder(r, RECORD_TARGET_FOLDER, p, false);
    case RECORD_PLUGIN_COPY:
        return clean_path(p, false) && same_name(last_component(p), PLUGIN_MODULE_NAME) &&
               in_recorded_folder(r, RECORD_PLUGIN_FOLDER, p, true);
    case RECORD_SHARED_FILE:
    case RECORD_SHARED_RELEASED:
        return clean_path(p, false) && shared_file_allowed(p, f, r);
    case RECORD_SHORTCUT:
        return clean_path(p, false) && has_extension(p, ".lnk") &&
               in_recorded_folder(r, RECORD_GROUP_FOLDER, p, false);
    default:   // RECORD_USER_KEY: the settings record and nothing else
        return same_name(p, SETTINGS_KEY);
    }
}

}  // namespace

void free_install_record(InstallRecord& record) {
    if (record.text_block) LocalFree(record.text_block);
    if (record.entry_block) LocalFree(record.entry_block);
    record = InstallRecord{};
}

int read_install_record(HKEY key, const SystemFolders& folders, InstallRecord& out) {
    out = InstallRecord{};
    DWORD type = 0, size = 0;
    if (!key || RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return RECORD_MISSING;
    if (type != REG_MULTI_SZ || size < 2 || size > 16u << 20) return RECORD_DAMAGED;
    // Two zeros more than the value: the text always ends inside the block, whatever was read.
    out.text_block = LocalAlloc(LPTR, size + 2);
    if (!out.text_block) return RECORD_NO_MEMORY;
    char* text = static_cast<char*>(out.text_block);
    DWORD read = size;
    if (RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, (BYTE*)text, &read) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || read != size)
        return RECORD_DAMAGED;   // changed between the two reads
    DWORD count;
    if (!install_record_form(text, size, count)) return RECORD_DAMAGED;
    out.text_size = size;
    out.entry_block = LocalAlloc(LPTR, (count ? count : 1) * sizeof(RecordEntry));
    if (!out.entry_block) return RECORD_NO_MEMORY;
    out.entries = static_cast<RecordEntry*>(out.entry_block);

    // Folders first, so that every file is checked against the folders accepted; a file can
    // only lie in a folder the record names and the checks let through.
    const char* first = text + std::strlen(text) + 1;
    for (int pass = 0; pass < 2; ++pass) {
        for (const char* p = first; *p != RECORD_END; p += std::strlen(p) + 1) {
            if (is_folder_kind(*p) != (pass == 0)) continue;
            RecordEntry e{*p, p + 1, 0, 0, 0};
            if (*p == RECORD_PLUGIN_COPY) {
                record_hex_digits(p + 1, 8, e.stamp_size);
                record_hex_digits(p + 9, 8, e.stamp_high);
                record_hex_digits(p + 17, 8, e.stamp_low);
                e.path = p + 1 + RECORD_STAMP_DIGITS;
            }
            bool allowed = pass == 0 ? folder_allowed(e.kind, e.path, folders) : entry_allowed(e, folders, out);
            if (allowed) {
                out.entries[out.count++] = e;
            } else {
                log_line("Refused, not a place the installation writes to: ", e.path);
                if (!out.refused++) out.first_refused = e.path;
            }
        }
    }
    return RECORD_READ;
}
