// The stream decoder over hand-made streams: every block type, the window's edges, and every
// way a stream can be damaged or cut short.
#include "decode_helper.h"
#include "tests/support/bit_writer.h"

#include "common/status.h"

#include <algorithm>
#include <random>

namespace {

using Decoder = PlatformTest;
using bw::BitWriter;
using bw::PrefixCode;

std::string sample_text(size_t size, unsigned seed) {
    // Words from a small vocabulary with random bytes mixed in: literals, short and long
    // matches, near and far distances.
    static const char* words[] = {"plug-in ", "browser ", "window ", "Brisvane ", "setup ",
                                  "the ", "a ", "of ", "\r\n", "directory "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        if (rng() % 8 == 0) s.push_back((char)(rng() & 0xFF));
        else s += words[rng() % 10];
    }
    s.resize(size);
    return s;
}

struct ByteCase {
    const char* label;
    const char* hex;
    int status;
    const char* out;
};

TEST_F(Decoder, ByteStrings) {
    const ByteCase cases[] = {
        {"one last stored block", "0F 03 00 61 62 63", 0, "abc"},
        {"empty stored block, then a last one", "07 00 00 0F 01 00 41", 0, "A"},
        {"fixed block with only its end code", "0D 00", 0, ""},
        {"fixed block: literal a, end", "9D 08 00", 0, "a"},
        {"block type 0", "00", STATUS_BAD_BLOCK, ""},
        {"block type 4, last", "0C", STATUS_BAD_BLOCK, ""},
        {"block type 1 after a stored block", "07 01 00 58 01", STATUS_BAD_BLOCK, ""},
        {"no bytes at all", "", STATUS_BAD_DATA, ""},
        {"stored block cut inside its data", "0F 03 00 61 62", STATUS_BAD_DATA, ""},
        {"stored block cut inside its length", "0F 03", STATUS_BAD_DATA, ""},
        {"stream without a last block", "07 01 00 41", STATUS_BAD_DATA, ""},
        {"bytes after the last block are ignored", "0F 01 00 41 FF FF", 0, "A"},
    };
    for (const ByteCase& c : cases) {
        Decoded d = decode_stream(dir(), bw::hex(c.hex));
        EXPECT_EQ(d.status, c.status) << c.label;
        EXPECT_EQ(d.out, c.out) << c.label;
    }
}

TEST_F(Decoder, EachBlockTypeRoundTrips) {
    std::string text = sample_text(100000, 7);
    EXPECT_TRUE(decode_stream(dir(), bw::encode_fixed(text)).out == text);
    Decoded dyn = decode_stream(dir(), bw::encode_dynamic(text));
    EXPECT_EQ(dyn.status, 0);
    EXPECT_TRUE(dyn.out == text);

    // All three kinds in one stream; the bit buffer carries from block to block, and the
    // second fixed block reuses the fixed tables.
    BitWriter w;
    bw::header(w, bw::FIXED, false);
    bw::put_items(w, bw::parse("fixed fixed fixed "), bw::fixed_literal_code(), bw::fixed_distance_code());
    bw::stored_block(w, "stored", false, 1);
    bw::dynamic_header(w, false, bw::full_literal_lengths(), bw::full_distance_lengths());
    bw::put_items(w, bw::parse("dynamic dynamic"), PrefixCode(bw::full_literal_lengths()),
                  PrefixCode(bw::full_distance_lengths()));
    bw::header(w, bw::FIXED, true);
    bw::put_items(w, bw::parse(" and fixed again fixed"), bw::fixed_literal_code(), bw::fixed_distance_code());
    Decoded mixed = decode_stream(dir(), w.finish());
    EXPECT_EQ(mixed.status, 0);
    EXPECT_EQ(mixed.out, "fixed fixed fixed storeddynamic dynamic and fixed again fixed");
}

TEST_F(Decoder, StoredBlockSkipsWhateverTheLeftoverBitsHold) {
    BitWriter w;
    bw::header(w, bw::FIXED, false);
    bw::put_items(w, {{'x', 0, 0}}, bw::fixed_literal_code(), bw::fixed_distance_code());
    bw::stored_block(w, "", false, 1);     // empty, its skipped bits all ones
    bw::stored_block(w, "yz", true, 1);
    Decoded d = decode_stream(dir(), w.finish());
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.out, "xyz");
}

