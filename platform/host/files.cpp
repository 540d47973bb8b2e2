// Files by handle, directories, attributes, temporary names, free space and file search, on
// the host file system, with the behaviour the program relies on from Windows: a read-only
// or locked file cannot be recreated or deleted (also when the tests run as root), a rename
// does not replace an existing file, and names match without regard to case.
#include "platform/host/host_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace host {

namespace {

DWORD last_error = 0;
std::set<std::string> locked_files;
long fail_read_at = 0, fail_write_at = 0;
DWORD fail_write_error = ERROR_ACCESS_DENIED;
long reads_made = 0, writes_made = 0;
long fail_move_at = 0, moves_made = 0;
long kill_at = 0, kill_points = 0;
UINT short_write = 0;
bool short_write_armed = false;
std::map<char, uint32_t> free_kb_override;
UINT temp_counter = 0;

DWORD error_from_errno(int e) {
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    default: return ERROR_INVALID_PARAMETER;
    }
}

bool stat_path(const std::string& h, struct stat& st) { return ::stat(h.c_str(), &st) == 0; }

bool is_read_only(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

bool parent_exists(const std::string& h) {
    size_t slash = h.rfind('/');
    if (slash == std::string::npos) return false;
    struct stat st;
    return stat_path(h.substr(0, slash), st) && S_ISDIR(st.st_mode);
}

}  // namespace

void set_last_error(DWORD error) { last_error = error; }

bool is_locked(const std::string& host_path) { return locked_files.count(host_path) != 0; }

bool take_read_failure() {
    ++reads_made;
    if (fail_read_at == 0) return false;
    return --fail_read_at == 0;
}

// A file step of the program: the run is killed here when this is the step asked for.
void kill_point() {
    ++kill_points;
    if (kill_at > 0 && --kill_at == 0) throw HostKilled{};
}

bool take_write_failure(UINT& short_count) {
    kill_point();
    ++writes_made;
    if (short_write_armed) {
        short_write_armed = false;
        short_count = short_write;
        return true;
    }
    short_count = 0;
    if (fail_write_at == 0) return false;
    return --fail_write_at == 0;
}

void reset_files() {
    locked_files.clear();
    fail_read_at = fail_write_at = 0;
    fail_write_error = ERROR_ACCESS_DENIED;
    reads_made = writes_made = 0;
    fail_move_at = moves_made = 0;
    kill_at = kill_points = 0;
    short_write_armed = false;
    free_kb_override.clear();
    last_error = 0;
    reset_paths();
}

}  // namespace host

using host::set_last_error;

DWORD GetLastError() { return host::last_error; }
void SetLastError(DWORD error) { host::last_error = error; }

void host_set_file_locked(const char* windows_path, bool locked) {
    std::string h;
    if (!host::resolve(windows_path, h)) return;
    if (locked) host::locked_files.insert(h);
    else host::locked_files.erase(h);
}

namespace {

// The pending renames as pairs, the system's "\??\" prefix and the "!" mark taken off.
std::vector<std::pair<std::string, std::string>> pending_rename_pairs() {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string value = host::pending_renames_value();
    auto plain = [](std::string s) {
        if (!s.empty() && s[0] == '!') s.erase(0, 1);
        if (s.rfind("\\??\\", 0) == 0) s.erase(0, 4);
        return s;
    };
    size_t at = 0;
    while (at < value.size() && value[at]) {
        std::string source = value.c_str() + at;
        at += source.size() + 1;
        std::string destination = at < value.size() ? value.c_str() + at : "";
        at += destination.size() + 1;
        pairs.emplace_back(plain(source), plain(destination));
    }
    return pairs;
}

}  // namespace

std::vector<std::string> host_restart_deletions() {
    std::vector<std::string> deletions;
    for (const auto& [source, destination] : pending_rename_pairs())
        if (destination.empty()) deletions.push_back(source);
    return deletions;
}

std::vector<std::pair<std::string, std::string>> host_restart_replacements() {
    std::vector<std::pair<std::string, std::string>> replacements;
    for (const auto& pair : pending_rename_pairs())
        if (!pair.second.empty()) replacements.push_back(pair);
    return replacements;
}

