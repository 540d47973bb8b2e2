#include "common/target_folder.h"

#include "common/install_record.h"
#include "common/status.h"
#include "detect/paths.h"
#include "install/install_text.h"

#include <cstring>
#include <initializer_list>

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// True when `text` begins with `prefix`, without regard to case.
bool starts_with(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (lower(*text) != lower(*prefix)) return false;
    return true;
}

// "X:\" has one backslash, "X:\a\" two: how deep a folder lies.
int depth(const char* p) {
    int n = 0;
    for (; *p; ++p) n += *p == '\\';
    return n;
}

// A shell folder (CSIDL_*) into `out`, or empty.
void shell_folder(int id, char* out) {
    LPITEMIDLIST list = nullptr;
    out[0] = 0;
    if (SHGetSpecialFolderLocation(nullptr, id, &list) != S_OK || !list) return;
    if (!SHGetPathFromIDListA(list, out)) out[0] = 0;
    CoTaskMemFree(list);
}

// A folder as the guard compares it: long names and a trailing backslash; empty stays empty.
void finish_folder(char* folder) {
    if (!folder[0]) return;
    to_long_names(folder);
    add_backslash(folder);
}

// True when `a` is `b`, lies inside it or holds it.
bool same_or_holds(const char* a, const char* b) { return same_name(a, b) || path_inside(b, a); }

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
        if (n == 0 || n >= (UINT)PATH_BUFFER_SIZE - 1) dir[0] = 0;
        finish_folder(dir);
    }
}

void get_system_folders(SystemFolders& f) {
    get_windows_folders(f);
    static const int ids[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_PROFILE,
                              CSIDL_COMMON_APPDATA};
    char* outs[] = {f.program_files, f.user_programs, f.common_programs, f.users, f.program_data};
    for (int i = 0; i < 5; ++i) shell_folder(ids[i], outs[i]);
    // The users' folder holds the current user's profile.
    if (char* cut = std::strrchr(f.users, '\\')) *cut = 0;
    if (depth(f.users) < 1) f.users[0] = 0;
    // A 32-bit program on 64-bit Windows is given "Program Files (x86)" by the shell; the
    // 64-bit folder is named in the registry.
    f.program_files_other[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_PARENT_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD type = 0, size = PATH_BUFFER_SIZE - 1;
        if (RegQueryValueExA(key, "ProgramW6432Dir", nullptr, &type, (BYTE*)f.program_files_other, &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            f.program_files_other[0] = 0;
        RegCloseKey(key);
    }
    for (char* folder : outs) finish_folder(folder);
    finish_folder(f.program_files_other);
}

void to_long_names(char* path) {
    char out[PATH_BUFFER_SIZE];
    size_t n = 3;
    if (std::strlen(path) < 3) return;
    std::memcpy(out, path, 3);
    out[3] = 0;
    bool exists = true;
    for (const char* p = path + 3; *p;) {
        const char* end = std::strchr(p, '\\');
        size_t length = end ? (size_t)(end - p) : std::strlen(p);
        const char* name = p;
        if (n + length + 1 >= (size_t)PATH_BUFFER_SIZE) return;
        std::memcpy(out + n, p, length);
        out[n + length] = 0;
        WIN32_FIND_DATAA found;
        HANDLE find = exists ? FindFirstFileA(out, &found) : INVALID_HANDLE_VALUE;
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            name = found.cFileName;
            length = std::strlen(name);
            if (n + length + 1 >= (size_t)PATH_BUFFER_SIZE) return;
        }
        exists = find != INVALID_HANDLE_VALUE;
        std::memcpy(out + n, name, length);
        n += length;
        if (!end) break;
        out[n++] = '\\';
        out[n] = 0;
        p = end + 1;
    }
    std::memcpy(path, out, n + 1);
}

int normalise_target(char* path) {
    char out[PATH_BUFFER_SIZE];
    const char* p = path;
    while (*p == ' ') ++p;
    char drive = (char)(*p & ~0x20);
    if (drive < 'A' || drive > 'Z' || p[1] != ':' || (p[2] != '\\' && p[2] != '/')) return MSG_INVALID_DIRECTORY;
    out[0] = drive;
    out[1] = ':';
    out[2] = '\\';
    size_t n = 3;
    for (p += 3;;) {
        const char* end = p;
        while (*end && *end != '\\' && *end != '/') ++end;
        size_t length = (size_t)(end - p);
        for (const char* c = p; c < end; ++c)
            if ((unsigned char)*c < 32 || std::strchr(":*?\"<>|", *c)) return MSG_INVALID_DIRECTORY;
        bool dots = length == 2 && p[0] == '.' && p[1] == '.';
        if (dots) {
            if (n == 3) return MSG_INVALID_DIRECTORY;   // above the root
            for (--n; out[n - 1] != '\\'; --n) {}
        } else if (length && !(length == 1 && *p == '.')) {
            while (length && (p[length - 1] == '.' || p[length - 1] == ' ')) --length;
            if (!length) return MSG_INVALID_DIRECTORY;   // a name of dots and blanks only
            if (n + length + 1 >= (size_t)PATH_BUFFER_SIZE) return MSG_DIRECTORY_TOO_LONG;
            std::memcpy(out + n, p, length);
            n += length;
            out[n++] = '\\';
        }
        if (!*end) break;
        p = end + 1;
    }
    if (n == 3) return MSG_INVALID_DIRECTORY;   // a drive root
    out[n - 1] = 0;
    to_long_names(out);
    std::memcpy(path, out, std::strlen(out) + 1);
    return 0;
}

bool target_folder_allowed(const char* target, const SystemFolders& f) {
    char t[PATH_BUFFER_SIZE];
    if (!join_path(t, target, "")) return false;
    to_long_names(t);
    if (depth(t) < 2 || t[std::strlen(t) - 1] != '\\') return false;   // a drive's root
    for (const char* system : {f.windows, f.system})
        if (*system && (same_or_holds(t, system) || path_inside(t, system))) return false;
    for (const char* other : {f.program_files, f.program_files_other, f.user_programs, f.common_programs, f.users,
                              f.program_data})
        if (*other && same_or_holds(t, other)) return false;
    return true;
}
