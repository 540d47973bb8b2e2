// The package checksum: the fold itself and the sum of a file's bytes from a position on.
#include "package/checksum.h"
#include "tests/support/test_env.h"

#include <cstring>

namespace {

uint32_t sum_of(const std::string& s, uint32_t start = 0) {
    return checksum_add(reinterpret_cast<const uint8_t*>(s.data()), (uint32_t)s.size(), start);
}

// Bytes that differ at every position, so any slip of a word or byte shows.
std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = (char)((i * 131 + (i >> 8) * 7 + 1) & 0xFF);
    return s;
}

}  // namespace

TEST(Checksum, KnownValues) {
    EXPECT_EQ(sum_of(""), 0u);
    EXPECT_EQ(sum_of("abc"), 0x000002ABu);
    EXPECT_EQ(sum_of("abcd"), 0x64636261u);
    EXPECT_EQ(sum_of("abcde"), 0xC8C6C527u);
    EXPECT_EQ(sum_of(bytes("\x00\x00\x00\x80\x00\x00\x00\x80", 8)), 0x80000001u);
    EXPECT_EQ(sum_of(bytes("\xFF", 1), 0x80000000u), 0x100u);   // the top bit rotates round
}

TEST(Checksum, PiecesOfWholeWordsEqualOnePass) {
    std::string data = pattern(40003);
    uint32_t sum = 0;
    for (size_t at = 0; at < data.size(); at += 16384) sum = sum_of(data.substr(at, 16384), sum);
    EXPECT_EQ(sum, sum_of(data));
}

using ChecksumOfFile = PlatformTest;

TEST_F(ChecksumOfFile, NoWorkBlockGivesZeroAndReadsNothing) {
    write_file(path("p.bin"), "abcd");
    HFILE f = _lopen(path("p.bin").c_str(), OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    test_fail_allocation(1);
    EXPECT_EQ(checksum_bytes(f, 4), 0u);
    EXPECT_EQ(_llseek(f, 0, FILE_CURRENT), 0);
    test_fail_allocation(0);
    EXPECT_EQ(checksum_bytes(f, 4), 0x64636261u);
    _lclose(f);
}

TEST_F(ChecksumOfFile, SumOfACountStopsThereOrAtTheEnd) {
    std::string data = pattern(16384 * 2 + 1000 + 3);   // two work blocks and a part, not whole words
    write_file(path("p.bin"), data);
    HFILE f = _lopen(path("p.bin").c_str(), OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    // From `start`, `count` bytes; the position is left behind what was read.
    const struct { LONG start; uint32_t count; } cases[] = {
        {0, 0}, {0, 16384}, {0, 16385}, {4, 21000}, {100, 7}, {16000, 100000}, {(LONG)data.size(), 10},
        {8, (uint32_t)data.size()}, {(LONG)data.size() - 3, 3},
    };
    for (const auto& c : cases) {
        _llseek(f, c.start, FILE_BEGIN);
        size_t available = data.size() - (size_t)c.start;
        size_t read = c.count < available ? c.count : available;
        EXPECT_EQ(checksum_bytes(f, c.count), sum_of(data.substr((size_t)c.start, read))) << c.start << "+" << c.count;
        EXPECT_EQ(_llseek(f, 0, FILE_CURRENT), c.start + (LONG)read) << c.start << "+" << c.count;
    }
    _lclose(f);
}
