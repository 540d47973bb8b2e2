#include "common/target_folder.h"

#include "common/path_text.h"
#include "common/paths.h"
#include "common/status.h"

#include <cstring>

namespace {

// The shell's folders, in the order of the FOLDER_* ids before FOLDER_PROGRAM_FILES_OTHER.
const unsigned char SHELL_FOLDER_IDS[] = {CSIDL_WINDOWS,         CSIDL_SYSTEM,  CSIDL_PROGRAM_FILES, CSIDL_PROGRAMS,
                                          CSIDL_COMMON_PROGRAMS, CSIDL_PROFILE, CSIDL_COMMON_APPDATA};

}  // namespace

bool path_inside(const char* path, const char* folder) {
    size_t n = std::strlen(folder);
    return n > 0 && folder[n - 1] == '\\' && std::strlen(path) > n && after_prefix(path, folder);
}

bool path_directly_inside(const char* path, const char* folder) {
    if (!path_inside(path, folder)) return false;
    const char* rest = std::strchr(path + std::strlen(folder), '\\');
    return !rest || rest[1] == 0;
}

void get_system_folders(SystemFolders& f) {
    for (int i = 0; i < FOLDER_PROGRAM_FILES_OTHER; ++i) {
        LPITEMIDLIST list = nullptr;
        char* out = f.path[i];
        out[0] = 0;
        if (SHGetSpecialFolderLocation(nullptr, SHELL_FOLDER_IDS[i], &list) != S_OK || !list) continue;
        if (!SHGetPathFromIDListA(list, out)) out[0] = 0;
        CoTaskMemFree(list);
    }
    // The users' folder holds the current user's profile.
    if (char* cut = std::strrchr(f.path[FOLDER_USERS], '\\')) *cut = 0;
    // A 32-bit program on 64-bit Windows is given "Program Files (x86)" by the shell; the
    // 64-bit folder is named in the registry.
    read_windows_value("ProgramW6432Dir", f.path[FOLDER_PROGRAM_FILES_OTHER]);
    for (char* folder : f.path) {
        to_long_path(folder);
        add_backslash(folder);
    }
}

int normalise_target(char* path) {
    char out[PATH_BUFFER_SIZE];
    const char* p = path;
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
            if (*c == ':' || std::strchr("\"*<>?|", *c)) return MSG_INVALID_DIRECTORY;
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
    to_long_path(out);
    std::memcpy(path, out, std::strlen(out) + 1);
    return 0;
}

bool target_folder_allowed(const char* t, const SystemFolders& f) {
    if (path_depth(t) < 2) return false;   // a drive's root
    for (int i = 0; i < SYSTEM_FOLDER_COUNT; ++i) {
        const char* folder = f.path[i];
        if (*folder && (same_name(t, folder) || path_inside(folder, t) ||
                        (i <= FOLDER_SYSTEM && path_inside(t, folder))))
            return false;
    }
    return true;
}
