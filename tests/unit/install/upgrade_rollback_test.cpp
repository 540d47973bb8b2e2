// An upgrade over an existing installation that fails, is cancelled or is refused part-way
// puts back every file it was replacing, byte for byte; the commit either replaces a file or
// leaves the old copy; Ignore at the write-protected prompt writes and deletes nothing; a file
// of someone else's at a temporary name is kept and never committed; extension files that fail their test
// are replaced or removed only by a run that succeeds.
#include "tests/unit/install/install_fixture.h"

#include "common/install_journal.h"
#include "common/status.h"
#include "install/install_sequence.h"
#include "install/main_files.h"
#include "install/pending_files.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
#include "tests/support/make_pe.h"

#include <cstring>
#include <utility>
#include <vector>
#include <map>
#include <string>

namespace {

class UpgradeRollback : public InstallTest {
protected:
    // Version 1 installed: the player library, the read-me, the plug-in module in both
    // browsers' Plugins folders and a shared library; the package brings version 2.
    void SetUp() override {
        InstallTest::SetUp();
        std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
        make_directory(path("sys"));
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        previous_ = {{"target\\player.dll", make_pe_with_version(1, 0, 0, 0)},
                     {"target\\ReadMe.txt", "README 1"},
                     {"ns\\Plugins\\nptnf32.dll", make_pe_with_version(1, 0, 0, 0)},
                     {"ie\\Plugins\\nptnf32.dll", make_pe_with_version(1, 0, 0, 0)},
                     {"sys\\Shared.dll", make_pe_with_version(1, 0, 0, 0)},
                     {"sys\\Common.ocx", "COMMON 1"},
                     // Extension files that fail their test (no checksum at all): one claims a
                     // newer version than the package's copy, one the package does not bring.
                     {"target\\npanim.cox", make_pe_with_version(3, 0, 0, 0)},
                     {"target\\npbrush.mox", "DAMAGED BRUSH"}};
        for (const auto& [name, bytes] : previous_) write_file(path(name.c_str()), bytes);
        DeleteFileA(path("target\\extra.dat").c_str());
        load_package_entries({package_entry("Shared.dll", SHARED_FLAGS, "SHARED 2", 2, 0, 0, 0),
                              package_entry("Common.ocx", SHARED_FLAGS, "COMMON 2", 2, 0, 0, 0),
                              package_entry("player.dll", REGULAR_FLAGS, "PLAYER 2", 2, 0, 0, 0),
                              package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN 2", 2, 0, 0, 0),
                              package_entry("ReadMe.txt", 0x0000, "README 2"),
                              package_entry("extra.dat", 0x0000, "NEW IN 2"),
                              package_entry("npanim.cox", REGULAR_FLAGS, "ANIM 2", 2, 0, 0, 0)});
        test_script_ver_find_file({{0, path("sys"), path("sys")}, {0, path("sys"), path("sys")}});
        test_script_message_boxes({});
    }

    void expect_previous_version() {
        for (const auto& [name, bytes] : previous_) EXPECT_EQ(read_file(path(name.c_str())), bytes) << name;
        EXPECT_FALSE(file_exists(path("target\\extra.dat")));
        for (const char* temp : {"sys\\Shared.~ll", "sys\\Common.ocx~", "target\\player.~ll",
                                 "target\\ReadMe.txt~", "ns\\Plugins\\nptnf32.~ll", "ie\\Plugins\\nptnf32.~ll",
                                 "target\\npanim.cox~"})
            EXPECT_FALSE(file_exists(path(temp))) << temp;
    }

    std::map<std::string, std::string> previous_;
};

}  // namespace

TEST_F(UpgradeRollback, AStopAtEveryPollPutsBackTheWholePreviousVersion) {
    // Polls 1 and 2 in the shared step, 3 to 7 in the main step (one per entry).
    for (long stop = 1; stop <= 7; ++stop) {
        SCOPED_TRACE(stop);
        SetUp();
        host_stop_at_poll(stop);
        EXPECT_EQ(run_install_steps(PAGE), -1);
        expect_previous_version();
    }
}