void host_fail_read(long n) { host::fail_read_at = n; }
void host_fail_move(long n) { host::fail_move_at = n; }
void host_kill_at_step(long n) { host::kill_at = n; }
long host_step_count() { return host::kill_points; }
long host_move_count() { return host::moves_made; }
void host_fail_write(long n, DWORD error) {
    host::fail_write_at = n;
    host::fail_write_error = error;
}
long host_read_count() { return host::reads_made; }
long host_write_count() { return host::writes_made; }
void host_short_write_once(UINT bytes) {
    host::short_write = bytes;
    host::short_write_armed = true;
}
void host_set_free_kb(char drive, uint32_t kb) {
    if (kb == 0xFFFFFFFFu) host::free_kb_override.erase(drive);
    else host::free_kb_override[drive] = kb;
}

HFILE _lopen(LPCSTR path, int mode) {
    std::string h;
    if (!host::resolve(path, h)) { set_last_error(ERROR_PATH_NOT_FOUND); return HFILE_ERROR; }
    struct stat st;
    if (!host::stat_path(h, st)) { set_last_error(ERROR_FILE_NOT_FOUND); return HFILE_ERROR; }
    if (S_ISDIR(st.st_mode)) { set_last_error(ERROR_ACCESS_DENIED); return HFILE_ERROR; }
    int access = mode & 3;
    if (access != OF_READ && (host::is_read_only(st) || host::is_locked(h))) {
        set_last_error(ERROR_ACCESS_DENIED);
        return HFILE_ERROR;
    }
    int flags = access == OF_READ ? O_RDONLY : access == OF_WRITE ? O_WRONLY : O_RDWR;
    int fd = ::open(h.c_str(), flags | O_CLOEXEC);
    if (fd < 0) { set_last_error(host::error_from_errno(errno)); return HFILE_ERROR; }
    return fd;
}

HFILE _lcreat(LPCSTR path, int attributes) {
    std::string h;
    if (!host::resolve(path, h)) { set_last_error(ERROR_PATH_NOT_FOUND); return HFILE_ERROR; }
    struct stat st;
    if (host::stat_path(h, st)) {
        if (S_ISDIR(st.st_mode) || host::is_read_only(st) || host::is_locked(h)) {
            set_last_error(ERROR_ACCESS_DENIED);
            return HFILE_ERROR;
        }
    } else if (!host::parent_exists(h)) {
        set_last_error(ERROR_PATH_NOT_FOUND);
        return HFILE_ERROR;
    }
    int fd = ::open(h.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) { set_last_error(host::error_from_errno(errno)); return HFILE_ERROR; }
    if (attributes & FILE_ATTRIBUTE_READONLY) ::fchmod(fd, 0444);
    return fd;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    if (host::take_read_failure()) { set_last_error(ERROR_ACCESS_DENIED); return (UINT)HFILE_ERROR; }
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(file, (char*)buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            set_last_error(host::error_from_errno(errno));
            return (UINT)HFILE_ERROR;
        }
        if (n == 0) break;
        done += (size_t)n;
    }
    return (UINT)done;
}

LONG _hread(HFILE file, LPVOID buffer, LONG count) {
    if (count < 0) return HFILE_ERROR;
    return (LONG)_lread(file, buffer, (UINT)count);
}

UINT _lwrite(HFILE file, LPCSTR buffer, UINT count) {
    UINT short_count = 0;
    if (host::take_write_failure(short_count)) {
        if (short_count == 0) { set_last_error(host::fail_write_error); return (UINT)HFILE_ERROR; }
        count = short_count;   // part of the bytes are stored, then the write reports them
        ssize_t n = ::write(file, buffer, count);
        return n < 0 ? (UINT)HFILE_ERROR : (UINT)n;
    }
    if (count == 0) {
        // As on Windows: writing zero bytes cuts the file at the current position.
        off_t pos = ::lseek(file, 0, SEEK_CUR);
        if (pos < 0 || ::ftruncate(file, pos) != 0) return (UINT)HFILE_ERROR;
        return 0;
    }
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(file, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            set_last_error(host::error_from_errno(errno));
            return (UINT)HFILE_ERROR;
        }
        done += (size_t)n;
    }
    return (UINT)done;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(file, offset, whence);
    if (pos < 0 || pos > 0x7FFFFFFF) { set_last_error(ERROR_INVALID_PARAMETER); return HFILE_ERROR; }
    return (LONG)pos;
}

