// The install sequence on the host: the steps in order, success with commit, shortcuts and
// records, and the clean-up after a stop, a cancelled prompt or a missing progress page.
#include "tests/unit/install/install_fixture.h"
#include "tests/unit/install/killed_run.h"

#include "common/install_journal.h"
#include "common/status.h"
#include "install/install_sequence.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
#include "tests/support/make_pe.h"

#include <cstring>
#include <string>

namespace {

class InstallSequence : public WholeRunTest {
protected:
    void SetUp() override {
        WholeRunTest::SetUp();
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
    }
    // No file and no settings of this run: neither temporary nor final copies.
    void expect_no_file_of_this_run() {
        EXPECT_FALSE(file_exists(path("sys\\Shared.~ll")));
        EXPECT_FALSE(file_exists(path("sys\\Shared.dll")));
        EXPECT_FALSE(file_exists(path("target\\player.dll")));
        EXPECT_FALSE(file_exists(path("target\\ReadMe.txt")));
        EXPECT_FALSE(file_exists(netscape_plugins() + "nptnf32.dll"));
        EXPECT_FALSE(file_exists(explorer_plugins() + "nptnf32.dll"));
        EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
    }
    void expect_nothing_left_but_the_old_files() {
        expect_no_file_of_this_run();
        EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL));
        EXPECT_EQ(host_shortcut_runs(), 0);
        EXPECT_EQ(host_destroyed_windows(), 1);
        EXPECT_EQ(ctx.package_file, HFILE_ERROR);
        EXPECT_EQ(ctx.progress_page, nullptr);
    }
};

}  // namespace

TEST_F(InstallSequence, ASuccessfulRunCommitsMakesShortcutsAndWritesTheRecords) {
    load_release_like_package();
    write_file(path("sys\\Shared.dll"), "old shared");
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(read_file(path("sys\\Shared.dll")), "SHARED");
    EXPECT_FALSE(file_exists(path("sys\\Shared.~ll")));
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER");
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README");
    EXPECT_EQ(read_file(netscape_plugins() + "nptnf32.dll"), "PLUGIN");
    EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.dll"), "PLUGIN");
    EXPECT_FALSE(file_exists(path("target\\logo.bmp")));
    EXPECT_STREQ(ctx.readme_file_name, "ReadMe.txt");
    // Four installable entries out of a total of 8: the bar ends at 50 %, never 100 %.
    EXPECT_EQ(ctx.progress_total, 8u);
    EXPECT_EQ(host_last_progress_percent(), 50);
    EXPECT_EQ(host_shortcut_runs(), 1);
    EXPECT_EQ(host_destroyed_windows(), 1);
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), path("target"));
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "UninstallString"), "\"" + target() + "NpU32.exe\"");
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(ctx.package_file, HFILE_ERROR);
}

TEST_F(InstallSequence, AStopAtEachPollLeavesNothingOfThisRun) {
    // Polls: 1 to 5 in the shared step (one per entry), 6 to 10 in the main step.
    for (long stop = 1; stop <= 10; ++stop) {
        SCOPED_TRACE(stop);
        start_next_run();
        load_release_like_package();
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
        test_script_message_boxes({});
        host_stop_at_poll(stop);
        int destroyed_before = host_destroyed_windows();
        EXPECT_EQ(run_install_steps(PAGE), -1);
        EXPECT_EQ(host_destroyed_windows(), destroyed_before + 1);
        EXPECT_EQ(host_shortcut_runs(), 0);
        expect_no_file_of_this_run();
        // The earlier publisher's keys are retired only by a run that succeeds.
        EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
        EXPECT_TRUE(test_recorded_message_boxes().empty());   // the user stopped: no message
        EXPECT_EQ(ctx.package_file, HFILE_ERROR);
        if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
        ctx.page_result = 0;
        host_stop_at_poll(0);
    }
}

TEST_F(InstallSequence, CancelAtTheInUsePromptEndsTheRunWithoutAnEmptyMessage) {
    load_package_entries({package_entry("Shared.dll", SHARED_FLAGS, "SHARED", 2, 0, 0, 0),
                          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0)});
    write_file(path("sys\\Shared.dll"), make_pe_with_version(1, 0, 0, 0));
    test_script_ver_find_file({{VFF_FILEINUSE, path("sys"), path("sys")}});
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(run_install_steps(PAGE), -1);
    // Only the prompt itself: status 2 has no catalogue text, so no second, empty box.
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, "Shared.dll in use! Please, close all applications and retry.");
    EXPECT_FALSE(file_exists(path("target\\player.dll")));
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));   // the main part never ran
}

TEST_F(InstallSequence, CancelAtTheWritePromptRemovesWhatWasPlacedWithoutAnEmptyMessage) {
    load_package_entries({package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
                          package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0)});
    set_path(ctx.explorer_directory, path("gone\\Plugins\\"));   // cannot be created
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(run_install_steps(PAGE), -1);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].style, BOX_WARNING_RETRY_CANCEL);
    EXPECT_FALSE(file_exists(path("target\\player.dll")));
    EXPECT_FALSE(file_exists(netscape_plugins() + "nptnf32.dll"));
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));   // retired only by a run that succeeds
}

