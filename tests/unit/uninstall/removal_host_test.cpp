// Files that cannot be deleted (held open, write-protected): the Retry/Cancel prompt, and the
// list of deletions at the next restart. Host only: under Wine no file is held open the way a
// loaded module is, and files are writable whatever their flag when Wine runs as root.
#include "tests/unit/uninstall/uninstall_fixture.h"

#include "common/status.h"
#include "platform/host/host_control.h"

namespace {

// The shared file stays counted by another program, so that the only prompts are the ones
// these tests look at.
class RemovalInUse : public UninstallTest {
protected:
    void install() {
        write_record(install_layout());
        set_shared_count(system_dir() + "bvrt32.dll", 2);
    }
};

std::string locked_path;
void release_lock(const RecordedMessageBox&) { host_set_file_locked(locked_path.c_str(), false); }

}  // namespace

TEST_F(RemovalInUse, RetryThenCancelListsTheFileForTheNextRestart) {
    install();
    const std::string held = target() + "sub\\bvnet32.dll";
    host_set_file_locked(held.c_str(), true);
    test_script_message_boxes({ANSWER_RETRY, ANSWER_CANCEL});

    RemovalReport r = remove(false);

    ASSERT_EQ(test_recorded_message_boxes().size(), 2u);
    for (const RecordedMessageBox& box : test_recorded_message_boxes()) {
        EXPECT_EQ(box.style, BOX_WARNING_RETRY_CANCEL);
        EXPECT_NE(box.text.find(held), std::string::npos);
    }
    EXPECT_EQ(r.at_restart, 1);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.removed, 6);
    // The file first, then its folders, so that they go with it.
    EXPECT_EQ(host_restart_deletions(),
              (std::vector<std::string>{held, target() + "sub", target().substr(0, target().size() - 1)}));
    EXPECT_TRUE(file_exists(held));
    EXPECT_FALSE(file_exists(target() + "readme.txt"));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(RemovalInUse, RetryAfterTheProgramClosedRemovesTheFile) {
    install();
    locked_path = target() + "bvdraw32.dll";
    host_set_file_locked(locked_path.c_str(), true);
    test_on_message_box(release_lock);
    test_script_message_boxes({ANSWER_RETRY});
    RemovalReport r = remove(false);
    EXPECT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_FALSE(file_exists(locked_path));
    EXPECT_EQ(r.at_restart, 0);
    EXPECT_TRUE(host_restart_deletions().empty());
    EXPECT_FALSE(directory_exists(target()));
}

TEST_F(RemovalInUse, WriteProtectedAndSilentGoesToTheRestartListWithoutAQuestion) {
    install();
    const std::string protected_file = target() + "readme.txt";
    SetFileAttributesA(protected_file.c_str(), FILE_ATTRIBUTE_READONLY);
    RemovalReport r = remove(true);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(r.at_restart, 1);
    ASSERT_FALSE(host_restart_deletions().empty());
    EXPECT_EQ(host_restart_deletions()[0], protected_file);
}

TEST_F(RemovalInUse, WriteProtectedAsksToo) {
    install();
    const std::string protected_file = target() + "readme.txt";
    SetFileAttributesA(protected_file.c_str(), FILE_ATTRIBUTE_READONLY);
    test_script_message_boxes({ANSWER_CANCEL});
    RemovalReport r = remove(false);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].style, BOX_WARNING_RETRY_CANCEL);
    EXPECT_EQ(r.at_restart, 1);
}