TEST_F(Decoder, OutputEndingExactlyAtWholeWindows) {
    for (size_t size : {32768u, 65536u, 32767u, 32769u}) {
        std::string text = sample_text(size, (unsigned)size);
        BitWriter w;
        bw::stored_block(w, text.substr(0, 40000 < size ? 40000 : size), size <= 40000);
        if (size > 40000) bw::stored_block(w, text.substr(40000), true);
        Decoded stored = decode_stream(dir(), w.finish());
        EXPECT_EQ(stored.status, 0) << size;
        EXPECT_TRUE(stored.out == text) << size;
        Decoded fixed = decode_stream(dir(), bw::encode_fixed(text));
        EXPECT_EQ(fixed.status, 0) << size;
        EXPECT_TRUE(fixed.out == text) << size;
    }
}

TEST_F(Decoder, MatchesRepeatOverlapAndReachBeforeTheStart) {
    struct Case {
        const char* label;
        std::vector<bw::Item> items;
        std::string out;
    };
    std::string run(300, 'q');
    std::vector<bw::Item> far_items = {{'q', 0, 0}, {-1, 258, 1}, {-1, 41, 1}, {-1, 5, 32768}};
    const Case cases[] = {
        {"distance 1 repeats one byte", {{'x', 0, 0}, {-1, 258, 1}}, std::string(259, 'x')},
        {"distance 2 over length 7", {{'a', 0, 0}, {'b', 0, 0}, {-1, 7, 2}}, "ababababa"},
        {"before the start: zeros", {{-1, 10, 5}}, std::string(10, '\0')},
        {"32768 back reaches the first zeros", far_items, run + std::string(5, '\0')},
    };
    for (const Case& c : cases) {
        BitWriter w;
        bw::header(w, bw::FIXED, true);
        bw::put_items(w, c.items, bw::fixed_literal_code(), bw::fixed_distance_code());
        Decoded d = decode_stream(dir(), w.finish());
        EXPECT_EQ(d.status, 0) << c.label;
        EXPECT_EQ(d.out, c.out) << c.label;
    }
}

TEST_F(Decoder, MatchesAcrossTheWindowEnd) {
    // A text long enough that many copies wrap: 3 windows of repeating material.
    std::string text;
    std::mt19937 rng(5);
    std::string unit = sample_text(1000, 3);
    while (text.size() < 3 * 32768 + 517) text += unit.substr(rng() % 500, 200 + rng() % 300);
    EXPECT_TRUE(decode_stream(dir(), bw::encode_fixed(text)).out == text);
    EXPECT_TRUE(decode_stream(dir(), bw::encode_dynamic(text)).out == text);
}


TEST_F(Decoder, RandomItemsDecodeAsTheWindowRingDefinesThem) {
    // Items of every kind the window handles differently: literals in rows, repeats of one
    // byte, sources 2..7 and 8 or more behind, sources ahead in the window's last round,
    // overlapping or not, sources across the window's end, reaches before the stream's start.
    // The expected output comes from a 32768-byte ring copied one byte at a time.
    std::mt19937 rng(2024);
    for (int round = 0; round < 4; ++round) {
        std::vector<bw::Item> items;
        std::string expected;
        std::vector<uint8_t> ring(WINDOW_SIZE, 0);
        uint32_t pos = 0;
        while (expected.size() < 150000) {
            unsigned kind = rng() % 10;
            if (kind < 4) {
                for (unsigned n = 1 + rng() % 6; n > 0; --n) {
                    uint8_t c = (uint8_t)(rng() % 7 == 0 ? rng() : 'a' + rng() % 6);
                    items.push_back({c, 0, 0});
                    ring[pos++ & (WINDOW_SIZE - 1)] = c;
                    expected.push_back((char)c);
                }
                continue;
            }
            int length = rng() % 4 == 0 ? 3 + (int)(rng() % 256) : 3 + (int)(rng() % 14);
            int distance = kind == 4 ? 1 + (int)(rng() % 9)
                           : kind == 5 ? (int)WINDOW_SIZE - (int)(rng() % 300)
                           : 1 + (int)(rng() % (kind == 6 ? 40 : WINDOW_SIZE));
            items.push_back({-1, length, distance});
            for (int k = 0; k < length; ++k, ++pos) {
                uint8_t c = ring[(pos - (uint32_t)distance) & (WINDOW_SIZE - 1)];
                ring[pos & (WINDOW_SIZE - 1)] = c;
                expected.push_back((char)c);
            }
        }
        BitWriter w;
        if (round % 2 == 0) {
            bw::header(w, bw::FIXED, true);
            bw::put_items(w, items, bw::fixed_literal_code(), bw::fixed_distance_code());
        } else {
            auto lit = bw::random_complete_lengths(rng, 286);
            auto dist = bw::random_complete_lengths(rng, 30);
            bw::dynamic_header(w, true, lit, dist);
            bw::put_items(w, items, PrefixCode(lit), PrefixCode(dist));
        }
        Decoded d = decode_stream(dir(), w.finish());
        EXPECT_EQ(d.status, 0) << "round " << round;
        EXPECT_TRUE(d.out == expected) << "round " << round;
    }
}

