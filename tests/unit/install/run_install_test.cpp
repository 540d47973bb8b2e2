// The whole run under Wine, in process: the real progress page (dialog 405 in the logo
// panel), a package made for the test, files, shortcuts and registry records read back.
#include "tests/unit/install/install_fixture.h"
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "install/install_sequence.h"
#include "resources/resource_ids.h"

#include <cstring>
#include <objbase.h>
#include <shlobj.h>

namespace {

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
        std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
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
        PackageLayout layout;
        layout.entries = entries;
        BuiltPackage package = build_package(layout);
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
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), "\"" + path("target\\NpU32.exe") + "\"");
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

namespace {

// The user presses Cancel on the progress page when the `cancel_at`-th file name is shown
// (0: as soon as the page exists) and answers the halt question with `answer`. A call-window
// hook sees the file-name field change; a CBT hook answers the question when it opens.
int cancel_at = 0;
int names_shown = 0;
int halt_answer = CTL_HALT_YES;
int halt_questions = 0;
HHOOK call_hook = nullptr, cbt_hook = nullptr;

void press_cancel() { PostMessageA(ctx.progress_page, WM_COMMAND, MAKEWPARAM(CTL_QUIT, BN_CLICKED), 0); }

LRESULT CALLBACK on_call(int code, WPARAM wparam, LPARAM lparam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && ctx.progress_page &&
        GetParent(call->hwnd) == ctx.progress_page && GetDlgCtrlID(call->hwnd) == CTL_PROGRESS_FILE &&
        ++names_shown == cancel_at)
        press_cancel();
    return CallNextHookEx(call_hook, code, wparam, lparam);
}

LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
    HWND window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_CREATEWND && cancel_at == 0 && !ctx.progress_page) {
        // The first window the run creates is its progress page: Cancel is queued at once.
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lparam);
        if (create->lpcs->hwndParent == ctx.logo_panel)
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(CTL_QUIT, BN_CLICKED), 0);
    }
    // The halt question: its owner is the page's top-level ancestor, so it is known by its
    // buttons.
    if (code == HCBT_ACTIVATE && ctx.progress_page && GetDlgItem(window, CTL_HALT_YES) &&
        GetDlgItem(window, CTL_HALT_NO)) {
        ++halt_questions;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(halt_answer, BN_CLICKED), 0);
    }
    return CallNextHookEx(cbt_hook, code, wparam, lparam);
}

// Runs the whole install, pressing Cancel at the `at`-th file name and answering the halt
// question with `answer`. Returns run_install's result.
int run_install_cancelling(int at, int answer) {
    cancel_at = at;
    names_shown = halt_questions = 0;
    halt_answer = answer;
    call_hook = SetWindowsHookExA(WH_CALLWNDPROC, on_call, nullptr, GetCurrentThreadId());
    cbt_hook = SetWindowsHookExA(WH_CBT, on_cbt, nullptr, GetCurrentThreadId());
    int result = run_install();
    UnhookWindowsHookEx(call_hook);
    UnhookWindowsHookEx(cbt_hook);
    return result;
}

}  // namespace

TEST_F(RunInstall, CancelAtTheStartMiddleAndEndOfTheCopyLeavesNothing) {
    // Names shown: 1 the shared library, 2 player.dll, 3 and 4 the plug-in module for each
    // browser, 5 the read-me. Cancel after the 5th is taken at the poll before the logo entry,
    // after every file was written.
    for (int at : {0, 1, 3, 5}) {
        SCOPED_TRACE(at);
        make_panel();
        load({package_entry("bvtest_run.dll", SHARED_FLAGS, "SHARED", 2, 0, 0, 0),
              package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
              package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
              package_entry("docs\\ReadMe.txt", 0x0000, "README"),
              package_entry("logo.bmp", LOGO_FLAGS, "LOGO")});
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
        int result = run_install_cancelling(at, CTL_HALT_YES);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(halt_questions, 1);
        EXPECT_TRUE(test_recorded_message_boxes().empty());   // the user stopped: no message
        EXPECT_FALSE(file_exists(system_folder() + "bvtest_run.dll"));
        EXPECT_FALSE(file_exists(system_folder() + "bvtest_run.~ll"));
        EXPECT_FALSE(file_exists(path("target\\player.dll")));
        EXPECT_FALSE(file_exists(path("target\\docs\\ReadMe.txt")));
        EXPECT_FALSE(file_exists(path("ns\\Plugins\\nptnf32.dll")));
        EXPECT_FALSE(file_exists(path("ie\\Plugins\\nptnf32.dll")));
        EXPECT_FALSE(file_exists(program_group() + "Read me.lnk"));
        EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
        EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL));
        // The earlier publisher's keys are retired only by a run that succeeds.
        EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
        EXPECT_EQ(ctx.progress_page, nullptr);
        EXPECT_EQ(ctx.package_file, HFILE_ERROR);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Halvo");
        DestroyWindow(ctx.logo_panel);
        ctx.logo_panel = nullptr;
        GlobalUnlock(ctx.file_table_block);
        GlobalFree(ctx.file_table_block);
        ctx.file_table_block = nullptr;
        ctx.file_table = nullptr;
        set_path(ctx.netscape_directory, path("ns"));
        set_path(ctx.explorer_directory, path("ie\\"));
        test_reset_platform();
    }
}

TEST_F(RunInstall, CancelAnsweredNoGoesOnToTheEnd) {
    make_panel();
    load({package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
          package_entry("docs\\ReadMe.txt", 0x0000, "README")});
    int result = run_install_cancelling(1, CTL_HALT_NO);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(halt_questions, 1);
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER");
    EXPECT_EQ(read_file(path("target\\docs\\ReadMe.txt")), "README");
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), path("target"));
}
