// Stream channels over real files: buffer sizes, reading in pieces, the input and output
// limits, and what happens when memory for a channel is missing.
#include "tests/support/test_env.h"

#include "decompress/channels.h"

#include <cstring>

namespace {

using Channels = PlatformTest;

HFILE open_read(const std::string& path) { return _lopen(path.c_str(), OF_READ); }

TEST_F(Channels, BufferSizes) {
    const struct { uint32_t asked, capacity; } cases[] = {
        {0, 32768}, {1, 4}, {3, 4}, {4, 4}, {5, 5}, {65530, 65530}, {65531, 65530}, {1000000, 65530},
    };
    for (auto c : cases) {
        StreamChannel* ch = channel_open(HFILE_ERROR, c.asked, 0, 0);
        ASSERT_NE(ch, nullptr);
        EXPECT_EQ(ch->capacity, c.capacity) << c.asked;
        EXPECT_EQ(ch->count, 0u);
        EXPECT_EQ(ch->cursor, ch->buffer);
        EXPECT_EQ(channel_close(ch), 0);
    }
}

TEST_F(Channels, ReadsInPiecesUntilTheFileEnds) {
    write_file(path("in.bin"), "0123456789");
    HFILE f = open_read(path("in.bin"));
    StreamChannel* ch = channel_open(f, 4, CHANNEL_NO_INPUT_LIMIT, 0);
    std::string got;
    int result;
    while ((result = channel_fill(ch)) == CHANNEL_OK) {
        got.append(reinterpret_cast<char*>(ch->cursor), ch->count);
        EXPECT_LE(ch->count, 4u);
        ch->count = 0;
    }
    EXPECT_EQ(result, CHANNEL_END);
    EXPECT_EQ(got, "0123456789");
    EXPECT_TRUE(test_recorded_message_boxes().empty());   // the end of a file is no error
    channel_close(ch);
    _lclose(f);
}

TEST_F(Channels, InputLimitStopsReading) {
    write_file(path("in.bin"), "0123456789");
    HFILE f = open_read(path("in.bin"));
    StreamChannel* ch = channel_open(f, 8, 6, 0);
    ASSERT_EQ(channel_fill(ch), CHANNEL_OK);
    EXPECT_EQ(ch->count, 6u);
    EXPECT_EQ(channel_fill(ch), CHANNEL_OK);   // bytes still there: nothing read
    ch->count = 0;
    EXPECT_EQ(channel_fill(ch), CHANNEL_END);
    EXPECT_EQ(_llseek(f, 0, FILE_CURRENT), 6);   // no read was made at limit 0
    channel_close(ch);
    _lclose(f);
}

// Writes `data` through an output channel with `capacity` and `limit`; returns the results
// of the writes (first failure) and of the close.
std::pair<int, int> write_through(const std::string& path, const std::string& data, uint32_t capacity,
                                  uint32_t limit, size_t piece) {
    HFILE f = _lcreat(path.c_str(), 0);
    StreamChannel* ch = channel_open(f, capacity, limit, 1);
    int write_result = 0;
    for (size_t i = 0; i < data.size() && write_result == 0; i += piece) {
        std::string part = data.substr(i, piece);
        write_result = channel_write(ch, reinterpret_cast<const uint8_t*>(part.data()), (uint32_t)part.size());
    }
    int close_result = channel_close(ch);
    _lclose(f);
    return {write_result, close_result};
}

TEST_F(Channels, OutputLimitTakesWholeBuffers) {
    std::string data = "abcdefghijk";
    // Exactly the limit.
    EXPECT_EQ(write_through(path("a"), data.substr(0, 10), 4, 10, 3), std::make_pair(0, 0));
    EXPECT_EQ(read_file(path("a")), "abcdefghij");
    // One byte more: the last buffer (ijk) is refused whole, without a prompt.
    EXPECT_EQ(write_through(path("b"), data, 4, 10, 3), std::make_pair(0, CHANNEL_FAILED));
    EXPECT_EQ(read_file(path("b")), "abcdefgh");
    // A refused full buffer stops the write that needed room.
    EXPECT_EQ(write_through(path("c"), data, 4, 6, 11).first, CHANNEL_FAILED);
    EXPECT_EQ(read_file(path("c")), "abcd");
    // Limit 0 means none.
    EXPECT_EQ(write_through(path("d"), data, 4, 0, 5), std::make_pair(0, 0));
    EXPECT_EQ(read_file(path("d")), data);
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(Channels, NothingToDo) {
    EXPECT_EQ(channel_close(nullptr), 0);
    HFILE f = _lcreat(path("o").c_str(), 0);
    StreamChannel* ch = channel_open(f, 16, 0, 1);
    EXPECT_EQ(channel_write(ch, reinterpret_cast<const uint8_t*>("x"), 0), 0);
    EXPECT_EQ(ch->count, 0u);
    EXPECT_EQ(channel_flush(ch), 0);
    EXPECT_EQ(channel_close(ch), 0);
    _lclose(f);
    EXPECT_EQ(read_file(path("o")), "");
}

TEST_F(Channels, MissingMemoryGivesNoChannelAndLeaksNothing) {
    for (long n = 1; n <= 2; ++n) {
        test_fail_allocation(n);
        EXPECT_EQ(channel_open(HFILE_ERROR, 0, 0, 0), nullptr) << n;
        test_fail_allocation(0);
    }
}

}  // namespace
