// Read and write errors of the channels, with their Retry / Cancel prompts. Host only: the
// failures come from the stand-in's failure switches.
#include "decode_helper.h"
#include "tests/support/bit_writer.h"

#include "common/status.h"
#include "decompress/channels.h"
#include "platform/host/host_control.h"

#include <cstring>

namespace {

class ChannelErrors : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ctx.backdrop_window = reinterpret_cast<HWND>(0x1234);
        std::strcpy(ctx.error_file_name, "C:\\setup.exe");
        std::strcpy(ctx.work_path, path("out.bin").c_str());
    }
};

TEST_F(ChannelErrors, ReadErrorRetryReadsTheSameBytes) {
    write_file(path("in.bin"), "0123456789");
    HFILE f = _lopen(path("in.bin").c_str(), OF_READ);
    StreamChannel* ch = channel_open(f, 4, CHANNEL_NO_INPUT_LIMIT, 0);
    ASSERT_EQ(channel_fill(ch), 0);
    ch->count = 0;
    host_fail_read(1);
    test_script_message_boxes({IDRETRY});
    ASSERT_EQ(channel_fill(ch), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ch->cursor), ch->count), "4567");
    ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
    const RecordedMessageBox& box = test_recorded_message_boxes()[0];
    EXPECT_EQ(box.text, "C:\\setup.exe: read error!");
    EXPECT_EQ(box.style, 0x35u);
    EXPECT_EQ(box.owner, ctx.backdrop_window);
    channel_close(ch);
    _lclose(f);
}

TEST_F(ChannelErrors, ReadErrorCancelledThenChannelStillUsable) {
    write_file(path("in.bin"), "0123456789");
    HFILE f = _lopen(path("in.bin").c_str(), OF_READ);
    StreamChannel* ch = channel_open(f, 4, CHANNEL_NO_INPUT_LIMIT, 0);
    host_fail_read(1);
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(channel_fill(ch), CHANNEL_FAILED);
    EXPECT_EQ(ch->count, 0u);
    ASSERT_EQ(channel_fill(ch), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ch->cursor), ch->count), "0123");
    channel_close(ch);
    _lclose(f);
}

struct WriteCase {
    const char* label;
    void (*arm)();
};

TEST_F(ChannelErrors, WriteErrorRetryWritesACorrectFile) {
    const WriteCase cases[] = {
        {"write fails", [] { host_fail_write(2); }},
        {"write stores part of the buffer", [] { host_short_write_once(5); }},
    };
    std::string data;
    for (int i = 0; i < 3000; ++i) data.push_back((char)('a' + i % 26));
    for (const WriteCase& c : cases) {
        size_t boxes = test_recorded_message_boxes().size();
        HFILE f = _lcreat(path("out.bin").c_str(), 0);
        StreamChannel* ch = channel_open(f, 1024, 0, 1);
        test_script_message_boxes({IDRETRY});
        c.arm();
        EXPECT_EQ(channel_write(ch, reinterpret_cast<const uint8_t*>(data.data()), (uint32_t)data.size()), 0)
            << c.label;
        EXPECT_EQ(channel_close(ch), 0) << c.label;
        _lclose(f);
        EXPECT_EQ(read_file(path("out.bin")), data) << c.label;
        ASSERT_EQ(test_recorded_message_boxes().size(), boxes + 1) << c.label;
        EXPECT_EQ(test_recorded_message_boxes()[boxes].text, path("out.bin") + ": write error!");
        EXPECT_EQ(test_recorded_message_boxes()[boxes].style, 0x35u);
    }
}

TEST_F(ChannelErrors, WriteErrorCancelKeepsTheBuffer) {
    HFILE f = _lcreat(path("out.bin").c_str(), 0);
    StreamChannel* ch = channel_open(f, 8, 0, 1);
    ASSERT_EQ(channel_write(ch, reinterpret_cast<const uint8_t*>("abcdef"), 6), 0);
    host_fail_write(1);
    test_script_message_boxes({IDCANCEL});
    EXPECT_EQ(channel_flush(ch), CHANNEL_FAILED);
    EXPECT_EQ(ch->count, 6u);
    EXPECT_EQ(channel_close(ch), 0);   // the next flush tries again
    _lclose(f);
    EXPECT_EQ(read_file(path("out.bin")), "abcdef");
}

TEST_F(ChannelErrors, DecoderReportsCancelledReadAndWrite) {
    std::string text(70000, 'z');
    for (size_t i = 0; i < text.size(); i += 7) text[i] = (char)i;
    std::string stream = bw::encode_fixed(text);

    test_script_message_boxes({IDCANCEL});
    Decoded read = decode_stream(dir(), stream, 0, 0, [] { host_fail_read(1); });
    EXPECT_EQ(read.status, STATUS_CANCELLED);
    EXPECT_EQ(test_recorded_message_boxes().size(), 1u);   // asked once, not at every byte

    test_script_message_boxes({IDCANCEL});
    Decoded write = decode_stream(dir(), stream, 0, 0, [] { host_fail_write(1); });
    EXPECT_EQ(write.status, STATUS_CANCELLED);

    // The last write, made when the output channel is closed, counts as well.
    test_script_message_boxes({IDCANCEL});
    Decoded last = decode_stream(dir(), bw::encode_fixed("short"), 0, 0, [] { host_fail_write(1); });
    EXPECT_EQ(last.status, STATUS_CANCELLED);

    test_script_message_boxes({IDRETRY});
    Decoded retried = decode_stream(dir(), stream, 0, 0, [] { host_short_write_once(100); });
    EXPECT_EQ(retried.status, 0);
    EXPECT_TRUE(retried.out == text);
}

}  // namespace
