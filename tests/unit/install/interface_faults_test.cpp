// What the user meets at the destination: a read-only file that the package replaces (message
// 36: Abort, Retry after the flag was cleared, Ignore) and a folder that cannot be created
// (message 35: Cancel, Retry), each through a whole run of the install steps, checked on disk
// and in the registry. A file in use is proven on the host stand-in (the shared-file tests):
// Wine's version service never reports one.
//
// Wine run as root lets any file be rewritten, read-only or not; the read-only cases skip
// there and run in the non-root Wine test (tests/wine/run-as-nobody).
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/install_sequence.h"

#include <cstring>

namespace {

std::string read_only_path;   // the file whose flag the user clears while the prompt is open

class InterfaceFaults : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
        select_browsers(BROWSER_EXPLORER);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Quendlark");
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
#ifdef _WIN32
        // A window of this thread stands for the progress page (its controls are not needed).
        page_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
#else
        page_ = PAGE;
#endif
        ASSERT_NE(page_, nullptr);
    }
    void TearDown() override {
        SetFileAttributesA(path("target\\player.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Quendlark");
        delete_registry_tree(HKEY_LOCAL_MACHINE, UNINSTALL);
        delete_registry_tree(HKEY_CURRENT_USER, "Software\\Halvo");
        InstallTest::TearDown();
    }
    // True when this platform refuses to rewrite a read-only file (not Wine run as root).
    bool read_only_is_honoured() {
        std::string probe = path("probe.txt");
        write_file(probe, "x");
        SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
        HFILE f = _lcreat(probe.c_str(), 0);
        if (f != HFILE_ERROR) _lclose(f);
        SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(probe.c_str());
        return f == HFILE_ERROR;
    }
    // The read-me, a plug-in module and a library whose older copy in the target is read-only.
    void load_with_read_only_library() {
        load_package_entries({package_entry("ReadMe.txt", 0x0000, "README"),
                              package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
                              package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0)});
        write_file(path("target\\player.dll"), "OLD PLAYER");
        read_only_path = path("target\\player.dll");
        ASSERT_TRUE(SetFileAttributesA(read_only_path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    int run() {
        int result = run_install_steps(page_);
        page_ = nullptr;   // destroyed by the run
        return result;
    }
    void expect_one_prompt(const std::string& text, UINT style) {
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
        EXPECT_EQ(test_recorded_message_boxes()[0].text, text);
        EXPECT_EQ(test_recorded_message_boxes()[0].style, style);
    }
    HWND page_ = nullptr;
};

}  // namespace

TEST_F(InterfaceFaults, ReadOnlyDestinationAbortUndoesTheRun) {
    if (!read_only_is_honoured()) GTEST_SKIP() << "read-only files are rewritable here (Wine as root)";
    load_with_read_only_library();
    test_script_message_boxes({IDABORT});
    EXPECT_EQ(run(), -1);
    expect_one_prompt(path("target\\player.dll") + ": Cannot remove this file because it is write protected.",
                      BOX_WARNING_ABORT_RETRY_IGNORE);
    EXPECT_EQ(read_file(path("target\\player.dll")), "OLD PLAYER");
    EXPECT_TRUE(GetFileAttributesA(path("target\\player.dll").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(file_exists(path("target\\ReadMe.txt")));          // placed, then removed
    EXPECT_FALSE(file_exists(explorer_plugins() + "nptnf32.dll"));
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));   // retired only by a run that succeeds
}

TEST_F(InterfaceFaults, ReadOnlyDestinationRetryAfterTheFlagIsClearedWritesIt) {
    if (!read_only_is_honoured()) GTEST_SKIP() << "read-only files are rewritable here (Wine as root)";
    load_with_read_only_library();
    test_script_message_boxes({IDRETRY});
    test_on_message_box([](const RecordedMessageBox&) {
        SetFileAttributesA(read_only_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    });
    EXPECT_EQ(run(), 0);
    test_on_message_box(nullptr);
    expect_one_prompt(path("target\\player.dll") + ": Cannot remove this file because it is write protected.",
                      BOX_WARNING_ABORT_RETRY_IGNORE);
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER");
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README");
    EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.dll"), "PLUGIN");
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), path("target"));
}

TEST_F(InterfaceFaults, ReadOnlyDestinationRetryWhileStillReadOnlyAsksAgainThenIgnoreKeepsIt) {
    if (!read_only_is_honoured()) GTEST_SKIP() << "read-only files are rewritable here (Wine as root)";
    load_with_read_only_library();
    test_script_message_boxes({IDRETRY, IDIGNORE});
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(test_recorded_message_boxes().size(), 2u);
    EXPECT_EQ(read_file(path("target\\player.dll")), "OLD PLAYER");   // Ignore: the old file stays
    EXPECT_TRUE(GetFileAttributesA(path("target\\player.dll").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README");
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), path("target"));
}

TEST_F(InterfaceFaults, AFolderThatCannotBeCreatedCancelUndoesTheRunRetryAsksAgain) {
    for (bool retry_first : {false, true}) {
        SCOPED_TRACE(retry_first ? "Retry, then Cancel" : "Cancel");
        load_package_entries({package_entry("ReadMe.txt", 0x0000, "README"),
                              package_entry("docs\\guide.txt", 0x0000, "GUIDE")});
        write_file(path("target\\docs"), "a file where the folder should be");
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
        test_reset_platform();
        test_set_module_file_name(path("setup.exe").c_str());
        test_script_message_boxes(retry_first ? std::vector<int>{IDRETRY, IDCANCEL} : std::vector<int>{IDCANCEL});
        EXPECT_EQ(run(), -1);
        ASSERT_EQ(test_recorded_message_boxes().size(), retry_first ? 2u : 1u);
        for (const auto& box : test_recorded_message_boxes()) {
            EXPECT_EQ(box.text, path("target\\docs\\guide.txt") + ": write error!");
            EXPECT_EQ(box.style, BOX_WARNING_RETRY_CANCEL);
        }
        EXPECT_FALSE(file_exists(path("target\\ReadMe.txt")));
        EXPECT_EQ(read_file(path("target\\docs")), "a file where the folder should be");
        EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
        DeleteFileA(path("target\\docs").c_str());
        release_context();
        start_next_run(BROWSER_EXPLORER);
#ifdef _WIN32
        page_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
#else
        page_ = PAGE;
#endif
    }
    if (page_) DestroyWindow(page_);
}