TEST_F(InstallSequence, NoMemoryForTheSharedStepIsReportedOnceAfterTheCleanUp) {
    load_release_like_package();
    ctx.backdrop_window = reinterpret_cast<HWND>(0xBD);
    test_fail_allocation(1);   // the shared step's work buffers
    EXPECT_EQ(run_install_steps(PAGE), -1);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, "Not enough memory!");
    EXPECT_EQ(test_recorded_message_boxes()[0].owner, ctx.backdrop_window);
    expect_nothing_left_but_the_old_files();
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
}

TEST_F(InstallSequence, NoProgressPageReportsAWindowProblemAndClosesTheProgramFile) {
    load_release_like_package();
    EXPECT_EQ(run_install_steps(nullptr), -1);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, "Window problem...");
    EXPECT_EQ(ctx.package_file, HFILE_ERROR);
    EXPECT_EQ(host_poll_count(), 0);
    EXPECT_EQ(host_destroyed_windows(), 0);
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
}

TEST_F(InstallSequence, AnEmptyPackageStillEndsWithShortcutsAndRecords) {
    load_package_entries({package_entry("logo.bmp", LOGO_FLAGS, "LOGO")});
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(ctx.progress_total, 4u);
    EXPECT_EQ(host_last_progress_percent(), 0);
    EXPECT_EQ(host_shortcut_runs(), 1);
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayName"), "Brisvane!");
}

TEST_F(InstallSequence, CountingClearsThePlacedMarksAndSkipsTheLogo) {
    load_release_like_package();
    for (int i = 0; i < 5; ++i) entry_set_flag(entry(i), ENTRY_PLACED);
    count_install_units();
    EXPECT_EQ(ctx.progress_total, 8u);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(entry_flags(entry(i)) & ENTRY_PLACED) << i;
}

using OpenInstallPackage = InstallTest;

TEST_F(OpenInstallPackage, SelectedBrowsersGetTheirPlugInDirectory) {
    struct Case {
        unsigned browsers;
        const char* netscape;
        const char* explorer;
    };
    const Case cases[] = {
        {BROWSER_NETSCAPE | BROWSER_EXPLORER, "C:\\NS\\Plugins\\", "C:\\IE\\Plugins\\"},
        {BROWSER_EXPLORER, "C:\\NS", "C:\\IE\\Plugins\\"},
        {BROWSER_NETSCAPE, "C:\\NS\\Plugins\\", "C:\\IE\\"},
    };
    load_package_entries({});
    _lclose(ctx.package_file);
    for (const Case& c : cases) {
        set_path(ctx.netscape_directory, "C:\\NS");
        set_path(ctx.explorer_directory, "C:\\IE\\");
        ctx.browser_flags = c.browsers;
        ASSERT_EQ(open_install_package(), STATUS_OK);
        EXPECT_STREQ(ctx.netscape_directory, c.netscape);
        EXPECT_STREQ(ctx.explorer_directory, c.explorer);
        EXPECT_EQ(std::string(ctx.program_path), path("setup.exe"));
        EXPECT_EQ(std::string(ctx.error_file_name), path("setup.exe"));
        EXPECT_NE(ctx.package_file, HFILE_ERROR);
        _lclose(ctx.package_file);
    }
    ctx.package_file = HFILE_ERROR;
}

TEST_F(OpenInstallPackage, AMissingProgramFileIsAReadError) {
    test_set_module_file_name(path("gone.exe").c_str());
    EXPECT_EQ(open_install_package(), MSG_READ_ERROR);
    EXPECT_EQ(ctx.package_file, HFILE_ERROR);
    EXPECT_EQ(std::string(ctx.error_file_name), path("gone.exe"));
}

// The target folders the Directory check made for this run (a chain of two new ones) are the
// run's own: killed at any step after the run began, the next run's recovery removes them; a
// run that fails removes them itself; a run that succeeds keeps them.
TEST_F(InstallSequence, TargetFoldersMadeForTheRunGoWithAKilledOrFailedRun) {
    auto prepare = [&] {
        reset_context();
        std::strcpy(ctx.uninstall_key_name, "Uninstall\\Brisvane!");
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        load_release_like_package();
        make_directory(path("new"));
        make_directory(path("new\\target"));
        set_path(ctx.target_directory, path("new\\target\\"));
        set_path(ctx.created_directory, path("new\\target"));
        ctx.created_top_length = (int)path("new").size();
    };
    // Step 1 is the journal's write of them (a kill before it finds no journal: the folders,
    // made before the run began, are then left, empty); every later step is covered.
    for (long step = 2; step <= 4; ++step) {
        SCOPED_TRACE("killed at file step " + std::to_string(step));
        prepare();
        ASSERT_TRUE(run_install_steps_killed_at(step));
        EXPECT_TRUE(recover_killed_run());
        EXPECT_EQ(GetFileAttributesA(path("new").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // Failed: a stop at the first poll.
    prepare();
    host_stop_at_poll(1);
    EXPECT_EQ(run_install_steps(PAGE), -1);
    EXPECT_EQ(GetFileAttributesA(path("new").c_str()), INVALID_FILE_ATTRIBUTES);
    // Succeeded: the folders stay, with the files.
    prepare();
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(read_file(path("new\\target\\player.dll")), "PLAYER");
}
