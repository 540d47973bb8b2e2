// Shared files with the platform's own version service, on the host stand-in and under Wine.
// Under Wine the service proposes the system folder and never reports a file in use (not even
// one held open), and as root every file is writable whatever its read-only flag: the in-use
// and read-only cases are therefore proven with the host's locked files and scripted answers
// (shared_files_test.cpp), not here.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/pending_files.h"
#include "install/shared_files.h"
#include "tests/support/make_pe.h"

#include <cstring>

namespace {

class SharedFilesService : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, sizeof system);
        system_ = system;
#ifndef _WIN32
        make_directory("C:\\WINDOWS");
        make_directory(system_);
#endif
        system_ += "\\";
        clean();
    }
    void TearDown() override {
        clean();
        InstallTest::TearDown();
    }
    void clean() {
        DeleteFileA((system_ + "bvtest_shared.~ll").c_str());
        DeleteFileA((system_ + "bvtest_shared.dll").c_str());
    }
    std::string system_;
};

}  // namespace

TEST_F(SharedFilesService, ASharedLibraryGoesToTheSystemFolderUnderItsTemporaryName) {
    load_package_entries({package_entry("bvtest_shared.dll", SHARED_FLAGS, "NEW", 2, 0, 0, 0)});
    ASSERT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_EQ(read_file(system_ + "bvtest_shared.~ll"), "NEW");
    ASSERT_NE(ctx.pending_files, nullptr);
    EXPECT_TRUE(file_exists(ctx.pending_files));
    commit_pending_files();
    EXPECT_EQ(read_file(system_ + "bvtest_shared.dll"), "NEW");
}

TEST_F(SharedFilesService, AnOlderCopyHeldOpenIsReplacedWithoutPrompt) {
    load_package_entries({package_entry("bvtest_shared.dll", SHARED_FLAGS, "NEW", 2, 0, 0, 0)});
    write_file(system_ + "bvtest_shared.dll", make_pe_with_version(1, 0, 0, 0));
    HFILE held = _lopen((system_ + "bvtest_shared.dll").c_str(), OF_READ);
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    _lclose(held);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(read_file(system_ + "bvtest_shared.~ll"), "NEW");
    discard_pending_files();
    EXPECT_FALSE(file_exists(system_ + "bvtest_shared.~ll"));
    EXPECT_EQ(read_file(system_ + "bvtest_shared.dll"), make_pe_with_version(1, 0, 0, 0));
}

TEST_F(SharedFilesService, ANewerInstalledCopyIsKept) {
    load_package_entries({package_entry("bvtest_shared.dll", SHARED_FLAGS, "NEW", 2, 0, 0, 0)});
    write_file(system_ + "bvtest_shared.dll", make_pe_with_version(3, 0, 0, 0));
    EXPECT_EQ(install_shared_files(), STATUS_OK);
    EXPECT_FALSE(file_exists(system_ + "bvtest_shared.~ll"));
    EXPECT_EQ(ctx.pending_files, nullptr);
}
