// The version library on the host: version resources read from real PE files, and
// VerFindFileA with its documented outputs, or scripted results from a test.
#include "platform/host/host_state.h"

#include "common/pe_version.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <sys/stat.h>

namespace {

std::deque<ScriptedVerFind> ver_find_script;

bool read_whole_file(const char* path, std::vector<uint8_t>& bytes) {
    std::string h;
    if (!host::resolve(path, h)) return false;
    FILE* f = std::fopen(h.c_str(), "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

bool version_resource(const char* path, std::vector<uint8_t>& block) {
    std::vector<uint8_t> file;
    size_t offset, length;
    if (!read_whole_file(path, file) || !pe_find_version_resource(file.data(), file.size(), offset, length))
        return false;
    block.assign(file.begin() + (long)offset, file.begin() + (long)(offset + length));
    return true;
}

bool file_exists(const std::string& windows_path) {
    std::string h;
    struct stat st;
    return host::resolve(windows_path.c_str(), h) && ::stat(h.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string with_backslash(std::string dir) {
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

void copy_out(const std::string& text, LPSTR out, UINT* length, DWORD& result) {
    if (!out || !length) return;
    if (text.size() + 1 > *length) {
        if (*length > 0) {
            std::memcpy(out, text.c_str(), *length - 1);
            out[*length - 1] = 0;
        }
        result |= VFF_BUFFTOOSMALL;
    } else {
        std::memcpy(out, text.c_str(), text.size() + 1);
    }
    *length = (UINT)text.size() + 1;
}

}  // namespace

namespace host {
void reset_version() { ver_find_script.clear(); }
}  // namespace host

void test_script_ver_find_file(const std::vector<ScriptedVerFind>& results) {
    ver_find_script.assign(results.begin(), results.end());
}

DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    if (handle) *handle = 0;
    std::vector<uint8_t> block;
    if (!version_resource(path, block)) { SetLastError(ERROR_FILE_NOT_FOUND); return 0; }
    return (DWORD)block.size();
}

BOOL GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID data) {
    std::vector<uint8_t> block;
    if (!version_resource(path, block)) { SetLastError(ERROR_FILE_NOT_FOUND); return FALSE; }
    std::memcpy(data, block.data(), block.size() < size ? block.size() : size);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* value, UINT* length) {
    // Only the root block, the fixed file information, is ever asked for.
    if (!block || !sub_block || std::strcmp(sub_block, "\\") != 0) return FALSE;
    const auto* bytes = static_cast<const uint8_t*>(block);
    size_t size = (size_t)(bytes[0] | (bytes[1] << 8));
    long at = version_block_fixed_info(bytes, size);
    if (at < 0) return FALSE;
    *value = const_cast<uint8_t*>(bytes + at);
    if (length) *length = (UINT)sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

DWORD VerFindFileA(DWORD flags, LPSTR file_name, LPSTR windows_dir, LPSTR app_dir, LPSTR current_dir,
                   UINT* current_length, LPSTR dest_dir, UINT* dest_length) {
    DWORD result = 0;
    std::string current, dest;
    if (!ver_find_script.empty()) {
        ScriptedVerFind s = ver_find_script.front();
        ver_find_script.pop_front();
        result = s.result;
        current = s.current_dir;
        dest = s.dest_dir;
    } else {
        // Documented behaviour: a shared file belongs in the system directory; the current copy
        // is looked for there, in the Windows directory and in the application directory.
        char system_dir[MAX_PATH];
        GetSystemDirectoryA(system_dir, sizeof system_dir);
        std::string win = windows_dir ? windows_dir : "";
        std::string app = app_dir ? app_dir : "";
        dest = (flags & VFFF_ISSHAREDFILE) ? std::string(system_dir) : app;
        for (const std::string& dir : {std::string(system_dir), win, app}) {
            if (!dir.empty() && file_exists(with_backslash(dir) + file_name)) {
                current = dir;
                break;
            }
        }
        if (!current.empty()) {
            std::string h = host_path_of((with_backslash(current) + file_name).c_str());
            if (host::is_locked(h)) result |= VFF_FILEINUSE;
        }
        auto same = [](const std::string& a, const std::string& b) {
            return host_path_of(with_backslash(a).c_str()) == host_path_of(with_backslash(b).c_str());
        };
        if (!current.empty() && !same(current, dest)) result |= VFF_CURNEDEST;
    }
    copy_out(current, current_dir, current_length, result);
    copy_out(dest, dest_dir, dest_length, result);
    return result;
}
