// The settings and uninstall records, and the removal of the old publisher's keys.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/registry_records.h"

#ifndef _WIN32
#include "platform/host/host_control.h"
#endif

#include <cstring>

namespace {

class RegistryRecords : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The parents every Windows installation has.
        set_registry_string(HKEY_CURRENT_USER, "Software\\BvTestSeed", "x", "x");
        set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\BvTestSeed", "x", "x");
        std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
        clean();
    }
    void TearDown() override {
        clean();
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\BvTestSeed");
        delete_registry_tree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\BvTestSeed");
        PlatformTest::TearDown();
    }
    void clean() {
        // Children first: the host's registry deletes only keys without subkeys.
        for (const char* key : {SETTINGS, "Software\\Quendlark\\Brisvane",
                                "Software\\Quendlark"})
            RegDeleteKeyA(HKEY_CURRENT_USER, key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Quendlark");
        delete_registry_tree(HKEY_LOCAL_MACHINE, UNINSTALL);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Halvo");
        delete_registry_tree(HKEY_LOCAL_MACHINE, "Software\\Halvo");
    }
};

}  // namespace

TEST_F(RegistryRecords, WritesBothRecordsWithTheDirectoriesWithoutBackslash) {
    struct Case {
        const char* label;
        std::string target, netscape, explorer;
        std::string cur_dir, bsr1, bsr2, uninstall;
    };
    const Case cases[] = {
        {"both browsers", "C:\\Program Files\\Brisvane\\", "C:\\NS\\Program\\Plugins\\", "C:\\IE\\Plugins\\",
         "C:\\Program Files\\Brisvane", "C:\\NS\\Program\\Plugins", "C:\\IE\\Plugins",
         "\"C:\\Program Files\\Brisvane\\NpU32.exe\""},
        {"only Explorer: Navigator's directory as detection left it", "C:\\Bv\\", "C:\\NS\\Program\\",
         "C:\\IE\\Plugins\\", "C:\\Bv", "C:\\NS\\Program", "C:\\IE\\Plugins", "\"C:\\Bv\\NpU32.exe\""},
        {"no Navigator at all", "C:\\Bv\\", "", "C:\\IE\\Plugins\\", "C:\\Bv", "", "C:\\IE\\Plugins",
         "\"C:\\Bv\\NpU32.exe\""},
        {"drive root keeps its backslash", "D:\\", "", "C:\\IE\\Plugins\\", "D:\\", "", "C:\\IE\\Plugins",
         "\"D:\\NpU32.exe\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        clean();
        set_path(ctx.target_directory, c.target);
        set_path(ctx.netscape_directory, c.netscape);
        set_path(ctx.explorer_directory, c.explorer);
        write_registry_records();
        EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), c.cur_dir);
        EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "bsr1"), c.bsr1);
        EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "bsr2"), c.bsr2);
        EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayName"), "Brisvane!");
        EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), c.uninstall);
        // The Install context keeps its paths as they were.
        EXPECT_EQ(std::string(ctx.target_directory), c.target);
        EXPECT_EQ(std::string(ctx.netscape_directory), c.netscape);
        EXPECT_EQ(std::string(ctx.explorer_directory), c.explorer);
    }
}

TEST_F(RegistryRecords, StringsAreStoredWithTheirTerminator) {
    set_path(ctx.target_directory, "C:\\Bv\\");
    write_registry_records();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "CurDir", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 6u);
    RegCloseKey(key);
}

TEST_F(RegistryRecords, TheOldPublishersKeysAreDeletedChildrenFirst) {
    set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
    set_registry_string(HKEY_CURRENT_USER, "Software\\Halvo\\Brisvane", "v", "1");
    set_registry_string(HKEY_CURRENT_USER, "Software\\Halvo\\Other", "keep", "1");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Halvo\\Brisvane\\1.0", "v", "1");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Halvo\\Brisvane\\2.0", "v", "2");
    delete_old_registry_keys();
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, "Software\\Halvo\\Brisvane"));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, "Software\\Halvo\\Brisvane"));
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, "Software\\Halvo\\Other", "keep"), "1");
    delete_old_registry_keys();   // none left: nothing happens
}

#ifndef _WIN32
TEST_F(RegistryRecords, ARefusedRootLosesOnlyItsOwnRecord) {
    set_path(ctx.target_directory, "C:\\Bv\\");
    host_deny_registry_writes(HKEY_LOCAL_MACHINE, true);
    write_registry_records();
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), "C:\\Bv");
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL));
    host_deny_registry_writes(HKEY_LOCAL_MACHINE, false);

    clean();
    host_deny_registry_writes(HKEY_CURRENT_USER, true);
    write_registry_records();
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), "\"C:\\Bv\\NpU32.exe\"");
    host_deny_registry_writes(HKEY_CURRENT_USER, false);
}
#endif
