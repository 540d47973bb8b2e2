#include "common/paths.h"

#include "common/install_context.h"
#include "common/install_record.h"

#include <cstring>

namespace {

// The existence test, then the creation of a missing directory. False when it cannot be had
// (an empty path names no directory). `created` is set when it had to be made.
bool ensure_directory(const char* path, bool& created) {
    created = false;
    if (path[0] == 0) return false;
    if (SetCurrentDirectoryA(path)) return true;
    created = CreateDirectoryA(path, nullptr) != 0;
    return created && SetCurrentDirectoryA(path);
}

// Index of the first separator at which make_directory_path tests a prefix, or -1.
int first_stop(const char* path) {
    const char* from;
    if (path[0] == '\\' && path[1] == '\\') {
        // \\server\share\: the server and the share can be neither entered alone nor created.
        const char* server_end = std::strchr(path + 2, '\\');
        const char* share_end = server_end ? std::strchr(server_end + 1, '\\') : nullptr;
        from = share_end ? share_end + 1 : nullptr;
    } else if (path[0] != 0 && path[1] == ':' && path[2] == '\\') {
        from = path + 3;
    } else {
        // A path rooted on the current drive (\A\B) starts below its root, like C:\A\B.
        from = path[0] == '\\' ? path + 1 : path;
    }
    const char* stop = from ? std::strchr(from, '\\') : nullptr;
    return stop ? (int)(stop - path) : -1;
}

}  // namespace

int make_directory_path(char* path, int* first_created) {
    if (first_created) *first_created = -1;
    add_backslash(path);
    int stop = first_stop(path);
    auto* work = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, PATH_BUFFER_SIZE));
    if (!work) return -1;

    int result = 0;
    bool created = false;
    if (stop >= 0) {
        // Each prefix that ends before a backslash, and the whole path when it is too long
        // to have been given its trailing backslash: its last directory counts as well.
        for (int at = stop;; ++at) {
            bool end = path[at] == 0;
            if (end && path[at - 1] == '\\') break;
            if (!end && path[at] != '\\') continue;
            std::memcpy(work, path, (size_t)at);
            work[at] = 0;
            if (!ensure_directory(work, created)) {
                result = 1;
                break;
            }
            if (created && first_created && *first_created < 0) *first_created = at;
            if (end) break;
        }
    } else {
        std::strcpy(work, path);
        remove_backslash(work);
        if (!ensure_directory(work, created)) result = 1;
        else if (created && first_created) *first_created = (int)std::strlen(work);
    }
    LocalFree(work);
    return result;
}

uint32_t free_space_kb(const char* path) {
    char root[PATH_BUFFER_SIZE] = {};
    std::strncpy(root, path, PATH_BUFFER_SIZE - 1);
    if (root[0] == '\\' && root[1] == '\\') {
        // The share's root: \\server\share\ (the call wants the trailing backslash).
        char* server_end = std::strchr(root + 2, '\\');
        char* share_end = server_end ? std::strchr(server_end + 1, '\\') : nullptr;
        if (share_end) share_end[1] = 0;
        else add_backslash(root);
    } else if (root[0] != 0 && root[1] == ':') {
        root[2] = '\\';
        root[3] = 0;
    }
    DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters))
        return FREE_SPACE_UNKNOWN;
    uint64_t kb = (uint64_t)bytes_per_sector * sectors_per_cluster * free_clusters / 1024;
    return kb < FREE_SPACE_UNKNOWN ? (uint32_t)kb : FREE_SPACE_UNKNOWN - 1;
}

void to_long_path(char* path) {
    if (path[0] == 0 || path[1] != ':' || std::strchr(path, '*') || std::strchr(path, '?')) return;
    auto* work = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, PATH_BUFFER_SIZE));
    if (!work) return;
    std::memcpy(work, path, 2);
    size_t length = 2;
    const char* at = path + 2;
    // `at` is at a backslash; the part after it is looked up under what `work` holds so far.
    while (*at == '\\') {
        const char* part = at + 1;
        const char* end = std::strchr(part, '\\');
        size_t n = end ? (size_t)(end - part) : std::strlen(part);
        const char* next = part + n;
        if (length + 1 + n >= (size_t)PATH_BUFFER_SIZE) break;
        work[length] = '\\';
        std::memcpy(work + length + 1, part, n);
        work[length + 1 + n] = 0;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(work, &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            size_t name = std::strlen(data.cFileName);
            if (length + 1 + name >= (size_t)PATH_BUFFER_SIZE) break;
            std::memcpy(work + length + 1, data.cFileName, name + 1);
            n = name;
        }
        length += 1 + n;
        at = next;
    }
    if (*at == 0) std::strcpy(path, work);   // every part was taken ("C:dir" never is)
    LocalFree(work);
}

void read_value(HKEY key, const char* name, char* out) {
    DWORD size = PATH_BUFFER_SIZE;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS) {
        out[0] = 0;
        return;
    }
    out[size < (DWORD)PATH_BUFFER_SIZE ? size : PATH_BUFFER_SIZE - 1] = 0;
}

void read_windows_value(const char* name, char* out) {
    HKEY windows;
    out[0] = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_PARENT_KEY, 0, KEY_READ, &windows) != ERROR_SUCCESS) return;
    read_value(windows, name, out);
    RegCloseKey(windows);
}

void add_backslash(char* path) {
    size_t n = std::strlen(path);
    if (n == 0 || path[n - 1] == '\\' || n + 1 >= (size_t)PATH_BUFFER_SIZE) return;
    path[n] = '\\';
    path[n + 1] = 0;
}

void remove_backslash(char* path) {
    size_t n = std::strlen(path);
    if (n > 3 && path[n - 1] == '\\') path[n - 1] = 0;
}

void shorten_path(char* path, int limit) {
    int n = (int)std::strlen(path);
    char* first = std::strchr(path, '\\');
    char* last = std::strrchr(path, '\\');
    if (n <= limit || !first || last - first < 4) return;

    int last_at = (int)(last - path);
    int tail = n - last_at;   // the last backslash and the name after it
    int keep = (int)(first - path) + 1;
    for (const char* candidate = first; candidate && last_at - (candidate - path) >= 4 &&
                                        (int)(candidate - path) + tail < limit;
         candidate = std::strchr(candidate + 1, '\\'))
        keep = (int)(candidate - path) + 1;

    // keep + 3 <= last_at, so the tail only ever moves towards the start.
    std::memmove(path + keep + 3, last, (size_t)tail + 1);
    std::memcpy(path + keep, "...", 3);
}
