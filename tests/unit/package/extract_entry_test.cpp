// Entry extraction on both platforms: paths, subdirectories, data offsets, size limits,
// the write-error prompt, and memory running out.
#include "entry_fixture.h"

#include "common/status.h"
#include "package/extract_entry.h"

namespace {

class ExtractEntry : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ctx.progress_page = reinterpret_cast<HWND>(0x4321);
        text_ = "The quick brown fox jumps over the lazy dog. ";
        for (int i = 0; i < 6; ++i) text_ += text_;   // 2880 bytes: 3 KB
        open_package(path("setup.exe"), bw::encode_fixed(text_));
    }
    void TearDown() override {
        if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
        ctx.package_file = HFILE_ERROR;
        PlatformTest::TearDown();
    }
    std::string text_;
};

TEST_F(ExtractEntry, FindsTheDataWithAndWithoutAVersionPair) {
    for (uint16_t flags : {0x0001, 0x0010, 0x0016, 0x0000}) {
        auto entry = make_entry("out.bin", flags, 3, 4096);
        EXPECT_EQ(extract_entry("out.bin", entry.data(), dir().c_str()), 0) << flags;
        EXPECT_TRUE(read_file(path("out.bin")) == text_) << flags;
        EXPECT_EQ(ctx.output_file, HFILE_ERROR);
        EXPECT_EQ(std::string(ctx.work_path), path("out.bin"));
    }
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(ExtractEntry, ReplacesAnExistingFileWithoutAsking) {
    write_file(path("out.bin"), std::string(10000, 'o'));
    auto entry = make_entry("out.bin", 0x0010, 3, 4096);
    EXPECT_EQ(extract_entry("out.bin", entry.data(), dir().c_str()), 0);
    EXPECT_TRUE(read_file(path("out.bin")) == text_);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(ExtractEntry, FullPathWithEmptyDirectory) {
    auto entry = make_entry("logo.bmp", 0x0001, 3, 4096);
    std::string target = path("logo.tmp");
    EXPECT_EQ(extract_entry(target.c_str(), entry.data(), ""), 0);
    EXPECT_TRUE(read_file(target) == text_);
}

TEST_F(ExtractEntry, CreatesMissingSubdirectoriesWithoutAsking) {
    make_directory(path("Sub"));   // the first exists already, the next two do not
    auto entry = make_entry("sub\\deeper\\deepest\\file.dat", 0x0010, 3, 4096);
    EXPECT_EQ(extract_entry("sub\\deeper\\deepest\\file.dat", entry.data(), dir().c_str()), 0);
    EXPECT_TRUE(read_file(path("Sub\\deeper\\deepest\\file.dat")) == text_);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(ExtractEntry, DestinationThatCannotBeCreatedAsksRetryOrCancel) {
    // A file stands where the subdirectory should be: it can be neither entered nor made.
    write_file(path("blocked"), "x");
    auto entry = make_entry("blocked\\file.dat", 0x0010, 3, 4096);
    test_script_message_boxes({IDRETRY, IDCANCEL});
    EXPECT_EQ(extract_entry("blocked\\file.dat", entry.data(), dir().c_str()), STATUS_CANCELLED);
    ASSERT_EQ(test_recorded_message_boxes().size(), 2u);   // Retry asked again
    const RecordedMessageBox& box = test_recorded_message_boxes()[0];
    EXPECT_EQ(box.text, path("blocked\\file.dat") + ": write error!");
    EXPECT_EQ(box.style, 0x35u);
    EXPECT_EQ(box.owner, ctx.progress_page);
    EXPECT_EQ(box.caption, "(null)");
    EXPECT_EQ(ctx.output_file, HFILE_ERROR);
}

TEST_F(ExtractEntry, PathTooLongForItsBufferIsNeverCreatedUnderACutName) {
    std::string name(300 - dir().size(), 'n');
    auto entry = make_entry("x", 0x0010, 3, 4096);
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(extract_entry(name.c_str(), entry.data(), dir().c_str()), STATUS_CANCELLED);
    EXPECT_EQ(test_recorded_message_boxes().size(), 1u);
    EXPECT_FALSE(file_exists(std::string(ctx.work_path)));
}

TEST_F(ExtractEntry, SizeLimitIsOneKilobyteOverTheEntrySize) {
    // 2880 bytes: 3 KB is the stored size; 1 KB gives a limit of 2048 bytes.
    auto small = make_entry("out.bin", 0x0010, 1, 4096);
    EXPECT_EQ(extract_entry("out.bin", small.data(), dir().c_str()), MSG_INVALID_DATA);
    EXPECT_FALSE(file_exists(path("out.bin")));   // the torn file is not left behind
    auto exact = make_entry("out.bin", 0x0010, 2, 4096);   // limit 3072
    EXPECT_EQ(extract_entry("out.bin", exact.data(), dir().c_str()), 0);
}

TEST_F(ExtractEntry, DamagedDataGivesTheDecoderStatus) {
    auto entry = make_entry("out.bin", 0x0010, 3, 10);   // points into the filler bytes
    EXPECT_NE(extract_entry("out.bin", entry.data(), dir().c_str()), 0);
    EXPECT_EQ(ctx.output_file, HFILE_ERROR);
    auto past = make_entry("out.bin", 0x0010, 3, 0x7FFFFF00);   // beyond the end of the file
    EXPECT_NE(extract_entry("out.bin", past.data(), dir().c_str()), 0);
}

// Every kind of damage the decoder finds is invalid data (44), which the user is shown;
// none may come back as 2, the user's Cancel, after which nothing is shown.
TEST_F(ExtractEntry, DamagedStreamIsInvalidDataNeverACancel) {
    bw::BitWriter over_subscribed;   // a code-length code of nineteen 1-bit codes
    bw::dynamic_header(over_subscribed, true, 257, 1, std::vector<int>(19, 1), 19, {});
    for (int i = 0; i < 8; ++i) over_subscribed.byte(0);
    const struct {
        const char* label;
        std::string stream;
    } cases[] = {
        {"block type 0", bw::hex("00")},
        {"block type 4, last", bw::hex("0C")},
        {"block type 1 after a stored block", bw::hex("07 01 00 58 01")},
        {"over-subscribed code-length code", over_subscribed.finish()},
    };
    _lclose(ctx.package_file);
    int n = 0;
    for (const auto& c : cases) {
        open_package(path("damaged" + std::to_string(++n) + ".exe"), c.stream);
        auto entry = make_entry("out.bin", 0x0010, 3, 4096);
        EXPECT_EQ(extract_entry("out.bin", entry.data(), dir().c_str()), MSG_INVALID_DATA) << c.label;
        EXPECT_FALSE(file_exists(path("out.bin"))) << c.label;
        _lclose(ctx.package_file);
        ctx.package_file = HFILE_ERROR;
    }
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(ExtractEntry, EachFailedAllocationGivesItsStatusAndLeaksNothing) {
    auto entry = make_entry("out.bin", 0x0010, 3, 4096);
    long before = test_allocation_count();
    ASSERT_EQ(extract_entry("out.bin", entry.data(), dir().c_str()), 0);
    long made = test_allocation_count() - before;
    for (long n = 1; n <= made; ++n) {
        test_fail_allocation(n);
        int status = extract_entry("out.bin", entry.data(), dir().c_str());
        test_fail_allocation(0);
        EXPECT_EQ(status, MSG_NO_MEMORY) << n;   // also when the code tables ran short
        EXPECT_EQ(ctx.output_file, HFILE_ERROR);
    }
}

TEST_F(ExtractEntry, TemporaryFileName) {
    char name[PATH_BUFFER_SIZE] = {};
    ASSERT_NE(make_temp_file_name("Tmp", 0, name), 0u);
    EXPECT_EQ(read_file(name), "");   // created, empty
    std::string base = std::string(name).substr(std::string(name).rfind('\\') + 1);
    EXPECT_EQ(base.substr(0, 3), "Tmp");
    EXPECT_TRUE(DeleteFileA(name));

    char untouched[PATH_BUFFER_SIZE] = "unchanged";
    test_fail_allocation(1);
    EXPECT_EQ(make_temp_file_name("Tmp", 0, untouched), 0u);
    test_fail_allocation(0);
    EXPECT_STREQ(untouched, "unchanged");
}

}  // namespace