// A fixed block whose data is one literal and then `tail` (symbols written raw).
std::string fixed_with(void (*tail)(BitWriter&)) {
    BitWriter w;
    bw::header(w, bw::FIXED, true);
    bw::fixed_literal_code().put(w, 'k');
    tail(w);
    bw::fixed_literal_code().put(w, 256);
    return w.finish();
}

TEST_F(Decoder, InvalidFixedSymbols) {
    void (*tails[])(BitWriter&) = {
        [](BitWriter& w) { bw::fixed_literal_code().put(w, 286); },
        [](BitWriter& w) { bw::fixed_literal_code().put(w, 287); },
        [](BitWriter& w) { bw::fixed_literal_code().put(w, 257); bw::fixed_distance_code().put(w, 30); },
        [](BitWriter& w) { bw::fixed_literal_code().put(w, 257); bw::fixed_distance_code().put(w, 31); },
    };
    for (auto tail : tails) {
        Decoded d = decode_stream(dir(), fixed_with(tail));
        EXPECT_EQ(d.status, STATUS_BAD_DATA);
        EXPECT_EQ(d.out, "");   // the window's partial content is not written
    }
}

// A dynamic block header with raw counts (the fields hold count - 257 and count - 1).
std::string dynamic_counts(int literal_field, int distance_field) {
    BitWriter w;
    bw::header(w, bw::DYNAMIC, true);
    w.bits((uint32_t)literal_field, 5);
    w.bits((uint32_t)distance_field, 5);
    w.bits(15, 4);
    for (int i = 0; i < 19; ++i) w.bits(4, 3);
    for (int i = 0; i < 40; ++i) w.byte(0);
    return w.finish();
}

TEST_F(Decoder, CountsAboveTheirMaximum) {
    EXPECT_EQ(decode_stream(dir(), dynamic_counts(30, 0)).status, STATUS_BAD_DATA);   // 287
    EXPECT_EQ(decode_stream(dir(), dynamic_counts(31, 0)).status, STATUS_BAD_DATA);   // 288
    EXPECT_EQ(decode_stream(dir(), dynamic_counts(0, 30)).status, STATUS_BAD_DATA);   // 31
    EXPECT_EQ(decode_stream(dir(), dynamic_counts(0, 31)).status, STATUS_BAD_DATA);   // 32
}

// Literal/length lengths: 'a' 2 bits, end of block 1 bit, symbol 257 (length 3) 2 bits.
std::vector<int> tiny_literal_lengths(size_t count = 259) {
    std::vector<int> l(count, 0);
    l['a'] = 2;
    l[256] = 1;
    if (count > 257) l[257] = 2;
    return l;
}

using Sequence = std::vector<std::pair<int, int>>;

// Code-length symbols for tiny_literal_lengths(259) and then `tail`; the first zeros are
// started with a repeat symbol 16 before anything else, which repeats length 0.
Sequence tiny_sequence(const Sequence& tail) {
    Sequence seq = {{16, 0}, {18, 94 - 11}, {2, 0}, {18, 127}, {17, 7}, {17, 7}, {1, 0}, {2, 0}};
    seq.insert(seq.end(), tail.begin(), tail.end());
    return seq;
}

BitWriter tiny_block(const Sequence& tail, int distance_count = 3,
                     std::vector<int> length_code = bw::plain_length_code_lengths()) {
    BitWriter w;
    bw::dynamic_header(w, true, 259, distance_count, length_code, 19, tiny_sequence(tail));
    return w;
}