TEST_F(UpgradeRollback, ADamagedLaterEntryPutsBackTheWholePreviousVersion) {
    // The last entry's data fails to read: everything replaced before it comes back.
    long reads_before = host_read_count();
    EXPECT_EQ(run_install_steps(PAGE), 0);   // a clean run, to count its reads
    long reads = host_read_count() - reads_before;
    SetUp();
    host_fail_read(reads);   // the run's last read fails
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(run_install_steps(PAGE), -1);
    expect_previous_version();
}

TEST_F(UpgradeRollback, ASuccessfulUpgradeLeavesTheNewSetAndNoTemporaryCopy) {
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(read_file(path("target\\player.dll")), "PLAYER 2");
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README 2");
    EXPECT_EQ(read_file(path("target\\extra.dat")), "NEW IN 2");
    EXPECT_EQ(read_file(netscape_plugins() + "nptnf32.dll"), "PLUGIN 2");
    EXPECT_EQ(read_file(explorer_plugins() + "nptnf32.dll"), "PLUGIN 2");
    EXPECT_EQ(read_file(path("sys\\Shared.dll")), "SHARED 2");
    EXPECT_EQ(read_file(path("sys\\Common.ocx")), "COMMON 2");
    // The damaged extension files: replaced despite the newer version claimed, or removed.
    EXPECT_EQ(read_file(path("target\\npanim.cox")), "ANIM 2");
    EXPECT_FALSE(file_exists(path("target\\npbrush.mox")));
    for (const char* temp : {"sys\\Shared.~ll", "sys\\Common.ocx~", "target\\player.~ll", "target\\ReadMe.txt~",
                             "target\\npanim.cox~"})
        EXPECT_FALSE(file_exists(path(temp))) << temp;
}

// The commit is all or nothing: a file that cannot take its final name, first or last, answered
// Cancel, puts back every file already committed, keeps no backup and writes no record.
TEST_F(UpgradeRollback, CancelAtTheCommitPutsBackEveryFileAlreadyCommitted) {
    struct Case {
        const char* label;
        const char* blocked;   // the final name that cannot be had
        bool folder;           // a folder stands there (else the file is held open)
    } cases[] = {
        {"the first shared file held open", "sys\\Shared.dll", false},
        {"the last file held open", "target\\npanim.cox", false},
        {"a folder in the way of a new file", "target\\extra.dat", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        if (c.folder) make_directory(path(c.blocked));
        else host_set_file_locked(path(c.blocked).c_str(), true);
        test_script_message_boxes({IDRETRY, IDCANCEL});
        EXPECT_EQ(run_install_steps(PAGE), -1);
        host_set_file_locked(path(c.blocked).c_str(), false);
        ASSERT_EQ(test_recorded_message_boxes().size(), 2u);
        EXPECT_NE(test_recorded_message_boxes()[0].text.find(std::string(c.blocked).substr(std::string(c.blocked).find('\\') + 1) + " in use"),
                  std::string::npos);
        if (c.folder) {
            EXPECT_TRUE(directory_exists(path(c.blocked)));
            RemoveDirectoryA(path(c.blocked).c_str());
        }
        expect_previous_version();
        for (const char* backup : {"sys\\Shared.dl!", "sys\\Common.oc!", "target\\player.dl!",
                                   "target\\ReadMe.tx!", "ns\\Plugins\\nptnf32.dl!", "target\\npanim.co!"})
            EXPECT_FALSE(file_exists(path(backup))) << backup;
        EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL));
    }
}

