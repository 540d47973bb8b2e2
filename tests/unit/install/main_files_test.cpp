// The main copy step and its undoing: regular files, the plug-in module per browser, the
// read-me name, and what a stop at each entry leaves behind.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/main_files.h"
#include "install/pending_files.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
#include "tests/support/make_pe.h"

namespace {

class MainFiles : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        ctx.progress_page = PAGE;
    }
};

}  // namespace

TEST_F(MainFiles, RegularEntriesGoToTheTargetDirectoryUnlessNewerThere) {
    load_package_entries({package_entry("logo.bmp", LOGO_FLAGS, "LOGO"),
                          package_entry("shared.dll", SHARED_FLAGS, "SHARED", 1, 0, 0, 0),
                          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
                          package_entry("kept.dll", REGULAR_FLAGS, "KEPT", 2, 0, 0, 0),
                          package_entry("same.dll", REGULAR_FLAGS, "SAME", 2, 0, 0, 0),
                          package_entry("data\\sub\\movie.tfn", 0x0000, "MOVIE")});
    write_file(path("target\\kept.dll"), make_pe_with_version(2, 0, 0, 1));
    write_file(path("target\\same.dll"), make_pe_with_version(2, 0, 0, 0));
    ctx.progress_total = 9;

    EXPECT_EQ(install_main_files(), STATUS_OK);
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER");
    EXPECT_EQ(read_file(path("target\\kept.dll")), make_pe_with_version(2, 0, 0, 1));
    // Equal versions are written: under the temporary name, the old copy kept until the commit.
    EXPECT_EQ(read_file(path("target\\same.dll")), make_pe_with_version(2, 0, 0, 0));
    EXPECT_EQ(read_file(path("target\\same.~ll")), "SAME");
    EXPECT_EQ(read_file(path("target\\data\\sub\\movie.tfn")), "MOVIE");
    EXPECT_FALSE(file_exists(path("target\\logo.bmp")));
    EXPECT_FALSE(file_exists(path("target\\shared.dll")));
    EXPECT_EQ(ctx.progress_done, 4u);   // the four regular entries, kept or written
    EXPECT_EQ(host_last_progress_percent(), 44);
    const bool placed[] = {false, false, true, false, false, true};   // the files this run created
    for (int i = 0; i < 6; ++i) EXPECT_EQ((entry_flags(entry(i)) & ENTRY_PLACED) != 0, placed[i]) << i;

    // Undone: what the run created is gone, what it was replacing is as it was.
    remove_placed_files();
    discard_pending_files();
    EXPECT_FALSE(file_exists(path("target\\player.dll")));
    EXPECT_EQ(read_file(path("target\\same.dll")), make_pe_with_version(2, 0, 0, 0));
    EXPECT_FALSE(file_exists(path("target\\same.~ll")));
    EXPECT_FALSE(file_exists(path("target\\data\\sub\\movie.tfn")));
    EXPECT_TRUE(file_exists(path("target\\kept.dll")));
}

TEST_F(MainFiles, TheReadMeIsTheLastTextEntryInTableOrderWrittenOrNot) {
    load_package_entries({package_entry("first.txt", REGULAR_FLAGS, "1", 1, 0, 0, 0),
                          package_entry("docs\\Second.TXT", REGULAR_FLAGS, "2", 1, 0, 0, 0),
                          package_entry("notes.txt.bak", 0x0000, "3"),
                          package_entry("shared.txt", SHARED_FLAGS, "4", 1, 0, 0, 0)});
    make_directory(path("target\\docs"));
    write_file(path("target\\docs\\Second.TXT"), make_pe_with_version(9, 0, 0, 0));
    EXPECT_EQ(install_main_files(), STATUS_OK);
    EXPECT_STREQ(ctx.readme_file_name, "docs\\Second.TXT");
    EXPECT_EQ(read_file(path("target\\docs\\Second.TXT")), make_pe_with_version(9, 0, 0, 0));
}

