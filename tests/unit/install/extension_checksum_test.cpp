// The embedded checksum of extension files: the block-wise test must agree with a plain pass
// over the whole file, wherever the marker lies relative to the 8192-byte blocks.
#include "tests/support/test_env.h"

#include "common/bytes.h"
#include "install/extension_checksum.h"

#include <cstring>
#include <random>
#include <unordered_map>

namespace {

// The plain definition, over the whole file at once: the oracle for the block-wise test.
uint32_t whole_file_sum(std::string bytes, bool& has_marker, uint32_t& stored) {
    has_marker = false;
    for (size_t p = 0; p + 10 <= bytes.size(); ++p) {
        if (std::memcmp(bytes.data() + p, EXTENSION_MARKER, 6) != 0) continue;
        stored = read_u32((const uint8_t*)bytes.data() + p + 6);
        std::memset(&bytes[p + 6], 0, 4);
        has_marker = true;
        break;
    }
    return extension_checksum_add((const uint8_t*)bytes.data(), (uint32_t)bytes.size(), EXTENSION_CHECKSUM_SEED);
}

std::string random_bytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = (char)(rng() & 0xFF);
    return s;
}

// `bytes` with the marker at `at` and the right stored checksum behind it.
std::string stamped(std::string bytes, size_t at) {
    std::memcpy(&bytes[at], EXTENSION_MARKER, 6);
    std::memset(&bytes[at + 6], 0, 4);
    uint32_t sum = extension_checksum_add((const uint8_t*)bytes.data(), (uint32_t)bytes.size(), EXTENSION_CHECKSUM_SEED);
    write_u32((uint8_t*)&bytes[at + 6], sum);
    return bytes;
}

class ExtensionChecksum : public PlatformTest {
protected:
    int test_file(const std::string& bytes) {
        write_file(path("ext.cox"), bytes);
        HFILE f = _lopen(path("ext.cox").c_str(), OF_READ);
        EXPECT_NE(f, HFILE_ERROR);
        _llseek(f, 3, FILE_BEGIN);   // the test starts from anywhere
        int result = extension_checksum_matches(f);
        _lclose(f);
        return result;
    }
};

}  // namespace

TEST(ExtensionChecksumSum, FoldsEachByteRotatedMinusFifteen) {
    const uint8_t one[] = {0x10};
    EXPECT_EQ(extension_checksum_add(one, 1, 0x80000000u), 0x00000002u);   // rotate to 1, + 16 - 15
    const uint8_t zero[] = {0};
    EXPECT_EQ(extension_checksum_add(zero, 1, 0), 0xFFFFFFF1u);            // 0 - 15 wraps
    EXPECT_EQ(extension_checksum_add(nullptr, 0, 1234), 1234u);
}

TEST_F(ExtensionChecksum, StampedFilesPassWhereverTheMarkerLies) {
    struct Case {
        size_t size, marker_at;
        const char* label;
    };
    const Case cases[] = {
        {100, 0, "marker at the start"},
        {100, 90, "stored value ends the file"},
        {8192, 4000, "exactly one block"},
        {20000, 8186, "marker ends at the boundary, value in the next block"},
        {20000, 8185, "value straddles the first boundary"},
        {20000, 8189, "marker straddles the first boundary"},
        {20000, 8191, "marker starts on the last byte of the block"},
        {30000, 16382, "marker straddles the second block boundary"},
        {30000, 24572, "value straddles the third block boundary"},
        {16384, 16374, "value ends a file of two whole blocks"},
        {40000, 39990, "marker near the end of a long file"},
    };
    for (const Case& c : cases) {
        std::string file = stamped(random_bytes(c.size, (uint32_t)c.size + (uint32_t)c.marker_at), c.marker_at);
        bool has;
        uint32_t stored = 0;
        EXPECT_EQ(whole_file_sum(file, has, stored), stored) << c.label;
        EXPECT_EQ(test_file(file), EXTENSION_CHECKSUM_MATCH) << c.label;
        file[c.size / 2] ^= 0x01;   // any changed byte fails
        EXPECT_EQ(test_file(file), EXTENSION_CHECKSUM_MISMATCH) << c.label;
    }
}

