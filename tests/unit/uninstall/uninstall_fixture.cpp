#include "tests/unit/uninstall/uninstall_fixture.h"

#include "detect/browsers.h"

#include <cstdio>
#include <cstring>

namespace {

void copy_folder(char* out, const std::string& folder) {
    std::snprintf(out, PATH_BUFFER_SIZE, "%s", folder.c_str());
}

}  // namespace

void UninstallTest::SetUp() {
    PlatformTest::SetUp();
    get_system_folders(folders);
    copy_folder(folders.path[FOLDER_SYSTEM], system_dir());
    // As 64-bit Windows gives them to a 32-bit program: its own Program Files folder from the
    // shell, the 64-bit one from the registry.
    copy_folder(folders.path[FOLDER_PROGRAM_FILES], path("Program Files (x86)\\"));
    copy_folder(folders.path[FOLDER_PROGRAM_FILES_OTHER], path("Program Files\\"));
    copy_folder(folders.path[FOLDER_USERS], path("Users\\"));
    copy_folder(folders.path[FOLDER_PROGRAM_DATA], path("ProgramData\\"));
    copy_folder(folders.path[FOLDER_USER_PROGRAMS], programs());
    copy_folder(folders.path[FOLDER_COMMON_PROGRAMS], path("common programs\\"));
    make_folders();
    delete_registry_tree(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
}

void UninstallTest::make_folders() {
    for (const char* d : {"app", "app\\sub", "browser", "browser\\Plugins", "programs", "programs\\Brisvane!", "sys"})
        make_directory(path(d));
}

void UninstallTest::TearDown() {
    delete_registry_tree(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    delete_registry_tree(HKEY_CURRENT_USER, "Software\\Quendlark");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const char* name : {"bvrt32.dll", "bvsnd32.dll", "other.dll"})
            RegDeleteValueA(key, (system_dir() + name).c_str());
        RegCloseKey(key);
    }
    PlatformTest::TearDown();
}

void UninstallTest::write_record_value(DWORD type, const std::string& data) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, INSTALL_RECORD_VALUE, 0, type, (const BYTE*)data.data(), (DWORD)data.size()),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void UninstallTest::write_record_strings(const std::vector<std::string>& strings) {
    std::string data;
    for (const std::string& s : strings) data += s + '\0';
    data += '\0';
    write_record_value(REG_MULTI_SZ, data);
}

void UninstallTest::write_record(const std::vector<std::string>& entries) {
    std::vector<std::string> strings{INSTALL_RECORD_TAG};
    strings.insert(strings.end(), entries.begin(), entries.end());
    strings.push_back("E" + std::to_string(entries.size()));
    write_record_strings(strings);
}

int UninstallTest::read_record(InstallRecord& record) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) key = nullptr;
    int result = read_install_record(key, folders, record);
    if (key) RegCloseKey(key);
    return result;
}

std::string UninstallTest::stamp_of(const std::string& file) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(file.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return "<missing>";
    FindClose(find);
    char text[32];
    std::snprintf(text, sizeof text, "%08X%08X%08X", (unsigned)found.nFileSizeLow,
                  (unsigned)found.ftLastWriteTime.dwHighDateTime, (unsigned)found.ftLastWriteTime.dwLowDateTime);
    return text;
}

std::vector<std::string> UninstallTest::install_layout() {
    make_folders();
    write_file(target() + "bvdraw32.dll", "draw");
    write_file(target() + "readme.txt", "read me");
    write_file(target() + "NpU32.exe", "uninstaller");
    write_file(target() + "sub\\bvnet32.dll", "net");
    write_file(plugins() + "nptnf32.dll", "plug-in");
    write_file(group() + "Brisvane!.lnk", "link");
    write_file(group() + "Uninstall Brisvane!.lnk", "link");
    write_file(system_dir() + "bvrt32.dll", "runtime");
    set_shared_count(system_dir() + "bvrt32.dll", 1);
    set_registry_string(HKEY_CURRENT_USER, SETTINGS_KEY, "CurDir", target());
    return {
        "T" + target(),
        "F" + target() + "bvdraw32.dll",
        "F" + target() + "readme.txt",
        "F" + target() + "NpU32.exe",
        "F" + target() + "sub\\bvnet32.dll",
        "B" + plugins(),
        "P" + stamp_of(plugins() + "nptnf32.dll") + plugins() + "nptnf32.dll",
        "G" + group(),
        "L" + group() + "Brisvane!.lnk",
        "L" + group() + "Uninstall Brisvane!.lnk",
        "S" + system_dir() + "bvrt32.dll",
        std::string("R") + SETTINGS_KEY,
    };
}

void UninstallTest::set_shared_count(const std::string& file, DWORD count) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, file.c_str(), 0, REG_DWORD, (const BYTE*)&count, sizeof count);
    RegCloseKey(key);
}

long UninstallTest::shared_count(const std::string& file) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD count = 0, size = sizeof count, type = 0;
    LONG r = RegQueryValueExA(key, file.c_str(), nullptr, &type, (BYTE*)&count, &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_DWORD ? (long)count : -1;
}

RemovalReport UninstallTest::remove(bool silent, const char* running_program) {
    InstallRecord record;
    RemovalReport report{};
    EXPECT_EQ(read_record(record), RECORD_READ);
    RemovalOptions options{ctx.instance, silent, running_program, nullptr};
    remove_installation(record, options, report);
    free_install_record(record);
    return report;
}

std::vector<std::string> box_texts() {
    std::vector<std::string> out;
    for (const RecordedMessageBox& box : test_recorded_message_boxes()) out.push_back(box.text);
    return out;
}

std::string UninstallTest::short_name(const std::string& folder) {
    make_directory(folder);
    char out[MAX_PATH] = {};
    DWORD n = GetShortPathNameA(folder.c_str(), out, sizeof out);
    EXPECT_GT(n, 0u) << folder;
    return out;
}
