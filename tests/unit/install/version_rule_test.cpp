// The version rule, the temporary-name swap and the list of pending shared files.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/pending_files.h"
#include "install/temporary_names.h"
#include "install/version_rule.h"
#include "tests/support/make_pe.h"

#include <cstring>

using VersionRule = InstallTest;

TEST_F(VersionRule, ComparesTheStoredVersionWithTheInstalledCopy) {
    struct Case {
        const char* label;
        std::string installed;   // "" = no file
        uint16_t flags;
        uint16_t a, b, c, d;     // the entry's version
        int expected;
    };
    const Case cases[] = {
        {"equal", make_pe_with_version(2, 2, 0, 97), REGULAR_FLAGS, 2, 2, 0, 97, VERSION_SAME},
        {"installed major newer", make_pe_with_version(3, 0, 0, 0), REGULAR_FLAGS, 2, 9, 9, 9, VERSION_INSTALLED_NEWER},
        {"installed build newer", make_pe_with_version(2, 2, 0, 98), REGULAR_FLAGS, 2, 2, 0, 97, VERSION_INSTALLED_NEWER},
        {"entry newer in high word, older in low word", make_pe_with_version(2, 1, 9, 9), REGULAR_FLAGS, 2, 2, 0, 0,
         VERSION_WRITE},
        {"entry build newer", make_pe_with_version(2, 2, 0, 97), REGULAR_FLAGS, 2, 2, 0, 98, VERSION_WRITE},
        {"words compare unsigned", make_pe_with_version(0x8000, 0, 0, 0), REGULAR_FLAGS, 1, 0, 0, 0,
         VERSION_INSTALLED_NEWER},
        {"third part compares unsigned", make_pe_with_version(1, 0, 0x8000, 0), REGULAR_FLAGS, 1, 0, 1, 0,
         VERSION_INSTALLED_NEWER},
        {"entry not versioned", make_pe_with_version(9, 0, 0, 0), 0x0000, 1, 0, 0, 0, VERSION_WRITE},
        {"shared but not versioned", make_pe_with_version(9, 0, 0, 0), 0x0006, 1, 0, 0, 0, VERSION_WRITE},
        {"no installed copy", "", REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
        {"no version resource", make_pe(), REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
        {"not an executable", make_not_pe(), REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DeleteFileA(path("target\\lib.dll").c_str());
        if (!c.installed.empty()) write_file(path("target\\lib.dll"), c.installed);
        std::string record = file_entry_record(package_entry("lib.dll", c.flags, "", c.a, c.b, c.c, c.d), 0);
        EXPECT_EQ(check_file_version(ctx.target_directory, "LIB.DLL",
                                     reinterpret_cast<const uint8_t*>(record.data())),
                  c.expected);
        EXPECT_EQ(std::string(ctx.work_path), target() + "LIB.DLL");
    }
}

TEST_F(VersionRule, NoMemoryForTheVersionBlockIsNoLicenceToWrite) {
    write_file(path("target\\lib.dll"), make_pe_with_version(9, 0, 0, 0));
    std::string record = file_entry_record(package_entry("lib.dll", REGULAR_FLAGS, "", 1, 0, 0, 0), 0);
    test_fail_allocation(1);
    EXPECT_EQ(check_file_version(ctx.target_directory, "lib.dll", reinterpret_cast<const uint8_t*>(record.data())),
              VERSION_NO_MEMORY);
}

TEST(TemporaryNames, SwapsOnlyLibraryAndProgramExtensions) {
    struct Case {
        const char* path;
        int temporary_result;
        const char* temporary;
    };
    const Case cases[] = {
        {"C:\\sys\\Lib.DLL", NAME_SWAPPED, "C:\\sys\\Lib.~ll"},
        {"C:\\sys\\tool.Exe", NAME_SWAPPED, "C:\\sys\\tool.~xe"},
        {"a.dll", NAME_SWAPPED, "a.~ll"},
        {"C:\\sys\\read.txt", NAME_UNCHANGED, "C:\\sys\\read.txt"},
        {"C:\\sys\\a.dll.txt", NAME_UNCHANGED, "C:\\sys\\a.dll.txt"},
        {"C:\\dir.dll\\file", NAME_UNCHANGED, "C:\\dir.dll\\file"},
        {"C:\\sys\\noext", NAME_UNCHANGED, "C:\\sys\\noext"},
        {"C:\\sys\\a.~ll", NAME_UNCHANGED, "C:\\sys\\a.~ll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char buffer[PATH_BUFFER_SIZE] = {};
        std::strcpy(buffer, c.path);
        EXPECT_EQ(to_temporary_name(buffer), c.temporary_result);
        EXPECT_STREQ(buffer, c.temporary);
    }
    const char* finals[][2] = {
        {"C:\\sys\\Lib.~LL", "C:\\sys\\Lib.dll"},
        {"C:\\sys\\tool.~xe", "C:\\sys\\tool.exe"},
        // Later attempts' names, when a file of someone else's had the first one.
        {"C:\\sys\\Lib.~ll!", "C:\\sys\\Lib.dll"},
        {"C:\\notes.txt~#", "C:\\notes.txt"},
        {"C:\\wow!~", "C:\\wow!"},
        {"C:\\wow!~@", "C:\\wow!"},
    };
    // Each attempt's name, and back.
    const char* attempts[][3] = {{"C:\\notes.txt", "C:\\notes.txt~", "C:\\notes.txt~#"},
                                 {"C:\\sys\\Lib.DLL", "C:\\sys\\Lib.~ll", "C:\\sys\\Lib.~ll#"}};
    for (auto& a : attempts) {
        for (int attempt : {0, 2}) {
            char buffer[PATH_BUFFER_SIZE] = {};
            std::strcpy(buffer, a[0]);
            EXPECT_EQ(to_replacement_name(buffer, attempt), NAME_SWAPPED);
            EXPECT_STREQ(buffer, a[attempt ? 2 : 1]);
        }
    }
    // At the longest path, the first attempt's "~" fits and a later attempt's mark does not.
    char longest[PATH_BUFFER_SIZE] = {};
    std::memset(longest, 'a', PATH_BUFFER_SIZE - 2);
    EXPECT_EQ(to_replacement_name(longest, 0), NAME_SWAPPED);
    longest[PATH_BUFFER_SIZE - 2] = 0;
    EXPECT_EQ(to_replacement_name(longest, 1), NAME_UNCHANGED);
    for (auto& f : finals) {
        char buffer[PATH_BUFFER_SIZE] = {};
        std::strcpy(buffer, f[0]);
        EXPECT_EQ(to_final_name(buffer), NAME_SWAPPED);
        EXPECT_STREQ(buffer, f[1]);
    }
    char buffer[PATH_BUFFER_SIZE] = "C:\\sys\\Lib.dll";
    EXPECT_EQ(to_final_name(buffer), NAME_UNCHANGED);
    EXPECT_STREQ(buffer, "C:\\sys\\Lib.dll");
}

using PendingList = InstallTest;

namespace {
std::vector<std::string> listed() {
    std::vector<std::string> out;
    if (!ctx.pending_files) return out;
    for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1) out.push_back(p);
    return out;
}
}  // namespace

TEST_F(PendingList, GrowsBy1040WhenTheNextStringWouldNotFit) {
    const std::string a(200, 'a'), b(58, 'b'), c = "c";
    ASSERT_EQ(add_pending_file(a.c_str()), STATUS_OK);
    EXPECT_EQ(GlobalSize(ctx.pending_files_block), PENDING_LIST_FIRST_SIZE);
    // 201 bytes in use + 58 + 3 = 262: still fits exactly.
    ASSERT_EQ(add_pending_file(b.c_str()), STATUS_OK);
    EXPECT_EQ(GlobalSize(ctx.pending_files_block), PENDING_LIST_FIRST_SIZE);
    // 260 in use + 1 + 3 = 264: one growth.
    ASSERT_EQ(add_pending_file(c.c_str()), STATUS_OK);
    EXPECT_EQ(GlobalSize(ctx.pending_files_block), PENDING_LIST_FIRST_SIZE + PENDING_LIST_GROWTH);
    EXPECT_EQ(listed(), (std::vector<std::string>{a, b, c}));
}

TEST_F(PendingList, APathAlreadyListedIsNotAddedAgain) {
    ASSERT_EQ(add_pending_file("C:\\WINDOWS\\SYSTEM\\one.~ll"), STATUS_OK);
    ASSERT_EQ(add_pending_file("C:\\WINDOWS\\SYSTEM\\two.~xe"), STATUS_OK);
    ASSERT_EQ(add_pending_file("c:\\windows\\system\\ONE.~LL"), STATUS_OK);
    EXPECT_EQ(listed(), (std::vector<std::string>{"C:\\WINDOWS\\SYSTEM\\one.~ll", "C:\\WINDOWS\\SYSTEM\\two.~xe"}));
}

TEST_F(PendingList, NoMemoryLeavesTheListAsItWas) {
    test_fail_allocation(1);
    EXPECT_EQ(add_pending_file("first"), MSG_NO_MEMORY);
    EXPECT_EQ(ctx.pending_files_block, nullptr);
    ASSERT_EQ(add_pending_file(std::string(250, 'x').c_str()), STATUS_OK);
    test_fail_allocation(1);   // the growth
    EXPECT_EQ(add_pending_file(std::string(20, 'y').c_str()), MSG_NO_MEMORY);
    EXPECT_EQ(listed(), (std::vector<std::string>{std::string(250, 'x')}));
    EXPECT_EQ(add_pending_file("z"), STATUS_OK);
}

TEST_F(PendingList, CommitMovesEachTemporaryFileToItsFinalName) {
    write_file(path("target\\a.~ll"), "new a");
    write_file(path("target\\a.dll"), "old a");
    write_file(path("target\\b.~XE"), "new b");
    ASSERT_EQ(add_pending_file(path("target\\a.~ll").c_str()), STATUS_OK);
    ASSERT_EQ(add_pending_file(path("target\\b.~XE").c_str()), STATUS_OK);
    commit_pending_files();
    EXPECT_EQ(read_file(path("target\\a.dll")), "new a");
    EXPECT_EQ(read_file(path("target\\b.exe")), "new b");
    EXPECT_FALSE(file_exists(path("target\\a.~ll")));
    EXPECT_FALSE(file_exists(path("target\\b.~XE")));
}

TEST_F(PendingList, DiscardDeletesOnlyTheTemporaryFiles) {
    write_file(path("target\\a.~ll"), "new a");
    write_file(path("target\\a.dll"), "old a");
    ASSERT_EQ(add_pending_file(path("target\\a.~ll").c_str()), STATUS_OK);
    discard_pending_files();
    EXPECT_FALSE(file_exists(path("target\\a.~ll")));
    EXPECT_EQ(read_file(path("target\\a.dll")), "old a");
}

TEST_F(PendingList, CommitAndDiscardWithoutAListDoNothing) {
    write_file(path("target\\a.~ll"), "x");
    commit_pending_files();
    discard_pending_files();
    EXPECT_TRUE(file_exists(path("target\\a.~ll")));
}
