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

namespace {

// The PE checksum as its definition reads, word by word over the whole file with the field
// as zero: the oracle for the byte-wise fold.
uint32_t pe_reference(std::string file, uint32_t field) {
    std::memset(&file[field], 0, 4);
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        uint32_t word = (uint8_t)file[i] | (i + 1 < file.size() ? (uint32_t)(uint8_t)file[i + 1] << 8 : 0u);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + (uint32_t)file.size();
}

uint32_t pe_of(const std::string& file, uint32_t field) {
    return pe_checksum_of(reinterpret_cast<const uint8_t*>(file.data()), (uint32_t)file.size(), field);
}

}  // namespace

TEST(PeChecksum, KnownValues) {
    const struct {
        const char* label;
        std::string file;
        uint32_t field;
        uint32_t sum;
    } cases[] = {
        {"the field only", bytes("\x11\x22\x33\x44", 4), 0, 4},
        {"words after the field", bytes("\xFF\xFF\xFF\xFF\x01\x02\x03\x00", 8), 0, 0x0204 + 8},
        {"an odd last byte is a low half", bytes("\x00\x00\x00\x00\x01\x02\x03", 7), 0, 0x0204 + 7},
        {"the carry comes round", bytes("\x00\x00\x00\x00\xFF\xFF\x02\x00", 8), 0, 0x0002 + 8},
        {"0xFFFF stays 0xFFFF", bytes("\x00\x00\x00\x00\xFF\xFF", 6), 0, 0xFFFF + 6},
        {"the field in the middle", bytes("\x01\x00\xAA\xBB\xCC\xDD\x02\x00", 8), 2, 0x0003 + 8},
        {"all zero", std::string(10, '\0'), 4, 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pe_of(c.file, c.field), c.sum) << c.label;
        EXPECT_EQ(pe_reference(c.file, c.field), c.sum) << c.label;
    }
}

TEST(PeChecksum, PiecesStartingAnywhereGiveTheWholeFilesSum) {
    // Sizes around a word, fields at even and odd places, pieces of every parity: the same
    // sum as the word-by-word definition.
    for (size_t size : {6u, 7u, 64u, 65u, 4097u, 70000u}) {
        std::string file = pattern(size);
        for (uint32_t field : {0u, 1u, 2u, (uint32_t)size - 4}) {
            uint32_t want = pe_reference(file, field);
            EXPECT_EQ(pe_of(file, field), want) << size << " field " << field;
            std::string zeroed = file;
            std::memset(&zeroed[field], 0, 4);
            const auto* b = reinterpret_cast<const uint8_t*>(zeroed.data());
            for (uint32_t cut : {1u, 2u, 3u, 5u, 4096u}) {
                uint32_t sum = 0;
                for (uint32_t at = 0; at < size; at += cut) {
                    uint32_t n = size - at < cut ? (uint32_t)size - at : cut;
                    sum = pe_checksum_add(b + at, n, at, sum);
                    ASSERT_LT(sum, 0x10002u);
                }
                EXPECT_EQ(pe_checksum_finish(sum, (uint32_t)size), want) << size << " in pieces of " << cut;
            }
        }
    }
    // A run of 0xFF bytes keeps the sum at its highest without overflowing.
    std::string ones(200000, '\xFF');
    EXPECT_EQ(pe_of(ones, 0), pe_reference(ones, 0));
}
