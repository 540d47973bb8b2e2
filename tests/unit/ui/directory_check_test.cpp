// The Directory page's checks of the entry, in their order, with scripted answers.
#include "ui/directory_check.h"

#include "common/status.h"
#include "tests/support/test_env.h"

#include <cstring>
#include <string>

namespace {

HWND const PAGE = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x402));

std::string current_directory() {
    char out[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof out, out);
    std::string s = out;
    if (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

}  // namespace

class DirectoryCheck : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ctx.required_kb = 0;
    }
    bool check(const std::string& entry) {
        std::memset(ctx.target_directory, 0, PATH_BUFFER_SIZE);
        std::strcpy(ctx.target_directory, entry.c_str());
        return check_target_directory(PAGE);
    }
    // Ids of the texts shown, told apart by their first words.
    static std::vector<std::string> shown() {
        std::vector<std::string> texts;
        for (const RecordedMessageBox& box : test_recorded_message_boxes()) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(DirectoryCheck, MalformedEntriesAreInvalid) {
    // Network paths and paths relative to a drive's current folder have no one full local
    // form the uninstaller could take: refused as well.
    for (const char* entry : {"", "C", "C:", "Cx\\dir", "\\dir", "dir\\sub", "\\\\", "\\\\nosuchserver\\share\\dir",
                              "Q:x", "C:dir\\sub", "C:\\", "C:/", "C:\\..\\dir", "C:\\a\\...\\b", "C:\\a:b"}) {
        test_reset_platform();
        EXPECT_FALSE(check(entry)) << entry;
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u) << entry;
        const RecordedMessageBox& box = test_recorded_message_boxes()[0];
        EXPECT_EQ(box.text, "Invalid directory!");
        EXPECT_EQ(box.style, (UINT)BOX_WARNING_OK);
        EXPECT_EQ(box.owner, PAGE);
        EXPECT_STREQ(ctx.target_directory, entry) << "the entry is left as typed";
    }
}

TEST_F(DirectoryCheck, ExistingDirectoryGoesOnWithATrailingBackslash) {
    std::string target = dir() + "Existing";
    make_directory(target);
    EXPECT_TRUE(check(target));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(std::string(ctx.target_directory), target + "\\");
    EXPECT_EQ(lower(current_directory()), lower(target)) << "the target is the current directory";
    // Already ending with one: still exactly one.
    EXPECT_TRUE(check(target + "\\"));
    EXPECT_EQ(std::string(ctx.target_directory), target + "\\");
}

TEST_F(DirectoryCheck, AFolderOfTheAuthoringProductsIsRefusedBeforeAnyOtherQuestion) {
    for (const char* marker : {"tnfsa.bin", "TNFSA32.BIN"}) {
        std::string target = dir() + "Studio_" + marker;
        make_directory(target);
        write_file(target + "\\" + marker, "x");
        ctx.required_kb = MORE_THAN_ANY_DISK;   // a space question would come next
        test_reset_platform();
        EXPECT_FALSE(check(target)) << marker;
        ASSERT_EQ(shown().size(), 1u) << marker;
        EXPECT_EQ(shown()[0].rfind("You cannot install Brisvane! and Tinker & Forge", 0), 0u) << shown()[0];
        EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_WARNING_OK);
    }
}

TEST_F(DirectoryCheck, TooLittleSpaceAsksAbortRetryIgnore) {
    std::string target = dir() + "Small";
    make_directory(target);
    ctx.required_kb = MORE_THAN_ANY_DISK;
    struct Case {
        std::vector<int> answers;
        bool goes_on;
        size_t questions;
    } cases[] = {
        {{IDABORT}, false, 1},
        {{IDIGNORE}, true, 1},
        {{IDRETRY, IDRETRY, IDIGNORE}, true, 3},   // every Retry measures and asks again
        {{IDRETRY, IDABORT}, false, 2},
        {{IDCANCEL}, false, 1},
    };
    for (const Case& c : cases) {
        test_reset_platform();
        test_script_message_boxes(c.answers);
        EXPECT_EQ(check(target), c.goes_on) << c.answers.size();
        ASSERT_EQ(shown().size(), c.questions);
        for (const RecordedMessageBox& box : test_recorded_message_boxes()) {
            EXPECT_EQ(box.text, "There is not enough disk space in the target directory. Do you want to try anyway?");
            EXPECT_EQ(box.style, (UINT)BOX_INFO_ABORT_RETRY_IGNORE);
            EXPECT_EQ(box.owner, PAGE);
        }
    }
}

