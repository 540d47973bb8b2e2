#include "uninstall/record_reader.h"

#include "common/install_record.h"
#include "detect/browsers.h"
#include "install/install_text.h"
#include "install/main_files.h"

#include <cstring>
#include <initializer_list>

namespace {

// A record never holds more entries than this; a larger count is damage.
constexpr DWORD MAX_ENTRIES = 65536;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// True when `text` begins with `prefix`, without regard to case.
bool starts_with(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (lower(*text) != lower(*prefix)) return false;
    return true;
}

// Exact equality (the C library's comparison is not part of the program).
bool same_text(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

bool ends_with(const char* text, const char* suffix) {
    size_t n = std::strlen(text), m = std::strlen(suffix);
    return n >= m && same_name(text + n - m, suffix);
}

// A full path "X:\a\b" with nothing that could lead elsewhere than it reads: no "." or ".."
// component, no empty component (doubled backslash), no forward slash, no colon after the
// drive, no wildcard or control character, no component ending in a blank or a dot (which
// Windows drops, so that "a." names "a"). Folders end with a backslash, files do not.
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
            if (*c == 0) return true;
            component = c + 1;
            continue;
        }
        if ((unsigned char)*c < 32 || std::strchr("/:*?\"<>|", *c)) return false;
    }
}

// "X:\" has one backslash, "X:\a\" two: how deep a path lies.
int depth(const char* p) {
    int n = 0;
    for (; *p; ++p) n += *p == '\\';
    return n;
}

// A target folder that is, holds or lies in a folder of the system, or holds the Program Files
// folder or a Programs folder, is never taken: removing "its" empty folders could reach them.
bool target_folder_allowed(const char* t, const SystemFolders& f) {
    if (depth(t) < 2) return false;   // a drive's root
    for (const char* system : {f.windows, f.system})
        if (*system && (same_name(t, system) || path_inside(t, system) || path_inside(system, t)))
            return false;
    for (const char* other : {f.program_files, f.user_programs, f.common_programs})
        if (*other && (same_name(t, other) || path_inside(other, t))) return false;
    return true;
}

bool hex_digits(const char* p, int count, DWORD& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        char c = p[i];
        int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (v < 0) return false;
        value = value << 4 | (DWORD)v;
    }
    return true;
}

bool known_kind(char k) {
    return k == RECORD_TARGET_FOLDER || k == RECORD_PLUGIN_FOLDER || k == RECORD_GROUP_FOLDER ||
           k == RECORD_FILE || k == RECORD_PLUGIN_COPY || k == RECORD_SHARED_FILE ||
           k == RECORD_SHORTCUT || k == RECORD_USER_KEY;
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
    case RECORD_TARGET_FOLDER: return target_folder_allowed(path, f);
    case RECORD_PLUGIN_FOLDER: return depth(path) >= 3 && ends_with(path, "\\Plugins\\");
    default:   // the program group: strictly inside one of the Programs folders
        return (*f.user_programs && path_inside(path, f.user_programs)) ||
               (*f.common_programs && path_inside(path, f.common_programs));
    }
}

bool shared_file_allowed(const char* path, const SystemFolders& f, const InstallRecord& r) {
    static const char* const kinds[] = {".dll", ".exe", ".ocx", ".drv", ".cpl"};
    bool executable = false;
    for (const char* k : kinds) executable = executable || has_extension(path, k);
    if (!executable) return false;
    return (*f.system && path_directly_inside(path, f.system)) ||
           (*f.windows && path_directly_inside(path, f.windows)) ||
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
        return clean_path(p, false) && shared_file_allowed(p, f, r);
    case RECORD_SHORTCUT:
        return clean_path(p, false) && has_extension(p, ".lnk") &&
               in_recorded_folder(r, RECORD_GROUP_FOLDER, p, false);
    default:   // RECORD_USER_KEY: the settings record and nothing else
        return same_name(p, SETTINGS_KEY);
    }
}

// Checks the value's form: the tag, `count` entries of known kinds (none empty, plug-in copies
// with their stamp digits), the end string with that count, then only the terminating zeros.
bool check_form(const char* text, DWORD size, DWORD& count) {
    if (size < 2 || text[size - 1] != 0 || text[size - 2] != 0) return false;
    const char* end = text + size;
    if (!same_text(text, INSTALL_RECORD_TAG)) return false;
    const char* p = text + std::strlen(text) + 1;
    count = 0;
    for (;; p += std::strlen(p) + 1) {
        if (p >= end || *p == 0) return false;   // the end string is missing, or an empty entry
        if (*p == RECORD_END) break;
        if (!known_kind(*p) || p[1] == 0 || ++count > MAX_ENTRIES) return false;
        DWORD ignored;
        if (*p == RECORD_PLUGIN_COPY &&
            (std::strlen(p + 1) <= (size_t)RECORD_STAMP_DIGITS || !hex_digits(p + 1, RECORD_STAMP_DIGITS, ignored)))
            return false;
    }
    // "E<count>": decimal digits, one to six of them, equal to the entries counted.
    const char* digits = p + 1;
    size_t n = std::strlen(digits);
    if (n == 0 || n > 6) return false;
    DWORD value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
        value = value * 10 + (DWORD)(digits[i] - '0');
    }
    if (value != count) return false;
    // After the end string: the list's terminating zero, and nothing but zeros.
    for (p += n + 2; p < end; ++p)
        if (*p) return false;
    return true;
}

}  // namespace

bool path_inside(const char* path, const char* folder) {
    size_t n = std::strlen(folder);
    return n > 0 && folder[n - 1] == '\\' && std::strlen(path) > n && starts_with(path, folder);
}

bool path_directly_inside(const char* path, const char* folder) {
    if (!path_inside(path, folder)) return false;
    const char* rest = std::strchr(path + std::strlen(folder), '\\');
    return !rest || rest[1] == 0;
}

void get_windows_folders(SystemFolders& folders) {
    for (char* dir : {folders.windows, folders.system}) {
        UINT n = dir == folders.windows ? GetWindowsDirectoryA(dir, PATH_BUFFER_SIZE - 1)
                                        : GetSystemDirectoryA(dir, PATH_BUFFER_SIZE - 1);
        if (n == 0 || n >= (UINT)PATH_BUFFER_SIZE - 1) {
            dir[0] = 0;
            continue;
        }
        if (dir[n - 1] != '\\') dir[n] = '\\', dir[n + 1] = 0;
    }
}

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
    if (!check_form(text, size, count)) return RECORD_DAMAGED;
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
                hex_digits(p + 1, 8, e.stamp_size);
                hex_digits(p + 9, 8, e.stamp_high);
                hex_digits(p + 17, 8, e.stamp_low);
                e.path = p + 1 + RECORD_STAMP_DIGITS;
            }
            bool allowed = pass == 0 ? folder_allowed(e.kind, e.path, folders) : entry_allowed(e, folders, out);
            if (allowed) out.entries[out.count++] = e;
            else ++out.refused;
        }
    }
    return RECORD_READ;
}