TEST_F(ExtensionChecksum, ChangedStoredValueFails) {
    std::string file = stamped(random_bytes(20000, 7), 8185);
    file[8192] ^= 0x40;   // a byte of the stored value, in the second block
    EXPECT_EQ(test_file(file), EXTENSION_CHECKSUM_MISMATCH);
}

TEST_F(ExtensionChecksum, OnlyTheFirstMarkerCounts) {
    std::string base = random_bytes(20000, 11);
    std::memcpy(&base[15000], EXTENSION_MARKER, 6);
    std::memset(&base[15006], 0xAB, 4);   // a second marker holding a wrong value
    EXPECT_EQ(test_file(stamped(base, 100)), EXTENSION_CHECKSUM_MATCH);

    // The right value behind the second marker does not save a wrong first one.
    std::string second_right = stamped(base, 15000);
    std::memcpy(&second_right[100], EXTENSION_MARKER, 6);
    std::memset(&second_right[106], 0, 4);
    EXPECT_EQ(test_file(second_right), EXTENSION_CHECKSUM_MISMATCH);
}

TEST_F(ExtensionChecksum, FilesWithoutMarkerFail) {
    EXPECT_EQ(test_file(""), EXTENSION_CHECKSUM_MISMATCH);
    EXPECT_EQ(test_file("\x44\x02\x01"), EXTENSION_CHECKSUM_MISMATCH);          // shorter than the marker
    EXPECT_EQ(test_file(bytes("\x44\x02\x01\x56\x27\x75\x00\x00", 8)), EXTENSION_CHECKSUM_MISMATCH);   // value cut off
    EXPECT_EQ(test_file(random_bytes(9000, 5)), EXTENSION_CHECKSUM_MISMATCH);
}

TEST_F(ExtensionChecksum, FileWithoutMarkerWhoseSumIsTheSentinelPasses) {
    // Meet in the middle: the sums after random 24-byte prefixes, and the states from which a
    // random 24-byte suffix reaches the sentinel, until one state is in both. (24 bytes are
    // enough for the states to spread over all 2^32 values.)
    constexpr int HALF = 24;
    std::mt19937 rng(1);
    auto piece = [&rng](uint8_t* out) { for (int i = 0; i < HALF; ++i) out[i] = (uint8_t)rng(); };
    std::unordered_map<uint32_t, std::string> forward;
    for (int i = 0; i < (1 << 17); ++i) {
        uint8_t b[HALF];
        piece(b);
        forward.emplace(extension_checksum_add(b, HALF, EXTENSION_CHECKSUM_SEED), std::string((const char*)b, HALF));
    }
    std::string found;
    for (int i = 0; i < (1 << 21) && found.empty(); ++i) {
        uint8_t b[HALF];
        piece(b);
        uint32_t state = EXTENSION_CHECKSUM_SENTINEL;   // run the suffix backwards
        for (int k = HALF - 1; k >= 0; --k) {
            state = state - b[k] + 15u;
            state = (state >> 1) | (state << 31);
        }
        auto hit = forward.find(state);
        if (hit != forward.end()) found = hit->second + std::string((const char*)b, HALF);
    }
    ASSERT_EQ(found.size(), 2u * HALF);
    ASSERT_EQ(found.find(std::string((const char*)EXTENSION_MARKER, 6)), std::string::npos);
    ASSERT_EQ(extension_checksum_add((const uint8_t*)found.data(), 2 * HALF, EXTENSION_CHECKSUM_SEED),
              EXTENSION_CHECKSUM_SENTINEL);
    EXPECT_EQ(test_file(found), EXTENSION_CHECKSUM_MATCH);
    found[0] ^= 1;
    EXPECT_EQ(test_file(found), EXTENSION_CHECKSUM_MISMATCH);
}

TEST_F(ExtensionChecksum, NoBufferMeansUntested) {
    std::string file = random_bytes(100, 3);
    write_file(path("ext.mox"), file);
    HFILE f = _lopen(path("ext.mox").c_str(), OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    test_fail_allocation(1);
    EXPECT_EQ(extension_checksum_matches(f), EXTENSION_CHECKSUM_UNTESTED);
    test_fail_allocation(0);
    _lclose(f);
}
