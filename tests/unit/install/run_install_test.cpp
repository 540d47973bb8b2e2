// The whole run under Wine, in process: the real progress page (dialog 405 in the logo
// panel), a package made for the test, files, shortcuts and registry records read back.
#include "tests/unit/install/install_fixture.h"
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "install/install_sequence.h"

#include <cstring>
#include <objbase.h>
#include <shlobj.h>

namespace {

const char SETTINGS[] = "Software\\Quendlark\\Brisvane\\Main";
const char UNINSTALL[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisvane!";

std::string system_folder() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    return std::string(system) + "\\";
}

std::string program_group() {
    char path[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list) == S_OK) {
        SHGetPathFromIDListA(list, path);
        CoTaskMemFree(list);
    }
    return std::string(path) + "\\Brisvane!\\";
}

class RunInstall : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        clean();
        make_directory(path("target"));
        for (const char* d : {"ns", "ns\\Plugins", "ie", "ie\\Plugins"}) make_directory(path(d));
        set_path(ctx.target_directory, path("target\\"));
        set_path(ctx.netscape_directory, path("ns"));
        set_path(ctx.explorer_directory, path("ie\\"));
        ctx.browser_flags = BROWSER_NETSCAPE | BROWSER_EXPLORER;
        std::strcpy(ctx.uninstall_key_name, "Uninstall\\Brisvane!");
    }
    void TearDown() override {
        clean();
        if (ctx.logo_panel) DestroyWindow(ctx.logo_panel);
        ctx.logo_panel = nullptr;
        restore_setup_header();
        OleUninitialize();
        WindowTest::TearDown();
    }
    void clean() {
        SetCurrentDirectoryA("C:\\");
        DeleteFileA((system_folder() + "bvtest_run.dll").c_str());
        DeleteFileA((system_folder() + "bvtest_run.~ll").c_str());
        DeleteFileA((program_group() + "Read me.lnk").c_str());
        DeleteFileA((program_group() + "Uninstall Brisvane!.lnk").c_str());
        RemoveDirectoryA(program_group().c_str());
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Quendlark");
        delete_registry_tree(HKEY_LOCAL_MACHINE, UNINSTALL);
    }
    // The program file and its File table, loaded as start-up leaves them.
    void load(const std::vector<PackageEntry>& entries) {
        PackageSpec spec;
        spec.entries = entries;
        BuiltPackage package = build_package(spec);
        install_package(package, path("setup.exe"));
        ctx.file_table = static_cast<uint8_t*>(GlobalLock(
            ctx.file_table_block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, package.header.table_size)));
        ASSERT_NE(ctx.file_table, nullptr);
        std::memcpy(ctx.file_table, package.bytes.data() + package.header.table_offset, package.header.table_size);
    }
};

}  // namespace

TEST_F(RunInstall, PlacesEverythingThroughTheProgressPage) {
    make_panel();
    load({package_entry("bvtest_run.dll", SHARED_FLAGS, "SHARED", 2, 0, 0, 0),
          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
          package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
          package_entry("docs\\ReadMe.txt", 0x0000, "README"),
          package_entry("logo.bmp", LOGO_FLAGS, "LOGO")});

    EXPECT_EQ(run_install(), 0);
    EXPECT_EQ(read_file(system_folder() + "bvtest_run.dll"), "SHARED");
    EXPECT_FALSE(file_exists(system_folder() + "bvtest_run.~ll"));
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER");
    EXPECT_EQ(read_file(path("target\\docs\\ReadMe.txt")), "README");
    EXPECT_EQ(read_file(path("ns\\Plugins\\nptnf32.dll")), "PLUGIN");
    EXPECT_EQ(read_file(path("ie\\Plugins\\nptnf32.dll")), "PLUGIN");
    EXPECT_FALSE(file_exists(path("target\\logo.bmp")));
    EXPECT_EQ(ctx.progress_percent, 50);   // 4 of 4 + 4 units
    EXPECT_EQ(ctx.progress_page, nullptr);
    EXPECT_EQ(ctx.package_file, HFILE_ERROR);
    EXPECT_TRUE(file_exists(program_group() + "Read me.lnk"));
    EXPECT_TRUE(file_exists(program_group() + "Uninstall Brisvane!.lnk"));
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "bsr1"), path("ns\\Plugins"));
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "bsr2"), path("ie\\Plugins"));
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), path("target\\NpU32.exe"));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(RunInstall, AProgramFileThatCannotBeOpenedIsAReadErrorBeforeAnyPage) {
    make_panel();
    test_set_module_file_name(path("gone.exe").c_str());
    EXPECT_EQ(run_install(), -1);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, path("gone.exe") + ": read error!");
    EXPECT_EQ(test_recorded_message_boxes()[0].owner, ctx.backdrop_window);
    EXPECT_EQ(ctx.progress_page, nullptr);
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
}
