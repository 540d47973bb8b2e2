// report_status: which statuses are formatted with the file name, which are shown as loaded,
// and which show nothing at all.
#include "ui/messages.h"

#include "common/status.h"
#include "tests/support/test_env.h"

#include <cstring>

namespace {

HWND const OWNER = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));

}  // namespace

using ReportStatus = PlatformTest;

TEST_F(ReportStatus, FileStatusesNameTheFile) {
    std::strcpy(ctx.error_file_name, "C:\\Setup\\setup.exe");
    struct { int status; std::string text; } cases[] = {
        {MSG_FILE_MISSING, "C:\\Setup\\setup.exe is missing!"},
        {MSG_READ_ERROR, "C:\\Setup\\setup.exe: read error!"},
        {MSG_WRITE_ERROR, "C:\\Setup\\setup.exe: write error!"},
        {MSG_FILE_IN_USE, "C:\\Setup\\setup.exe in use! Please, close all applications and retry."},
    };
    for (const auto& c : cases) {
        test_reset_platform();
        report_status(OWNER, c.status);
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u) << c.status;
        const RecordedMessageBox& box = test_recorded_message_boxes()[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, "(null)");   // the platform's default title, not the program's
        EXPECT_EQ(box.style, (UINT)BOX_WARNING_OK);
        EXPECT_EQ(box.owner, OWNER);
    }
}

TEST_F(ReportStatus, OtherStatusesAreShownAsLoaded) {
    std::strcpy(ctx.error_file_name, "C:\\Setup\\setup.exe");
    struct { int status; const char* text; } cases[] = {
        {MSG_NO_MEMORY, "Not enough memory!"},
        {MSG_INVALID_DATA, "This program file contains invalid data."},
        {MSG_WINDOW_PROBLEM, "Window problem..."},
        {MSG_CANNOT_CREATE, "Cannot create %s!"},   // only 33, 34, 35 and 39 are formatted
    };
    for (const auto& c : cases) {
        test_reset_platform();
        report_status(OWNER, c.status);
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u) << c.status;
        EXPECT_EQ(test_recorded_message_boxes()[0].text, c.text);
        EXPECT_EQ(test_recorded_message_boxes()[0].caption, "(null)");
        EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_WARNING_OK);
    }
}

TEST_F(ReportStatus, NothingIsShownForSuccessStopsAndStatusesWithoutText) {
    for (int status : {STATUS_OK, STATUS_STOPPED, STATUS_CANCELLED, STATUS_BAD_DATA, STATUS_BAD_BLOCK, 46, -44})
        report_status(OWNER, status);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(ReportStatus, LongestPathIsShownWhole) {
    std::string long_path = "C:\\" + std::string(256, 'p');   // 259 characters
    std::strcpy(ctx.error_file_name, long_path.c_str());
    report_status(OWNER, MSG_FILE_IN_USE);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, long_path + " in use! Please, close all applications and retry.");
}