TEST_F(MainFiles, ThePlugInModuleGoesToEachSelectedBrowserByVersion) {
    struct Case {
        const char* label;
        unsigned browsers;
        std::string netscape_copy, explorer_copy;   // installed before, "" for none
        bool netscape_written, explorer_written;
    };
    const std::string newer = make_pe_with_version(3, 0, 0, 0), older = make_pe_with_version(1, 0, 0, 0);
    const Case cases[] = {
        {"only Explorer", BROWSER_EXPLORER, "", "", false, true},
        {"only Navigator", BROWSER_NETSCAPE, "", "", true, false},
        {"both, none installed", BROWSER_NETSCAPE | BROWSER_EXPLORER, "", "", true, true},
        {"both, Navigator's newer", BROWSER_NETSCAPE | BROWSER_EXPLORER, newer, older, false, true},
        {"both, Explorer's newer", BROWSER_NETSCAPE | BROWSER_EXPLORER, older, newer, true, false},
    };
    load_package_entries({package_entry("NPTNF32.DLL", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        select_browsers(c.browsers);
        DeleteFileA((netscape_plugins() + "nptnf32.dll").c_str());
        DeleteFileA((explorer_plugins() + "nptnf32.dll").c_str());
        if (!c.netscape_copy.empty()) write_file(netscape_plugins() + "nptnf32.dll", c.netscape_copy);
        if (!c.explorer_copy.empty()) write_file(explorer_plugins() + "nptnf32.dll", c.explorer_copy);
        entry_clear_flag(entry(0), ENTRY_PLACED);
        forget_pending_list();

        // Written: under its name where there was none, otherwise under the temporary name
        // with the old copy kept until the commit.
        auto final_copy = [](bool written, const std::string& copy) {
            return written && copy.empty() ? std::string("PLUGIN") : copy.empty() ? std::string("<missing>") : copy;
        };
        auto temporary_copy = [](bool written, const std::string& copy) {
            return written && !copy.empty() ? std::string("PLUGIN") : std::string("<missing>");
        };
        EXPECT_EQ(install_main_files(), STATUS_OK);
        EXPECT_FALSE(file_exists(target() + "nptnf32.dll"));
        EXPECT_EQ(read_file(netscape_plugins() + "nptnf32.dll"), final_copy(c.netscape_written, c.netscape_copy));
        EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.dll"), final_copy(c.explorer_written, c.explorer_copy));
        EXPECT_EQ(read_file(netscape_plugins() + "nptnf32.~ll"), temporary_copy(c.netscape_written, c.netscape_copy));
        EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.~ll"), temporary_copy(c.explorer_written, c.explorer_copy));

        // Undoing removes only the copies this run created and puts back what it was
        // replacing: every browser keeps the module it had.
        remove_placed_files();
        discard_pending_files();
        EXPECT_EQ(read_file(netscape_plugins() + "nptnf32.dll"), c.netscape_copy.empty() ? "<missing>" : c.netscape_copy);
        EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.dll"), c.explorer_copy.empty() ? "<missing>" : c.explorer_copy);
        EXPECT_FALSE(file_exists(netscape_plugins() + "nptnf32.~ll"));
        EXPECT_FALSE(file_exists(explorer_plugins() + "nptnf32.~ll"));
    }
}

TEST_F(MainFiles, AFailedNavigatorCopyEndsTheStepBeforeExplorer) {
    load_package_entries({package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
                          package_entry("after.dll", REGULAR_FLAGS, "AFTER", 2, 0, 0, 0)});
    select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
    set_path(ctx.netscape_directory, path("gone\\Plugins\\"));   // cannot be created
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(install_main_files(), STATUS_CANCELLED);
    EXPECT_FALSE(file_exists(explorer_plugins() + "nptnf32.dll"));
    EXPECT_FALSE(file_exists(path("target\\after.dll")));
    EXPECT_EQ(ctx.progress_done, 0u);
}

TEST_F(MainFiles, AStopAtEachEntryLeavesNothingAfterTheCleanUp) {
    load_package_entries({package_entry("a.dll", REGULAR_FLAGS, "A", 1, 0, 0, 0),
                          package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 1, 0, 0, 0),
                          package_entry("b.txt", 0x0000, "B")});
    for (long stop = 1; stop <= 4; ++stop) {
        SCOPED_TRACE(stop);
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        for (int i = 0; i < 3; ++i) entry_clear_flag(entry(i), ENTRY_PLACED);
        ctx.page_result = 0;
        ctx.progress_done = 0;
        host_stop_at_poll(stop);
        EXPECT_EQ(install_main_files(), stop <= 3 ? STATUS_STOPPED : STATUS_OK);
        EXPECT_EQ(ctx.progress_done, (uint32_t)(stop - 1));
        EXPECT_EQ(file_exists(path("target\\a.dll")), stop > 1);
        EXPECT_EQ(file_exists(netscape_plugins() + "nptnf32.dll"), stop > 2);
        EXPECT_EQ(file_exists(explorer_plugins() + "nptnf32.dll"), stop > 2);
        EXPECT_EQ(file_exists(path("target\\b.txt")), stop > 3);
        remove_placed_files();
        EXPECT_FALSE(file_exists(path("target\\a.dll")));
        EXPECT_FALSE(file_exists(netscape_plugins() + "nptnf32.dll"));
        EXPECT_FALSE(file_exists(explorer_plugins() + "nptnf32.dll"));
        EXPECT_FALSE(file_exists(path("target\\b.txt")));
    }
}

TEST_F(MainFiles, UndoingWorksWhenMemoryHasRunOut) {
    load_package_entries({package_entry("a.dll", REGULAR_FLAGS, "A", 1, 0, 0, 0)});
    ASSERT_EQ(install_main_files(), STATUS_OK);
    test_fail_allocation(1);
    remove_placed_files();
    EXPECT_FALSE(file_exists(path("target\\a.dll")));
}

TEST_F(MainFiles, NoMemoryToReadAnInstalledVersionKeepsTheInstalledCopy) {
    load_package_entries({package_entry("a.dll", REGULAR_FLAGS, "OLDER", 1, 0, 0, 0)});
    write_file(path("target\\a.dll"), make_pe_with_version(9, 0, 0, 0));
    test_fail_allocation(1);   // the version block of the installed copy
    EXPECT_EQ(install_main_files(), MSG_NO_MEMORY);
    EXPECT_EQ(read_file(path("target\\a.dll")), make_pe_with_version(9, 0, 0, 0));
    EXPECT_FALSE(entry_flags(entry(0)) & ENTRY_PLACED);
}

TEST_F(MainFiles, AFailedEntryLeavesNoTornFile) {
    // A stored block that claims more bytes than follow: the input ends inside the stream.
    PackageEntry torn = package_entry("torn.dll", REGULAR_FLAGS, "TORN", 1, 0, 0, 0);
    torn.data = std::string("\x0F\x00\x10", 3) + std::string(100, 'x');
    load_package_entries({package_entry("first.txt", 0x0000, "FIRST"), torn});
    write_file(path("target\\torn.dll"), "the old copy");
    EXPECT_EQ(install_main_files(), MSG_INVALID_DATA);   // the stream ends too soon
    // Neither torn nor passed as complete, and the copy it was replacing is untouched.
    EXPECT_EQ(read_file(path("target\\torn.dll")), "the old copy");
    EXPECT_FALSE(file_exists(path("target\\torn.~ll")));
    EXPECT_FALSE(entry_flags(entry(1)) & ENTRY_PLACED);
    remove_placed_files();
    EXPECT_FALSE(file_exists(path("target\\first.txt")));
}
