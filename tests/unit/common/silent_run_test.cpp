// A silent run: no box is ever shown, each question takes its safe answer, the failure is
// remembered for the exit code, and the log holds what the boxes would have said.
#include "common/run_log.h"
#include "common/status.h"
#include "ui/browser_check.h"
#include "ui/directory_check.h"
#include "ui/messages.h"
#include "tests/support/test_env.h"

#include <cstring>
#include <string>

class SilentRun : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ctx.silent = true;
        ctx.last_message = 0;
        ctx.required_kb = 0;
    }
    void TearDown() override {
        close_run_log();
        ctx.silent = false;
        PlatformTest::TearDown();
    }
    bool check_directory(const std::string& entry) {
        std::memset(ctx.target_directory, 0, PATH_BUFFER_SIZE);
        std::strcpy(ctx.target_directory, entry.c_str());
        return check_target_directory(nullptr);
    }
};

TEST_F(SilentRun, QuestionsTakeTheSafeAnswerAndNoBoxIsShown) {
    struct { const char* label; int answer; int remembered; } cases[] = {
        {"retry or cancel: cancel", ask_retry_cancel(nullptr, MSG_WRITE_ERROR, "a.dll"), MSG_WRITE_ERROR},
        {"abort, retry or ignore: abort", ask_abort_retry_ignore(nullptr, MSG_WRITE_PROTECTED, "a.dll"),
         MSG_WRITE_PROTECTED},
        {"go on without the browser: no", message_box(nullptr, MSG_NETSCAPE_NOT_FOUND, BOX_QUESTION_YES_NO),
         MSG_NETSCAPE_NOT_FOUND},
        {"not enough space, try anyway: abort", message_box(nullptr, MSG_NOT_ENOUGH_SPACE, BOX_INFO_ABORT_RETRY_IGNORE),
         MSG_NOT_ENOUGH_SPACE},
        {"ok or cancel: cancel", message_box(nullptr, MSG_NEWER_INSTALLED, MB_OKCANCEL), MSG_NEWER_INSTALLED},
        {"a warning: ok", show_warning(nullptr, MSG_INVALID_DIRECTORY), MSG_INVALID_DIRECTORY},
    };
    int expected[] = {IDCANCEL, IDABORT, IDNO, IDABORT, IDCANCEL, IDOK};
    int i = 0;
    for (const auto& c : cases) EXPECT_EQ(c.answer, expected[i++]) << c.label;
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(ctx.last_message, MSG_INVALID_DIRECTORY);   // the last one given

    // The one Yes: the missing target directory is created, and that is no failure.
    EXPECT_EQ(message_box_formatted(nullptr, MSG_CREATE_DIRECTORY, "C:\\x", BOX_QUESTION_YES_NO), IDYES);
    EXPECT_EQ(ctx.last_message, MSG_INVALID_DIRECTORY);
    report_status(nullptr, MSG_INVALID_DATA);
    EXPECT_EQ(ctx.last_message, MSG_INVALID_DATA);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(SilentRun, MissingTargetIsCreatedAsEnterOnTheDirectoryPageWould) {
    std::string target = path("new\\deeper");
    ASSERT_TRUE(check_directory(target));
    EXPECT_TRUE(directory_exists(target));
    EXPECT_EQ(std::string(ctx.target_directory), target + "\\");
    EXPECT_EQ(ctx.last_message, 0);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    // Not installed after all: what the check made goes again.
    remove_created_directory();
    EXPECT_FALSE(directory_exists(path("new")));
}

TEST_F(SilentRun, RefusedTargetsFailWithTheirMessageAndMakeNothing) {
    struct { const char* label; std::string entry; uint32_t required; int message; } cases[] = {
        {"no drive", "relative\\dir", 0, MSG_INVALID_DIRECTORY},
        {"not enough space: abort", path("roomless"), MORE_THAN_ANY_DISK, MSG_NOT_ENOUGH_SPACE},
        {"too long for the files", "C:\\" + std::string(250, 'd'), 0, MSG_DIRECTORY_TOO_LONG},
    };
    for (const auto& c : cases) {
        ctx.last_message = 0;
        ctx.required_kb = c.required;
        EXPECT_FALSE(check_directory(c.entry)) << c.label;
        EXPECT_EQ(ctx.last_message, c.message) << c.label;
    }
    EXPECT_FALSE(directory_exists(path("roomless")));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(SilentRun, BrowserWithoutItsProgramIsDroppedWithoutAsking) {
    make_directory(path("nav"));
    make_directory(path("nav\\Plugins"));
    std::strcpy(ctx.netscape_directory, path("nav").c_str());
    std::strcpy(ctx.netscape_exe_name, "netscape.exe");
    EXPECT_FALSE(check_browser(nullptr, BROWSER_CHOICES[0]));
    EXPECT_EQ(ctx.last_message, MSG_NETSCAPE_NOT_FOUND);
    EXPECT_EQ(std::string(ctx.netscape_directory), path("nav"));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(SilentRun, LogHoldsEachMessageTextAndEachLine) {
    ASSERT_TRUE(open_run_log(path("run.log").c_str()));
    std::strcpy(ctx.error_file_name, "C:\\Setup\\setup.exe");
    report_status(nullptr, MSG_READ_ERROR);
    log_line("Target directory: ", "C:\\T\\");
    log_line("Nothing after this label", nullptr);
    log_number("Exit code: ", 12);
    close_run_log();
    log_line("after closing: ", "not written");
    EXPECT_EQ(read_file(path("run.log")),
              "Message: C:\\Setup\\setup.exe: read error!\r\n"
              "Problem: Cannot read: C:\\Setup\\setup.exe\r\n"
              "Target directory: C:\\T\\\r\n"
              "Nothing after this label\r\n"
              "Exit code: 12\r\n");
}

TEST_F(SilentRun, EachFailureIsLoggedWithItsReasonAndThePathItConcerns) {
    std::strcpy(ctx.program_path, "C:\\Setup\\setup.exe");
    struct Case {
        const char* label;
        const char* target;      // ctx.target_directory ("": a /D= value refused as given)
        int message;
        const char* path;        // the path the box is formatted with, or null
        const char* problem;     // the log's reason line, or null for none
    } cases[] = {
        {"write error names the file", "C:\\Target\\", MSG_WRITE_ERROR, "C:\\Target\\a.dll",
         "Cannot write: C:\\Target\\a.dll"},
        {"a full disk names the file being written", "C:\\Target\\", MSG_DISK_FULL, "C:\\Target\\big.dat",
         "Disk full, writing: C:\\Target\\big.dat"},
        {"in use", "C:\\Target\\", MSG_FILE_IN_USE, "C:\\Target\\a.dll", "In use: C:\\Target\\a.dll"},
        {"a refused directory names the target", "C:\\Target\\", MSG_INVALID_DIRECTORY, nullptr,
         "Target directory refused: C:\\Target\\"},
        {"no space names the target", "C:\\Target\\", MSG_NOT_ENOUGH_SPACE, nullptr,
         "Not enough disk space in: C:\\Target\\"},
        {"damage names the program file", "C:\\Target\\", MSG_INVALID_DATA, nullptr,
         "Damaged installer file: C:\\Setup\\setup.exe"},
        {"a /D= value refused as given was never the target: the reason alone", "", MSG_DIRECTORY_TOO_LONG,
         nullptr, "Target name too long"},
        {"a message that is no failure of a path has no reason line", "C:\\Target\\", MSG_NO_MEMORY, nullptr,
         nullptr},
    };
    for (const Case& c : cases) {
        std::strcpy(ctx.target_directory, c.target);
        ASSERT_TRUE(open_run_log(path("run.log").c_str()));
        if (c.path) message_box_formatted(nullptr, c.message, c.path, BOX_WARNING_RETRY_CANCEL);
        else message_box(nullptr, c.message, BOX_WARNING_OK);
        close_run_log();
        std::string log = read_file(path("run.log"));
        EXPECT_EQ(log.rfind("Message: ", 0), 0u) << c.label;
        if (c.problem)
            EXPECT_NE(log.find(std::string("\r\nProblem: ") + c.problem + "\r\n"), std::string::npos) << c.label << ": " << log;
        else
            EXPECT_EQ(log.find("Problem: "), std::string::npos) << c.label << ": " << log;
        EXPECT_EQ(ctx.last_message, c.message) << c.label;
    }
}

TEST_F(SilentRun, ALogOpenedToAddKeepsWhatIsThere) {
    write_file(path("run.log"), "Line of the run holding the lock\r\n");
    ASSERT_TRUE(open_run_log(path("run.log").c_str(), true));
    log_number("Exit code: ", 11);
    close_run_log();
    EXPECT_EQ(read_file(path("run.log")), "Line of the run holding the lock\r\nExit code: 11\r\n");
    // Adding to a log that is not there makes it.
    ASSERT_TRUE(open_run_log(path("new.log").c_str(), true));
    log_number("Exit code: ", 11);
    close_run_log();
    EXPECT_EQ(read_file(path("new.log")), "Exit code: 11\r\n");
}

TEST_F(SilentRun, LogThatCannotBeCreatedSaysSo) {
    EXPECT_FALSE(open_run_log(path("no such folder\\run.log").c_str()));
    log_line("dropped: ", "nothing is open");
    EXPECT_FALSE(file_exists(path("no such folder\\run.log")));
}
