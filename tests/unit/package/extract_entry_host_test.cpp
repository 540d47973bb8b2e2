// Extraction over files that exist and cannot be recreated: read-only and in use. Host
// only: Wine run as root (as on this machine) lets a read-only file be recreated, which
// Windows does not, so only the stand-in shows the behaviour the program is written for.
#include "entry_fixture.h"

#include "common/status.h"
#include "package/extract_entry.h"
#include "platform/host/host_control.h"

namespace {

class ExtractProtected : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ctx.progress_page = reinterpret_cast<HWND>(0x4321);
        open_package(path("setup.exe"), bw::hex("0F 03 00 6E 65 77"));   // "new"
        entry_ = make_entry("old.dll", 0x0016, 1, 4096);
        write_file(path("old.dll"), "old contents");
    }
    void TearDown() override {
        _lclose(ctx.package_file);
        ctx.package_file = HFILE_ERROR;
        SetFileAttributesA(path("old.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
        PlatformTest::TearDown();
    }
    int extract() { return extract_entry("old.dll", entry_.data(), dir().c_str()); }
    std::vector<uint8_t> entry_;
};

TEST_F(ExtractProtected, ReadOnlyFileAsksAbortRetryIgnore) {
    SetFileAttributesA(path("old.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    const struct {
        std::vector<int> answers;
        int status;
        size_t boxes;
    } cases[] = {
        {{IDABORT}, STATUS_STOPPED, 1},
        {{IDIGNORE}, STATUS_OK, 1},
        {{IDRETRY, IDRETRY, IDABORT}, STATUS_STOPPED, 3},
    };
    for (const auto& c : cases) {
        size_t before = test_recorded_message_boxes().size();
        test_script_message_boxes(c.answers);
        EXPECT_EQ(extract(), c.status);
        EXPECT_EQ(read_file(path("old.dll")), "old contents");
        ASSERT_EQ(test_recorded_message_boxes().size(), before + c.boxes);
        const RecordedMessageBox& box = test_recorded_message_boxes()[before];
        EXPECT_EQ(box.text, path("old.dll") + ": Cannot remove this file because it is write protected.");
        EXPECT_EQ(box.style, 0x32u);
        EXPECT_EQ(box.owner, ctx.progress_page);
        EXPECT_EQ(ctx.output_file, HFILE_ERROR);
    }
}

TEST_F(ExtractProtected, FileInUseIsAskedAboutAndIgnoreKeepsIt) {
    host_set_file_locked(path("old.dll").c_str(), true);
    test_script_message_boxes({IDIGNORE});
    EXPECT_EQ(extract(), STATUS_OK);
    EXPECT_EQ(read_file(path("old.dll")), "old contents");
    host_set_file_locked(path("old.dll").c_str(), false);
    EXPECT_EQ(extract(), STATUS_OK);
    EXPECT_EQ(read_file(path("old.dll")), "new");
}

TEST_F(ExtractProtected, WriteErrorRetryThenSuccessWritesACorrectFile) {
    std::string text(100000, 'w');
    for (size_t i = 0; i < text.size(); i += 13) text[i] = (char)(i * 7);
    _lclose(ctx.package_file);
    open_package(path("setup.exe"), bw::encode_dynamic(text));
    auto entry = make_entry("big.bin", 0x0010, 98, 4096);
    test_script_message_boxes({IDRETRY});
    host_short_write_once(1000);
    EXPECT_EQ(extract_entry("big.bin", entry.data(), dir().c_str()), 0);
    EXPECT_TRUE(read_file(path("big.bin")) == text);
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_EQ(test_recorded_message_boxes()[0].text, path("big.bin") + ": write error!");
}

}  // namespace