TEST_F(Decoder, DynamicBlockCodeLengthSequences) {
    PrefixCode lit(tiny_literal_lengths());
    PrefixCode one_bit_distance_2(std::vector<int>{0, 0, 1});   // distance code 2: distance 3
    struct Case {
        const char* label;
        Sequence tail;          // after symbol 257: symbol 258 and the 3 distance lengths
        int bad_distance_bit;   // -1: data 'a' 'a' 'a' + (3, 3); else write this distance bit
        int status;
        const char* out;
    };
    const Case cases[] = {
        {"zeros run from literal/length into distance lengths", {{17, 0}, {1, 0}}, -1, 0, "aaaaaa"},
        {"the single 1-bit distance code's other pattern", {{17, 0}, {1, 0}}, 1, STATUS_BAD_DATA, ""},
        {"zeros past the end", {{17, 2}}, -1, STATUS_BAD_DATA, ""},
    };
    for (const Case& c : cases) {
        BitWriter w = tiny_block(c.tail);
        if (c.bad_distance_bit < 0) {
            bw::put_items(w, {{'a', 0, 0}, {'a', 0, 0}, {'a', 0, 0}, {-1, 3, 3}}, lit, one_bit_distance_2);
        } else {
            lit.put(w, 'a');
            lit.put(w, 257);
            w.bits((uint32_t)c.bad_distance_bit, 1);
            lit.put(w, 256);
        }
        Decoded d = decode_stream(dir(), w.finish());
        EXPECT_EQ(d.status, c.status) << c.label;
        EXPECT_EQ(d.out, c.out) << c.label;
    }
}

TEST_F(Decoder, RepeatPastTheEndOfTheSequence) {
    // After the last distance length a repeat would pass the end.
    BitWriter w;
    Sequence seq = tiny_sequence({{17, 0}});           // 258, d0, d1 zero; d2 still missing
    seq.push_back({16, 1});                            // 4 copies where 1 is left
    bw::dynamic_header(w, true, 259, 3, bw::plain_length_code_lengths(), 19, seq);
    EXPECT_EQ(decode_stream(dir(), w.finish()).status, STATUS_BAD_DATA);
}

TEST_F(Decoder, BadCodesInDynamicBlocks) {
    std::vector<int> lit = tiny_literal_lengths(258);
    std::vector<int> dist = {1, 1};
    struct Case {
        const char* label;
        std::vector<int> lit, dist;
        int status;
    };
    std::vector<int> incomplete_lit = lit;
    incomplete_lit[256] = 2;                  // 'a', 256 of 2 bits: half the patterns unused
    std::vector<int> over_lit = lit;
    over_lit['b'] = 1;                        // 1 + 1 + 2 + ... too many
    const Case cases[] = {
        {"incomplete literal/length code", incomplete_lit, dist, STATUS_BAD_DATA},
        {"incomplete distance code", lit, {2, 2, 2}, STATUS_BAD_DATA},
        {"over-subscribed literal/length code", over_lit, dist, STATUS_BAD_BLOCK},
        {"over-subscribed distance code", lit, {1, 1, 1}, STATUS_BAD_BLOCK},
        {"no literal/length code at all", std::vector<int>(257, 0), dist, STATUS_BAD_DATA},
    };
    for (const Case& c : cases) {
        BitWriter w;
        bw::dynamic_header(w, true, c.lit, c.dist);
        for (int i = 0; i < 8; ++i) w.byte(0);
        Decoded d = decode_stream(dir(), w.finish());
        EXPECT_EQ(d.status, c.status) << c.label;
    }

    // An over-subscribed code-length code.
    BitWriter w;
    bw::dynamic_header(w, true, 257, 1, std::vector<int>(19, 1), 19, {});
    for (int i = 0; i < 8; ++i) w.byte(0);
    EXPECT_EQ(decode_stream(dir(), w.finish()).status, STATUS_BAD_BLOCK);

    // A code-length code with no codes at all, and one whose single 1-bit code's other
    // pattern comes up while the lengths are read.
    BitWriter none;
    bw::dynamic_header(none, true, 257, 1, std::vector<int>(19, 0), 4, {});
    none.byte(0);
    EXPECT_EQ(decode_stream(dir(), none.finish()).status, STATUS_BAD_DATA);
    std::vector<int> single(19, 0);
    single[0] = 1;
    BitWriter other;
    bw::dynamic_header(other, true, 257, 1, single, 19, {{0, 0}, {0, 0}});
    other.bits(1, 1);
    other.byte(0);
    EXPECT_EQ(decode_stream(dir(), other.finish()).status, STATUS_BAD_DATA);
}

TEST_F(Decoder, LiteralsOnlyBlockNeedsNoDistanceCode) {
    std::vector<int> lit = tiny_literal_lengths(258);
    std::vector<int> dist = {0};
    BitWriter w;
    bw::dynamic_header(w, true, lit, dist);
    PrefixCode lc(lit);
    lc.put(w, 'a');
    lc.put(w, 'a');
    lc.put(w, 256);
    Decoded d = decode_stream(dir(), w.finish());
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.out, "aa");

    // The same block with a match: a distance is needed and none can be decoded.
    BitWriter m;
    bw::dynamic_header(m, true, lit, dist);
    lc.put(m, 'a');
    lc.put(m, 257);
    m.bits(0, 8);
    lc.put(m, 256);
    EXPECT_EQ(decode_stream(dir(), m.finish()).status, STATUS_BAD_DATA);
}