HFILE _lclose(HFILE file) {
    if (::close(file) != 0) { set_last_error(ERROR_INVALID_HANDLE); return HFILE_ERROR; }
    return 0;
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
    std::string h;
    if (!host::resolve(path, h)) { set_last_error(ERROR_PATH_NOT_FOUND); return FALSE; }
    struct stat st;
    if (host::stat_path(h, st)) { set_last_error(ERROR_ALREADY_EXISTS); return FALSE; }
    if (::mkdir(h.c_str(), 0755) != 0) { set_last_error(host::error_from_errno(errno)); return FALSE; }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    std::string h;
    if (!host::resolve(path, h) || ::rmdir(h.c_str()) != 0) {
        set_last_error(host::error_from_errno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    if (host::set_current(path)) return TRUE;
    set_last_error(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string cur = host::current_directory();
    if (cur.size() + 1 > size) return (DWORD)cur.size() + 1;
    std::memcpy(buffer, cur.c_str(), cur.size() + 1);
    return (DWORD)cur.size();
}

BOOL DeleteFileA(LPCSTR path) {
    host::kill_point();
    std::string h;
    struct stat st;
    if (!host::resolve(path, h) || !host::stat_path(h, st)) { set_last_error(ERROR_FILE_NOT_FOUND); return FALSE; }
    if (S_ISDIR(st.st_mode) || host::is_read_only(st) || host::is_locked(h)) {
        set_last_error(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(h.c_str()) != 0) { set_last_error(host::error_from_errno(errno)); return FALSE; }
    return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, 0); }

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    std::string a, b;
    struct stat st;
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        // Listed where Windows lists it: a pair of strings appended to the REG_MULTI_SZ value
        // PendingFileRenameOperations, the source in the system's form, the destination empty
        // for a deletion and marked "!" when it may replace a file. Windows needs the source.
        if (!host::resolve(from, a) || !host::stat_path(a, st)) {
            set_last_error(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        std::string pairs = host::pending_renames_value();
        pairs += std::string("\\??\\") + from + '\0';
        if (to) pairs += std::string((flags & MOVEFILE_REPLACE_EXISTING) ? "!" : "") + "\\??\\" + to;
        pairs += '\0';
        return host::set_pending_renames_value(pairs);
    }
    host::kill_point();
    ++host::moves_made;
    if (host::fail_move_at > 0 && --host::fail_move_at == 0) {
        set_last_error(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!host::resolve(from, a) || !host::resolve(to, b) || !host::stat_path(a, st)) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (host::is_locked(a)) { set_last_error(ERROR_ACCESS_DENIED); return FALSE; }
    if (host::stat_path(b, st)) {
        // An existing target: refused without MOVEFILE_REPLACE_EXISTING; with it, replaced in
        // one step unless it is a folder, write-protected or held open.
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) { set_last_error(ERROR_ALREADY_EXISTS); return FALSE; }
        if (S_ISDIR(st.st_mode) || host::is_read_only(st) || host::is_locked(b)) {
            set_last_error(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (::rename(a.c_str(), b.c_str()) != 0) { set_last_error(host::error_from_errno(errno)); return FALSE; }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    std::string h;
    struct stat st;
    if (!host::resolve(path, h) || !host::stat_path(h, st)) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD a = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (host::is_read_only(st)) a |= FILE_ATTRIBUTE_READONLY;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    std::string h;
    struct stat st;
    if (!host::resolve(path, h) || !host::stat_path(h, st)) { set_last_error(ERROR_FILE_NOT_FOUND); return FALSE; }
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | 0200);
    return ::chmod(h.c_str(), mode) == 0;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    // The stand-in's temporary folder is C:\TEMP\, made on first use.
    const char* temp = "C:\\TEMP\\";
    std::string h;
    if (host::resolve("C:\\TEMP", h)) ::mkdir(h.c_str(), 0755);
    DWORD n = (DWORD)std::strlen(temp);
    if (n + 1 > size) return n + 1;
    std::memcpy(buffer, temp, n + 1);
    return n;
}

UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR out) {
    std::string dir(directory);
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    std::string pre = std::string(prefix).substr(0, 3);
    for (int attempt = 0; attempt < 65535; ++attempt) {
        UINT number = unique ? (unique & 0xFFFF) : ((++host::temp_counter) & 0xFFFF);
        if (number == 0) continue;
        char name[32];
        std::snprintf(name, sizeof name, "%s%X.tmp", pre.c_str(), number);
        std::string path = dir + name;
        if (path.size() >= MAX_PATH) { set_last_error(ERROR_INVALID_PARAMETER); return 0; }
        if (unique) {
            std::memcpy(out, path.c_str(), path.size() + 1);
            return number;
        }
        std::string h;
        if (!host::resolve(path.c_str(), h)) { set_last_error(ERROR_PATH_NOT_FOUND); return 0; }
        int fd = ::open(h.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            std::memcpy(out, path.c_str(), path.size() + 1);
            return number;
        }
        if (errno != EEXIST) { set_last_error(host::error_from_errno(errno)); return 0; }
    }
    return 0;
}

namespace {

// Free and total bytes of the drive of `root`, the free figure as a test set it if it did.
bool drive_space(LPCSTR root, unsigned long long& free_bytes, unsigned long long& total_bytes) {
    char drive;
    std::vector<std::string> parts;
    if (!root || !host::split_windows_path(root, drive, parts)) { set_last_error(ERROR_PATH_NOT_FOUND); return false; }
    std::string h;
    host::resolve((std::string(1, drive) + ":\\").c_str(), h);
    struct statvfs vfs;
    if (::statvfs(h.c_str(), &vfs) != 0) { set_last_error(ERROR_PATH_NOT_FOUND); return false; }
    free_bytes = (unsigned long long)vfs.f_bavail * vfs.f_frsize;
    total_bytes = (unsigned long long)vfs.f_blocks * vfs.f_frsize;
    auto it = host::free_kb_override.find(drive);
    if (it != host::free_kb_override.end()) free_bytes = (unsigned long long)it->second * 1024;
    return true;
}

}  // namespace

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectors_per_cluster, LPDWORD bytes_per_sector,
                       LPDWORD free_clusters, LPDWORD total_clusters) {
    unsigned long long free_bytes, total_bytes;
    if (!drive_space(root, free_bytes, total_bytes)) return FALSE;
    *sectors_per_cluster = 8;
    *bytes_per_sector = 512;
    auto clusters = [](unsigned long long bytes) {
        unsigned long long c = bytes / 4096;
        return (DWORD)(c > 0xFFFFFFFFull ? 0xFFFFFFFFull : c);
    };
    *free_clusters = clusters(free_bytes);
    if (total_clusters) *total_clusters = clusters(total_bytes);
    return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER available, PULARGE_INTEGER total,
                         PULARGE_INTEGER free_total) {
    unsigned long long free_bytes, total_bytes;
    if (!drive_space(directory, free_bytes, total_bytes)) return FALSE;
    if (available) available->QuadPart = free_bytes;
    if (total) total->QuadPart = total_bytes;
    if (free_total) free_total->QuadPart = free_bytes;
    return TRUE;
}

namespace {

struct FindState {
    std::vector<WIN32_FIND_DATAA> found;
    size_t next = 0;
};

bool wildcard_match(const char* pattern, const char* name) {
    if (*pattern == 0) return *name == 0;
    if (*pattern == '*') {
        for (const char* n = name;; ++n) {
            if (wildcard_match(pattern + 1, n)) return true;
            if (*n == 0) return false;
        }
    }
    if (*name == 0) return false;
    if (*pattern == '?' || std::tolower((unsigned char)*pattern) == std::tolower((unsigned char)*name))
        return wildcard_match(pattern + 1, name + 1);
    return false;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    std::string p(pattern ? pattern : "");
    size_t cut = p.find_last_of("\\/");
    std::string dir_part = cut == std::string::npos ? "" : p.substr(0, cut + 1);
    std::string name_part = cut == std::string::npos ? p : p.substr(cut + 1);
    if (dir_part.empty() && p.size() >= 2 && p[1] == ':') {
        dir_part = p.substr(0, 2);
        name_part = p.substr(2);
    }
    std::string hdir;
    if (name_part.empty() || !host::resolve(dir_part.empty() ? "." : dir_part.c_str(), hdir)) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto* state = new FindState;
    if (DIR* d = opendir(hdir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            std::string alias = host::short_alias(hdir, n);
            if (!wildcard_match(name_part.c_str(), n.c_str()) &&
                (alias.empty() || !wildcard_match(name_part.c_str(), alias.c_str())))
                continue;
            WIN32_FIND_DATAA fd{};
            struct stat st;
            if (::stat((hdir + "/" + n).c_str(), &st) == 0) {
                fd.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
                if ((st.st_mode & S_IWUSR) == 0) fd.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
                fd.nFileSizeLow = (DWORD)st.st_size;
                // 100-nanosecond steps since 1601, as Windows counts file times.
                uint64_t t = ((uint64_t)st.st_mtim.tv_sec + 11644473600ull) * 10000000ull +
                             (uint64_t)st.st_mtim.tv_nsec / 100;
                fd.ftLastWriteTime.dwLowDateTime = (DWORD)t;
                fd.ftLastWriteTime.dwHighDateTime = (DWORD)(t >> 32);
                fd.nFileSizeHigh = (DWORD)((unsigned long long)st.st_size >> 32);
            }
            std::snprintf(fd.cFileName, sizeof fd.cFileName, "%s", n.c_str());
            std::snprintf(fd.cAlternateFileName, sizeof fd.cAlternateFileName, "%s", alias.c_str());
            state->found.push_back(fd);
        }
        closedir(d);
    }
    if (state->found.empty()) {
        delete state;
        set_last_error(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = state->found[state->next++];
    return state;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    auto* state = static_cast<FindState*>(find);
    if (state->next >= state->found.size()) { set_last_error(ERROR_NO_MORE_FILES); return FALSE; }
    *data = state->found[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    delete static_cast<FindState*>(find);
    return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    const char* dir = "C:\\WINDOWS";
    UINT n = (UINT)std::strlen(dir);
    if (n + 1 > size) return n + 1;
    std::memcpy(buffer, dir, n + 1);
    return n;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    const char* dir = "C:\\WINDOWS\\SYSTEM";
    UINT n = (UINT)std::strlen(dir);
    if (n + 1 > size) return n + 1;
    std::memcpy(buffer, dir, n + 1);
    return n;
}

DWORD GetShortPathNameA(LPCSTR long_path, LPSTR out, DWORD size) {
    char drive;
    std::vector<std::string> parts;
    if (!host::split_windows_path(long_path, drive, parts)) { set_last_error(ERROR_PATH_NOT_FOUND); return 0; }
    std::string win = std::string(1, drive) + ":";
    std::string h;
    host::resolve((win + "\\").c_str(), h);
    for (const std::string& part : parts) {
        std::string real;
        if (!host::resolve((win + "\\" + part).c_str(), real)) return 0;
        struct stat st;
        if (::stat(real.c_str(), &st) != 0) { set_last_error(ERROR_FILE_NOT_FOUND); return 0; }
        std::string name = real.substr(real.rfind('/') + 1);
        std::string alias = host::short_alias(h, name);
        win += "\\" + (alias.empty() ? name : alias);
        h = real;
    }
    if (win.size() + 1 > size) return (DWORD)win.size() + 1;
    std::memcpy(out, win.c_str(), win.size() + 1);
    return (DWORD)win.size();
}
