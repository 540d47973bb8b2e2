// The list of pending shared files: how it grows, what it refuses, its commit and discard.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/pending_files.h"

#include <cstring>

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