TEST_F(Decoder, LastLookupMayReachPastTheFinalByte) {
    // Distance code lengths 1..6: the root lookup is 6 bits wide, while the last match's
    // distance code is 1 bit and the end-of-block code 1 bit. Leading literals place the
    // stream's end so that the last lookup needs bits beyond the final byte.
    std::vector<int> lit = tiny_literal_lengths(258);
    std::vector<int> dist = {1, 2, 3, 4, 5, 6, 6};
    PrefixCode lc(lit), dc(dist);
    bool reached_past = false;
    for (int n = 1; n <= 4; ++n) {
        BitWriter w;
        bw::dynamic_header(w, true, lit, dist);
        for (int i = 0; i < n; ++i) lc.put(w, 'a');
        lc.put(w, 257);
        dc.put(w, 0);
        lc.put(w, 256);
        size_t padding = (8 - w.bit_count() % 8) % 8;
        reached_past |= 2 + padding < 6;
        Decoded d = decode_stream(dir(), w.finish());
        EXPECT_EQ(d.status, 0) << n;
        EXPECT_EQ(d.out, std::string((size_t)n + 3, 'a')) << n;
    }
    EXPECT_TRUE(reached_past);
}

TEST_F(Decoder, CutStreamsNeverCountAsWritten) {
    // Every proper prefix of a valid stream fails: nothing short is reported as success.
    std::string text = sample_text(3000, 11);
    for (const std::string& full : {bw::encode_fixed(text), bw::encode_dynamic(text)}) {
        ASSERT_TRUE(decode_stream(dir(), full).out == text);
        for (size_t cut = 0; cut < full.size(); cut += 1 + cut / 8) {
            Decoded d = decode_stream(dir(), full.substr(0, cut));
            EXPECT_NE(d.status, 0) << "cut at " << cut;
        }
    }
}

TEST_F(Decoder, OutputLimit) {
    std::string text = sample_text(5000, 2);
    std::string stream = bw::encode_fixed(text);
    // The file may reach its limit exactly; one byte more is refused and reported.
    EXPECT_EQ(decode_stream(dir(), stream, 5000).status, 0);
    Decoded over = decode_stream(dir(), stream, 4999);
    EXPECT_EQ(over.status, STATUS_BAD_DATA);
    EXPECT_EQ(over.out, "");
    // Past a full window: the first 32768 bytes are written, then the rest is refused.
    std::string big = sample_text(40000, 3);
    Decoded cut = decode_stream(dir(), bw::encode_fixed(big), 33 * 1024);
    EXPECT_EQ(cut.status, STATUS_BAD_DATA);
    EXPECT_TRUE(cut.out == big.substr(0, 32768));
}

TEST_F(Decoder, StreamStartsAtTheInputPosition) {
    std::string stream = std::string(1000, '\x55') + bw::hex("0F 03 00 61 62 63") + "junk";
    Decoded d = decode_stream(dir(), stream, 0, 1000);
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.out, "abc");
}

TEST_F(Decoder, EachFailedAllocationGivesItsStatusAndLeaksNothing) {
    // A dynamic block and then fixed blocks: channels (4 allocations), the window, the
    // dynamic block's three codes and the fixed codes.
    std::string text = sample_text(2000, 9);
    BitWriter w;
    bw::dynamic_header(w, false, bw::full_literal_lengths(), bw::full_distance_lengths());
    bw::put_items(w, bw::parse(text), PrefixCode(bw::full_literal_lengths()),
                  PrefixCode(bw::full_distance_lengths()));
    bw::header(w, bw::FIXED, true);
    bw::put_items(w, bw::parse(text), bw::fixed_literal_code(), bw::fixed_distance_code());
    std::string stream = w.finish();

    long before = test_allocation_count();
    ASSERT_TRUE(decode_stream(dir(), stream).out == text + text);
    long made = test_allocation_count() - before;
    ASSERT_GT(made, 7);
    for (long n = 1; n <= made; ++n) {
        test_fail_allocation(n);
        Decoded d = decode_stream(dir(), stream);
        test_fail_allocation(0);
        int expected = n <= 5 ? MSG_NO_MEMORY : STATUS_TABLE_MEMORY;   // channels, window; tables
        EXPECT_EQ(d.status, expected) << "allocation " << n;
        EXPECT_FALSE(d.out == text + text) << "allocation " << n;
    }
}

}  // namespace