// A silent run cannot ask: a file held open is replaced at the next restart, the rest is
// committed, and the record describes the new version.
TEST_F(UpgradeRollback, SilentlyAFileHeldOpenIsReplacedAtTheRestart) {
    ctx.silent = true;
    host_set_file_locked(path("target\\player.dll").c_str(), true);
    EXPECT_EQ(run_install_steps(PAGE), 0);
    host_set_file_locked(path("target\\player.dll").c_str(), false);
    EXPECT_TRUE(ctx.restart_needed);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(read_file(path("target\\player.dll")), previous_.at("target\\player.dll"));
    EXPECT_EQ(read_file(path("target\\player.~ll")), "PLAYER 2");
    EXPECT_EQ(host_restart_replacements(),
              (std::vector<std::pair<std::string, std::string>>{{path("target\\player.~ll"), path("target\\player.dll")}}));
    EXPECT_EQ(read_file(path("sys\\Shared.dll")), "SHARED 2");
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README 2");
    std::string record = registry_string(HKEY_LOCAL_MACHINE,
        UNINSTALL, "DisplayVersion");
    EXPECT_FALSE(record.empty());
    EXPECT_FALSE(file_exists(path("target\\ReadMe.tx!")));
    ctx.silent = false;
}

// A silent run with a folder in the way cannot be helped by a restart: it fails, and undoes.
TEST_F(UpgradeRollback, SilentlyAFolderInTheWayFailsTheRunAndPutsEverythingBack) {
    ctx.silent = true;
    make_directory(path("target\\extra.dat"));
    EXPECT_EQ(run_install_steps(PAGE), -1);
    ctx.silent = false;
    EXPECT_FALSE(ctx.restart_needed);
    EXPECT_TRUE(host_restart_replacements().empty());
    RemoveDirectoryA(path("target\\extra.dat").c_str());
    expect_previous_version();
}

// The backup names never take a user's file: one already there is passed over and kept.
TEST_F(UpgradeRollback, ABackupNameAUserFileHasIsPassedOver) {
    write_file(path("target\\ReadMe.tx!"), "USER'S OWN");
    write_file(path("sys\\Shared.dl!"), "USER'S OWN TOO");
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(read_file(path("target\\ReadMe.tx!")), "USER'S OWN");
    EXPECT_EQ(read_file(path("sys\\Shared.dl!")), "USER'S OWN TOO");
    EXPECT_FALSE(file_exists(path("target\\ReadMe.tx#")));
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README 2");
    SetUp();
    write_file(path("target\\ReadMe.tx!"), "USER'S OWN");
    host_set_file_locked(path("target\\npanim.cox").c_str(), true);
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(run_install_steps(PAGE), -1);
    host_set_file_locked(path("target\\npanim.cox").c_str(), false);
    EXPECT_EQ(read_file(path("target\\ReadMe.tx!")), "USER'S OWN");
    expect_previous_version();
}

