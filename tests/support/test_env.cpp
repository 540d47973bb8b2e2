#include "tests/support/test_env.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <shlobj.h>
#endif

#ifndef _WIN32
#include "platform/host/host_control.h"
#include <ftw.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
#endif

}  // namespace

void PlatformTest::SetUp() {
    test_reset_platform();
#ifdef _WIN32
    // Under Wine the tests work in the prefix's drive C, in a folder made anew for each test.
    remove_tree("C:\\bvtest");
    CreateDirectoryA("C:\\bvtest", nullptr);
    dir_ = "C:\\bvtest\\";
#else
    char tmpl[] = "/tmp/bvtest-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    host_root_ = tmpl;
    host_unmap_all_drives();
    host_map_drive('C', host_root_);
    host_reset_registry();
    CreateDirectoryA("C:\\bvtest", nullptr);
    dir_ = "C:\\bvtest\\";
#endif
    reset_context();
}

void PlatformTest::TearDown() {
    release_context();
    SetCurrentDirectoryA("C:\\");
#ifdef _WIN32
    remove_tree("C:\\bvtest");
#else
    nftw(host_root_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    host_unmap_all_drives();
    host_reset_registry();
#endif
    test_reset_platform();
}

long registry_dword(HKEY root, const std::string& key, const std::string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return -1;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG found = RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(opened);
    return found == ERROR_SUCCESS && type == REG_DWORD ? (long)value : -1;
}

void set_registry_dword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(created, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(created);
}

bool registry_value_exists(HKEY root, const std::string& key, const std::string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG found = RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, nullptr, &size);
    RegCloseKey(opened);
    return found == ERROR_SUCCESS;
}

std::string default_target_directory() {
#ifdef _WIN32
    char folder[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder) == S_OK)
        return std::string(folder) + "\\Brisvane\\";
#endif
    return "C:\\Program Files\\Brisvane\\";
}

void reset_context() {
    release_context();
    ctx = InstallContext{};
    allocate_path_buffers();
    ctx.package_file = HFILE_ERROR;
    ctx.output_file = HFILE_ERROR;
#ifdef _WIN32
    ctx.instance = GetModuleHandleA(nullptr);
#endif
}

void release_context() {
    free_path_buffers();
    if (ctx.file_table_block) {
        GlobalUnlock(ctx.file_table_block);
        GlobalFree(ctx.file_table_block);
        ctx.file_table_block = nullptr;
    }
    for (HGLOBAL* block : {&ctx.pending_files_block, &ctx.invalid_extensions_block, &ctx.record_block,
                           &ctx.commit_undo_block, &ctx.created_folders_block, &ctx.created_files_block}) {
        if (!*block) continue;
        GlobalUnlock(*block);
        GlobalFree(*block);
        *block = nullptr;
    }
}

void write_file(const std::string& path, const std::string& data) {
    HFILE f = _lcreat(path.c_str(), 0);
    ASSERT_NE(f, HFILE_ERROR) << "cannot create " << path;
    if (!data.empty()) {
        ASSERT_EQ(_lwrite(f, data.data(), (UINT)data.size()), data.size());
    }
    _lclose(f);
}

std::string read_file(const std::string& path) {
    HFILE f = _lopen(path.c_str(), OF_READ);
    if (f == HFILE_ERROR) return "<missing>";
    std::string out;
    char chunk[65536];
    for (;;) {
        UINT n = _lread(f, chunk, sizeof chunk);
        if (n == 0 || n == (UINT)HFILE_ERROR) break;
        out.append(chunk, n);
    }
    _lclose(f);
    return out;
}

std::string short_path(const std::string& path) {
    char out[MAX_PATH] = {};
    EXPECT_GT(GetShortPathNameA(path.c_str(), out, sizeof out), 0u) << path;
    return out;
}

bool file_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool directory_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void make_directory(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

void remove_tree(const std::string& path) {
    std::string base = path;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((base + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        std::vector<std::string> names;
        do {
            if (std::strcmp(fd.cFileName, ".") && std::strcmp(fd.cFileName, "..")) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        for (const std::string& n : names) {
            std::string child = base + "\\" + n;
            DWORD a = GetFileAttributesA(child.c_str());
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
                remove_tree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        }
    }
    RemoveDirectoryA(base.c_str());
}

void set_registry_string(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()), (DWORD)value.size() + 1);
    RegCloseKey(k);
}

std::string registry_string(HKEY root, const std::string& key, const std::string& name) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG r = RegQueryValueExA(k, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return "<missing>";
    return data;
}

bool registry_key_exists(HKEY root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

void delete_registry_tree(HKEY root, const std::string& key) {
#ifdef _WIN32
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
#else
    (void)root;
    (void)key;   // the host registry is reset whole between tests
#endif
}
