#include "tests/unit/uninstall/lifecycle_fixture.h"

#include "common/install_record.h"
#include "install/install_sequence.h"
#include "uninstall/uninstall_ids.h"

#include <cstdio>
#include <cstring>

void LifecycleTest::SetUp() {
    WholeRunTest::SetUp();
    get_system_folders(folders);
    std::snprintf(folders.path[FOLDER_SYSTEM], PATH_BUFFER_SIZE, "%s", path("sys\\").c_str());
}

std::string LifecycleTest::record_key(const char* product) {
    return std::string(UNINSTALL_RECORDS_KEY "\\") + product;
}

int LifecycleTest::install(const std::string& target, const char* product,
                           const std::vector<ScriptedVerFind>& ver_find) {
    if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
    reset_context();
    make_directory(target);
    set_path(ctx.target_directory, target);
    std::snprintf(ctx.uninstall_key_name, sizeof ctx.uninstall_key_name, "Uninstall\\%s", product);
    select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
    load_release_like_package();
    if (!ver_find.empty()) test_script_ver_find_file(ver_find);
    return run_install_steps(PAGE);
}

int LifecycleTest::uninstall(const char* product, bool silent, RemovalReport* out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, record_key(product).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        key = nullptr;
    InstallRecord record;
    int read = read_install_record(key, folders, record);
    if (key) RegCloseKey(key);
    if (read != RECORD_READ) {
        free_install_record(record);
        return UEXIT_NO_RECORD;
    }
    RemovalReport report{};
    RemovalOptions options{ctx.instance, silent, nullptr, product};
    try {
        remove_installation(record, options, report);
    } catch (...) {   // a test's stand-in for the process being killed: nothing else ends
        free_install_record(record);
        throw;
    }
    int refused = record.refused;
    free_install_record(record);
    if (out) *out = report;
    return removal_exit_code(report, refused);
}

long LifecycleTest::use_count(const std::string& file) {
    return registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, file);
}

void LifecycleTest::set_use_count(const std::string& file, DWORD count) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, file.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(key);
}

std::vector<std::string> LifecycleTest::record_strings(const char* product) {
    std::vector<std::string> strings;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, record_key(product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return strings;
    DWORD size = 0, type = 0;
    std::vector<char> data;
    if (RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size + 1);
        RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    for (size_t at = 0; at < data.size() && data[at];) {
        strings.emplace_back(&data[at]);
        at += strings.back().size() + 1;
    }
    return strings;
}

void LifecycleTest::write_record_strings(const char* product, const std::vector<std::string>& strings) {
    std::string data;
    for (const std::string& s : strings) data += s + '\0';
    data += '\0';
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, record_key(product).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, INSTALL_RECORD_VALUE, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   (DWORD)data.size());
    RegCloseKey(key);
}