// An earlier uninstall listed files for deletion at the restart; this run writes two of them
// again: those two are taken out of the list, the rest stays in its order.
TEST_F(UpgradeRollback, AFileWrittenAgainIsTakenOutOfTheRestartDeletions) {
    for (const char* name : {"target\\ReadMe.txt", "target\\gone.dat", "sys\\Shared.dll"}) {
        write_file(path(name), name);
        ASSERT_TRUE(MoveFileExA(path(name).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    }
    for (const auto& [name, bytes] : previous_) write_file(path(name.c_str()), bytes);
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(host_restart_deletions(), (std::vector<std::string>{path("target\\gone.dat")}));
}

TEST_F(UpgradeRollback, IgnoreOnAWriteProtectedCopyWritesNothingAndALaterFailureKeepsIt) {
    SetFileAttributesA(path("target\\player.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    test_script_message_boxes({IDIGNORE});
    EXPECT_EQ(install_main_files(), STATUS_OK);
    EXPECT_FALSE(entry_flags(entry(2)) & ENTRY_PLACED);
    // Deletable again by the time the clean-up runs: it must still not be touched.
    SetFileAttributesA(path("target\\player.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
    remove_placed_files();
    discard_pending_files();
    EXPECT_EQ(read_file(path("target\\player.dll")), previous_.at("target\\player.dll"));
    EXPECT_FALSE(file_exists(path("target\\player.~ll")));
}

// An editor's backup beside the read-me ("ReadMe.txt~") and a write-protected file at the
// shared library's temporary name are not this program's: each run, successful or not, keeps
// them byte for byte, writes its copies under the next names, and commits only those.
TEST_F(UpgradeRollback, AFileAtATemporaryNameIsKeptAndNeverCommitted) {
    const std::pair<const char*, const char*> others[] = {{"target\\ReadMe.txt~", "THE USER'S BACKUP"},
                                                          {"sys\\Shared.~ll", "SOMEONE ELSE'S"},
                                                          {"sys\\Shared.~ll!", "AND THE NEXT NAME TOO"}};
    auto write_others = [&] {
        for (const auto& [name, bytes] : others) {
            SetFileAttributesA(path(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            write_file(path(name), bytes);
        }
        SetFileAttributesA(path("sys\\Shared.~ll").c_str(), FILE_ATTRIBUTE_READONLY);
    };
    auto expect_others = [&](const char* when) {
        for (const auto& [name, bytes] : others) EXPECT_EQ(read_file(path(name)), bytes) << when << ": " << name;
        for (const char* temp : {"target\\ReadMe.txt~!", "sys\\Shared.~ll#"})
            EXPECT_FALSE(file_exists(path(temp))) << when << ": " << temp;
    };
    // Cancelled at the commit: the earlier version back, the others' files untouched.
    write_others();
    host_set_file_locked(path("target\\npanim.cox").c_str(), true);
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(run_install_steps(PAGE), -1);
    host_set_file_locked(path("target\\npanim.cox").c_str(), false);
    expect_others("after a cancelled run");
    for (const auto& [name, bytes] : previous_) EXPECT_EQ(read_file(path(name.c_str())), bytes) << name;
    // Successful: the new version in place, the others' files untouched.
    SetUp();
    write_others();
    EXPECT_EQ(run_install_steps(PAGE), 0);
    EXPECT_EQ(read_file(path("sys\\Shared.dll")), "SHARED 2");
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), "README 2");
    expect_others("after a successful run");
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(UpgradeRollback, TemporaryCopiesOfAKilledRunGoAlsoWhereThisRunWritesNothing) {
    // A run killed before its commit left new copies beside the old files. Since then the
    // library and the shared library were replaced by newer ones and the read-me became
    // write-protected: this run keeps all three (Ignore), yet no temporary copy outlives it.
    write_file(path("target\\player.dll"), make_pe_with_version(3, 0, 0, 0));
    write_file(path("sys\\Shared.dll"), make_pe_with_version(3, 0, 0, 0));
    SetFileAttributesA(path("target\\ReadMe.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string journal;
    for (const char* temp : {"target\\player.~ll", "sys\\Shared.~ll", "target\\ReadMe.txt~"}) {
        write_file(path(temp), "NEW COPY OF A KILLED RUN");
        journal += path(temp) + '\0';
    }
    journal += '\0';
    journal_list(JOURNAL_TEMPORARY, journal.c_str());   // as the killed run left it
    test_script_message_boxes({IDIGNORE});
    EXPECT_EQ(run_install_steps(PAGE), 0);
    SetFileAttributesA(path("target\\ReadMe.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(read_file(path("target\\player.dll")), make_pe_with_version(3, 0, 0, 0));
    EXPECT_EQ(read_file(path("sys\\Shared.dll")), make_pe_with_version(3, 0, 0, 0));
    EXPECT_EQ(read_file(path("target\\ReadMe.txt")), previous_.at("target\\ReadMe.txt"));
    for (const char* temp : {"target\\player.~ll", "sys\\Shared.~ll", "target\\ReadMe.txt~"})
        EXPECT_FALSE(file_exists(path(temp))) << temp;
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_NE(test_recorded_message_boxes()[0].text.find("write protected"), std::string::npos);
}
