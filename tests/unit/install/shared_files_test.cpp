// Shared-file placement with scripted answers of the version service. The in-use cases live
// here, with scripted VFF_FILEINUSE results and the host's locked files: under Wine the
// service proposes the system folder and never reports a file in use, and files are writable
// whatever their read-only flag when Wine runs as root.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/pending_files.h"
#include "install/shared_files.h"
#include "platform/host/host_control.h"
#include "tests/support/make_pe.h"

#include <cstring>

namespace {

class SharedFiles : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        make_directory(path("sys"));
        make_directory(path("other"));
        ctx.progress_page = PAGE;
    }
    std::string sys() const { return path("sys"); }   // as the service gives it: no backslash
    std::vector<std::string> listed() const {
        std::vector<std::string> out;
        if (ctx.pending_files)
            for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1) out.push_back(p);
        return out;
    }
    // One shared library, version 2.0.0.0, whose name carries a folder that is not used.
    void load_shared_library() { load_package_entries({package_entry("win\\Shared.dll", SHARED_FLAGS, "NEW", 2, 0, 0, 0)}); }
};

}  // namespace

TEST_F(SharedFiles, VersionAndInUseDecideWhetherTheFileIsWritten) {
    struct Case {
        const char* label;
        std::string installed;    // in sys\, "" for none
        DWORD service_result;
        bool written;
    };
    const Case cases[] = {
        {"installed newer, in use: kept without prompt", make_pe_with_version(3, 0, 0, 0), VFF_FILEINUSE, false},
        {"installed newer, not in use: kept", make_pe_with_version(3, 0, 0, 0), 0, false},
        {"same version, in use: kept without prompt", make_pe_with_version(2, 0, 0, 0), VFF_FILEINUSE, false},
        {"same version, not in use: written again", make_pe_with_version(2, 0, 0, 0), 0, true},
        {"installed older: written", make_pe_with_version(1, 9, 0, 0), 0, true},
        {"installed unversioned: written", make_pe(), 0, true},
    };
    load_shared_library();
    ctx.progress_total = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        forget_pending_list();
        ctx.progress_done = 0;
        DeleteFileA(path("sys\\Shared.~ll").c_str());
        write_file(path("sys\\Shared.dll"), c.installed);
        test_script_ver_find_file({{c.service_result, sys(), sys()}});

        EXPECT_EQ(install_shared_files(), STATUS_OK);
        EXPECT_TRUE(test_recorded_message_boxes().empty());
        EXPECT_EQ(ctx.progress_done, 1u);   // counted whether written or kept
        EXPECT_EQ(host_last_progress_percent(), 20);
        EXPECT_EQ(host_last_file_name_text(), "Shared.dll");
        EXPECT_EQ(file_exists(path("sys\\Shared.~ll")), c.written);
        if (c.written) {
            EXPECT_EQ(listed(), std::vector<std::string>{path("sys\\Shared.~ll")});
            commit_pending_files();
            EXPECT_EQ(read_file(path("sys\\Shared.dll")), "NEW");
            EXPECT_FALSE(file_exists(path("sys\\Shared.~ll")));
        } else {
            EXPECT_TRUE(listed().empty());
            EXPECT_EQ(read_file(path("sys\\Shared.dll")), c.installed);
        }
    }
}

TEST_F(SharedFiles, InUseWhereItGoesPromptsAndRetryAsksTheServiceAgain) {
    load_shared_library();
    write_file(path("sys\\Shared.dll"), make_pe_with_version(1, 0, 0, 0));
    test_script_ver_find_file({{VFF_FILEINUSE, sys(), sys()}, {0, sys(), sys()}});
    test_script_message_boxes({IDRETRY});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    const RecordedMessageBox& box = test_recorded_message_boxes()[0];
    EXPECT_EQ(box.text, "Shared.dll in use! Please, close all applications and retry.");
    EXPECT_EQ(box.style, BOX_WARNING_RETRY_CANCEL);
    EXPECT_EQ(box.owner, ctx.progress_page);
    EXPECT_EQ(read_file(path("sys\\Shared.~ll")), "NEW");
}