TEST_F(DirectoryCheck, AMissingDirectoryIsCreatedOnYesOnly) {
    std::string target = dir() + "New\\Deeper\\Deepest";
    test_script_message_boxes({IDNO});
    EXPECT_FALSE(check(target));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "The directory " + target +
                              " does not exist. \n\nDo you want to create it?\n\nIf you choose \"No\", you will "
                              "have to re-enter a different location.");
    EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_QUESTION_YES_NO);
    EXPECT_FALSE(directory_exists(dir() + "New"));
    EXPECT_EQ(std::string(ctx.target_directory), target);

    test_reset_platform();
    test_script_message_boxes({IDYES});
    EXPECT_TRUE(check(target));
    EXPECT_EQ(shown().size(), 1u);
    EXPECT_TRUE(directory_exists(target));
    EXPECT_EQ(std::string(ctx.target_directory), target + "\\");
}

TEST_F(DirectoryCheck, ADirectoryThatCannotBeMadeIsReported) {
    write_file(dir() + "blocker", "a file where a directory would go");
    std::string target = dir() + "blocker\\sub";
    test_script_message_boxes({IDYES});
    EXPECT_FALSE(check(target));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[1], "Cannot create " + target + "\\!");
    EXPECT_EQ(test_recorded_message_boxes()[1].style, (UINT)BOX_WARNING_OK);
}

// Below the target must fit a backslash, the longest name the install writes there (an 8.3
// name at least) and the "~" of its temporary name, or the install (or a later upgrade) would
// fail file by file. Refused before any question, and nothing is created.
TEST_F(DirectoryCheck, AnEntryWithoutRoomForItsFilesIsRefusedBeforeAnythingIsMade) {
    const struct {
        size_t length;
        bool room;
    } cases[] = {{245, true}, {246, false}, {258, false}, {259, false}};
    for (const auto& c : cases) {
        test_reset_platform();
        std::string target = dir() + "Long" + std::string(c.length - dir().size() - 4, 'd');
        ASSERT_EQ(target.size(), c.length);
        test_script_message_boxes({IDNO});
        EXPECT_FALSE(check(target)) << c.length;
        ASSERT_EQ(shown().size(), 1u) << c.length;
        if (c.room) {
            EXPECT_EQ(shown()[0].rfind("The directory ", 0), 0u) << c.length;
        } else {
            EXPECT_EQ(shown()[0], "The directory name is too long. Please enter a shorter location.");
            EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_WARNING_OK);
        }
        EXPECT_FALSE(directory_exists(target));
        EXPECT_EQ(std::string(ctx.target_directory), target) << "the entry is left as typed";
    }
}

// What the page made in this run goes again when the run ends without an install: deepest
// first, only while empty, never what was there before.
TEST_F(DirectoryCheck, TheChainThePageMadeIsRemovedWhileEmpty) {
    make_directory(dir() + "Had");
    std::string target = dir() + "Had\\New\\Deeper";
    test_script_message_boxes({IDYES});
    ASSERT_TRUE(check(target));
    remove_created_directory();
    EXPECT_FALSE(directory_exists(dir() + "Had\\New"));
    EXPECT_TRUE(directory_exists(dir() + "Had"));
    remove_created_directory();   // the record is gone: nothing more happens
    EXPECT_TRUE(directory_exists(dir() + "Had"));

    // A file in the middle of the chain keeps that directory and those above it.
    test_script_message_boxes({IDYES});
    ASSERT_TRUE(check(target));
    write_file(dir() + "Had\\New\\kept.txt", "x");
    remove_created_directory();
    EXPECT_FALSE(directory_exists(target));
    EXPECT_TRUE(directory_exists(dir() + "Had\\New"));

    // Kept when the install has its files there.
    std::string other = dir() + "Had\\Other";
    test_script_message_boxes({IDYES});
    ASSERT_TRUE(check(other));
    forget_created_directory();
    remove_created_directory();
    EXPECT_TRUE(directory_exists(other));
}

TEST_F(DirectoryCheck, AnEarlierChainIsRemovedWhenTheUserCreatesAnother) {
    test_script_message_boxes({IDYES, IDYES});
    ASSERT_TRUE(check(dir() + "First\\Sub"));
    ASSERT_TRUE(check(dir() + "First\\Second"));   // runs through the first one's top
    EXPECT_FALSE(directory_exists(dir() + "First\\Sub"));
    EXPECT_TRUE(directory_exists(dir() + "First\\Second"));
    remove_created_directory();
    EXPECT_FALSE(directory_exists(dir() + "First"));
}

TEST_F(DirectoryCheck, SizesAreShownInKilobytesOrAsUnknown) {
    char text[SIZE_TEXT_SIZE];
    format_size_kb(text, 1234);
    EXPECT_STREQ(text, "1234 Kb");
    format_size_kb(text, 0);
    EXPECT_STREQ(text, "0 Kb");
    format_size_kb(text, 0xFFFFFFFE);
    EXPECT_STREQ(text, "4294967294 Kb");
    format_size_kb(text, 0xFFFFFFFF);
    EXPECT_STREQ(text, "?");
}