TEST_F(SharedFiles, CancelAtTheInUsePromptEndsTheStepWithStatus2) {
    load_package_entries({package_entry("Shared.dll", SHARED_FLAGS, "NEW", 2, 0, 0, 0),
                          package_entry("Second.dll", SHARED_FLAGS, "2ND", 2, 0, 0, 0)});
    write_file(path("sys\\Shared.dll"), make_pe_with_version(1, 0, 0, 0));
    test_script_ver_find_file({{VFF_FILEINUSE, sys(), sys()}, {0, sys(), sys()}});
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(install_shared_files(), STATUS_CANCELLED);
    EXPECT_FALSE(file_exists(path("sys\\Shared.~ll")));
    EXPECT_FALSE(file_exists(path("sys\\Second.~ll")));
}

TEST_F(SharedFiles, InUseElsewhereThanTheDestinationIsWrittenWithoutPrompt) {
    load_shared_library();
    write_file(path("other\\Shared.dll"), make_pe_with_version(1, 0, 0, 0));
    test_script_ver_find_file({{VFF_FILEINUSE | VFF_CURNEDEST, path("other"), sys()}});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(read_file(path("sys\\Shared.~ll")), "NEW");
    EXPECT_EQ(read_file(path("other\\Shared.dll")), make_pe_with_version(1, 0, 0, 0));
}

TEST_F(SharedFiles, NoCopyAndNoProposalGoesToTheTargetDirectory) {
    load_shared_library();
    test_script_ver_find_file({{0, "", ""}});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_EQ(read_file(path("target\\Shared.~ll")), "NEW");
    EXPECT_EQ(listed(), std::vector<std::string>{path("target\\Shared.~ll")});
}

TEST_F(SharedFiles, OtherExtensionsAreWrittenWithATildeAddedUntilTheCommit) {
    load_package_entries({package_entry("help\\Shared.HLP", SHARED_FLAGS, "HELP", 2, 0, 0, 0),
                          package_entry("TOOL.EXE", 0x0004, "TOOL")});
    write_file(path("sys\\Shared.HLP"), "old help");
    test_script_ver_find_file({{0, sys(), sys()}, {0, "", sys()}});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_EQ(read_file(path("sys\\Shared.HLP")), "old help");   // until the commit
    EXPECT_EQ(read_file(path("sys\\Shared.HLP~")), "HELP");
    EXPECT_EQ(read_file(path("sys\\TOOL.~xe")), "TOOL");
    EXPECT_EQ(listed(), (std::vector<std::string>{path("sys\\Shared.HLP~"), path("sys\\TOOL.~xe")}));
    EXPECT_EQ(commit_pending_files(), STATUS_OK);
    EXPECT_EQ(read_file(path("sys\\Shared.HLP")), "HELP");
    EXPECT_EQ(read_file(path("sys\\TOOL.exe")), "TOOL");
    EXPECT_FALSE(file_exists(path("sys\\Shared.HLP~")));
}

TEST_F(SharedFiles, TheSameDestinationIsListedOnce) {
    load_package_entries({package_entry("a\\Twice.dll", SHARED_FLAGS, "ONE", 2, 0, 0, 0),
                          package_entry("b\\TWICE.DLL", SHARED_FLAGS, "TWO", 2, 0, 0, 0)});
    test_script_ver_find_file({{0, "", sys()}, {0, "", sys()}});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_EQ(listed(), std::vector<std::string>{path("sys\\Twice.~ll")});
    commit_pending_files();
    EXPECT_EQ(read_file(path("sys\\Twice.dll")), "TWO");
}

TEST_F(SharedFiles, OnlySharedInstallableEntriesAreHandledAndCounted) {
    load_package_entries({package_entry("logo.bmp", LOGO_FLAGS, "LOGO"),
                          package_entry("own.dll", 0x0017, "OWN", 1, 0, 0, 0),
                          package_entry("plain.txt", REGULAR_FLAGS, "TXT", 1, 0, 0, 0),
                          package_entry("alt.dll", 0x0004, "ALT")});
    test_script_ver_find_file({{0, "", sys()}});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_EQ(ctx.progress_done, 1u);
    EXPECT_EQ(read_file(path("sys\\alt.~ll")), "ALT");
    EXPECT_FALSE(file_exists(path("sys\\own.~ll")));
    EXPECT_FALSE(file_exists(path("target\\plain.txt")));
}

TEST_F(SharedFiles, NoMemoryForTheWorkBuffersFailsWith37) {
    load_shared_library();
    test_script_ver_find_file({{0, "", sys()}});
    test_fail_allocation(1);
    EXPECT_EQ(install_shared_files(), MSG_NO_MEMORY);
    EXPECT_FALSE(file_exists(path("sys\\Shared.~ll")));
}

TEST_F(SharedFiles, ATemporaryFileThatCannotBeListedFailsWith37AndIsNeverWritten) {
    load_shared_library();
    // Count a good run's allocations, then fail each in turn: the one that makes the list
    // fails the step before the file is written.
    test_script_ver_find_file({{0, "", sys()}});
    long before = test_allocation_count();
    ASSERT_EQ(install_shared_files(), STATUS_OK);
    long allocations = test_allocation_count() - before;
    ASSERT_TRUE(file_exists(path("sys\\Shared.~ll")));
    bool list_failed = false;
    for (long n = 1; n <= allocations; ++n) {
        DeleteFileA(path("sys\\Shared.~ll").c_str());
        forget_pending_list();
        test_script_ver_find_file({{0, "", sys()}});
        test_fail_allocation(n);
        int status = install_shared_files();
        test_fail_allocation(0);
        if (status != MSG_NO_MEMORY || ctx.pending_files_block) continue;
        list_failed = true;
        EXPECT_FALSE(file_exists(path("sys\\Shared.~ll"))) << n;
    }
    EXPECT_TRUE(list_failed);
}

TEST_F(SharedFiles, AStopAtEachEntryLeavesOnlyTheEntriesBeforeIt) {
    load_package_entries({package_entry("one.dll", SHARED_FLAGS, "1", 1, 0, 0, 0),
                          package_entry("two.dll", SHARED_FLAGS, "2", 1, 0, 0, 0),
                          package_entry("three.dll", SHARED_FLAGS, "3", 1, 0, 0, 0)});
    for (long stop = 1; stop <= 4; ++stop) {
        SCOPED_TRACE(stop);
        forget_pending_list();
        ctx.progress_done = 0;
        ctx.page_result = 0;
        test_script_ver_find_file({{0, "", sys()}, {0, "", sys()}, {0, "", sys()}});
        host_stop_at_poll(stop);
        EXPECT_EQ(install_shared_files(), stop <= 3 ? STATUS_STOPPED : STATUS_OK);
        EXPECT_EQ(ctx.progress_done, (uint32_t)(stop - 1));
        EXPECT_EQ(listed().size(), (size_t)(stop - 1));
        EXPECT_EQ(file_exists(path("sys\\one.~ll")), stop > 1);
        EXPECT_EQ(file_exists(path("sys\\two.~ll")), stop > 2);
        EXPECT_EQ(file_exists(path("sys\\three.~ll")), stop > 3);
        discard_pending_files();
    }
}

TEST_F(SharedFiles, TheHostServiceReportsALockedInstalledCopyAsInUse) {
    // The platform's own answer: the shared file belongs in the system folder, where an older
    // copy is held open by another program.
    make_directory("C:\\WINDOWS");
    make_directory("C:\\WINDOWS\\SYSTEM");
    load_shared_library();
    write_file("C:\\WINDOWS\\SYSTEM\\Shared.dll", make_pe_with_version(1, 0, 0, 0));
    host_set_file_locked("C:\\WINDOWS\\SYSTEM\\Shared.dll", true);
    test_script_message_boxes({IDRETRY, IDCANCEL});
    EXPECT_EQ(install_shared_files(), STATUS_CANCELLED);
    EXPECT_EQ(test_recorded_message_boxes().size(), 2u);
    EXPECT_FALSE(file_exists("C:\\WINDOWS\\SYSTEM\\Shared.~ll"));
    host_set_file_locked("C:\\WINDOWS\\SYSTEM\\Shared.dll", false);

    test_script_message_boxes({});
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_TRUE(test_recorded_message_boxes().size() == 2u);
    EXPECT_EQ(read_file("C:\\WINDOWS\\SYSTEM\\Shared.~ll"), "NEW");
}
