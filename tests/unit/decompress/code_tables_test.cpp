// The lookup-table builder, checked against canonical codes computed independently: every
// symbol of a code must decode from its own bit pattern through the tables.
#include "tests/support/bit_writer.h"
#include "tests/support/test_env.h"

#include "decompress/code_tables.h"

#include <random>

namespace {

using CodeTables = PlatformTest;

const uint16_t kBases[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257,
                             385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289,
                             16385, 24577};
const uint8_t kExtras[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9,
                             10, 10, 11, 11, 12, 12, 13, 13};

struct Built {
    int result;
    CodeEntry* table;
    unsigned bits;
};

Built build(const std::vector<int>& lengths, unsigned simple, unsigned requested,
            const uint16_t* bases = kBases, const uint8_t* extras = kExtras) {
    std::vector<uint8_t> l(lengths.begin(), lengths.end());
    Built b{0, nullptr, requested};
    b.result = build_code_tables(l.data(), (unsigned)l.size(), simple, bases, extras, &b.table, &b.bits);
    return b;
}

// Follows `code` (length bits, most significant first) through the tables as the decoder
// does; returns the final entry and the bits it consumed in total.
const CodeEntry* walk(const CodeEntry* table, unsigned root_bits, uint32_t code, unsigned length,
                      unsigned* used) {
    uint32_t reading = 0;   // the code's bits in reading order
    for (unsigned i = 0; i < length; ++i) reading |= ((code >> (length - 1 - i)) & 1u) << i;
    unsigned consumed = 0;
    const CodeEntry* e = table + (reading & ((1u << root_bits) - 1));
    while (e->op > CODE_OP_LINK_BASE && e->op != CODE_OP_INVALID) {
        consumed += e->bits;
        unsigned n = e->op - CODE_OP_LINK_BASE;
        e = e->table + ((reading >> consumed) & ((1u << n) - 1));
    }
    *used = consumed + e->bits;
    return e;
}

// Every symbol with a length decodes to itself (simple symbols) or its base and extras.
void expect_every_symbol_decodes(const std::vector<int>& lengths, unsigned simple, const Built& b) {
    bw::PrefixCode code(lengths);
    for (size_t s = 0; s < lengths.size(); ++s) {
        if (!lengths[s]) continue;
        unsigned used = 0;
        const CodeEntry* e = walk(b.table, b.bits, code.codes[s], (unsigned)lengths[s], &used);
        ASSERT_EQ(used, (unsigned)lengths[s]) << "symbol " << s;
        if (s < simple) {
            EXPECT_EQ(e->op, s < 256 ? CODE_OP_LITERAL : CODE_OP_END) << "symbol " << s;
            EXPECT_EQ(e->value, s) << "symbol " << s;
        } else {
            EXPECT_EQ(e->op, kExtras[s - simple]) << "symbol " << s;
            EXPECT_EQ(e->value, kBases[s - simple]) << "symbol " << s;
        }
    }
}


TEST_F(CodeTables, NoCodeBuildsNoTable) {
    Built b = build(std::vector<int>(19, 0), 19, 7);
    EXPECT_EQ(b.result, CODE_COMPLETE);
    EXPECT_EQ(b.table, nullptr);
    EXPECT_EQ(b.bits, 0u);
}

TEST_F(CodeTables, OverSubscribedCodeBuildsNothing) {
    for (auto lengths : {std::vector<int>{1, 1, 1}, std::vector<int>{2, 2, 2, 2, 3}}) {
        Built b = build(lengths, 19, 7);
        EXPECT_EQ(b.result, CODE_OVERSUBSCRIBED);
        EXPECT_EQ(b.table, nullptr);
    }
}

TEST_F(CodeTables, SingleOneBitCodeIsAcceptedAndItsOtherPatternIsInvalid) {
    std::vector<int> lengths(30, 0);
    lengths[3] = 1;
    Built b = build(lengths, 0, 6);
    ASSERT_EQ(b.result, CODE_COMPLETE);
    EXPECT_EQ(b.bits, 1u);
    EXPECT_EQ(b.table[0].op, kExtras[3]);
    EXPECT_EQ(b.table[0].value, kBases[3]);
    EXPECT_EQ(b.table[1].op, CODE_OP_INVALID);
    free_code_tables(b.table);
}

TEST_F(CodeTables, FixedCodes) {
    auto lit = bw::fixed_literal_lengths();
    uint16_t length_base[31] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0, 0};
    uint8_t length_extra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 100, 100};
    Built l = build(lit, 257, 7, length_base, length_extra);
    EXPECT_EQ(l.result, CODE_COMPLETE);
    EXPECT_EQ(l.bits, 7u);   // the end-of-block code's length
    bw::PrefixCode lc(lit);
    for (int s = 0; s < 288; ++s) {
        unsigned used = 0;
        const CodeEntry* e = walk(l.table, l.bits, lc.codes[s], (unsigned)lit[s], &used);
        EXPECT_EQ(used, (unsigned)lit[s]);
        if (s < 256) EXPECT_EQ(e->op, CODE_OP_LITERAL);
        else if (s == 256) EXPECT_EQ(e->op, CODE_OP_END);
        else {
            EXPECT_EQ(e->op, length_extra[s - 257]) << s;
            EXPECT_EQ(e->value, length_base[s - 257]) << s;
        }
    }
    free_code_tables(l.table);

    Built d = build(std::vector<int>(30, 5), 0, 5);
    EXPECT_EQ(d.result, CODE_INCOMPLETE);
    EXPECT_EQ(d.bits, 5u);
    EXPECT_EQ(d.table[0x0F].op, CODE_OP_INVALID);   // 11110 read from its low end
    EXPECT_EQ(d.table[0x1F].op, CODE_OP_INVALID);   // 11111
    expect_every_symbol_decodes(std::vector<int>(30, 5), 0, d);
    free_code_tables(d.table);
}

TEST_F(CodeTables, RequestedWidthIsBroughtWithinTheCodeLengths) {
    Built high = build({2, 2, 2, 3, 3}, 19, 9);
    EXPECT_EQ(high.bits, 3u);
    free_code_tables(high.table);
    Built low = build({2, 2, 2, 2}, 19, 1);
    EXPECT_EQ(low.bits, 2u);
    free_code_tables(low.table);
    // When the shortest codes leave patterns over, the root table takes one bit more than
    // asked, so the longer codes still fit in it.
    Built wider = build({2, 2, 2, 3, 3}, 19, 1);
    EXPECT_EQ(wider.bits, 3u);
    expect_every_symbol_decodes({2, 2, 2, 3, 3}, 19, wider);
    free_code_tables(wider.table);
}

TEST_F(CodeTables, EndOfBlockCodeEndsTheRootTable) {
    // End of block in 7 bits, literals in 9 to 10: the root lookup never takes bits past it.
    std::vector<int> lengths(286, 0);
    lengths[256] = 7;
    for (int s = 0; s < 254; ++s) lengths[s] = 9;
    // 1/128 + 254/512 leaves 250/512; fill with 10-bit codes.
    for (int s = 257; s < 257 + 29; ++s) lengths[s] = 10;
    // 29/1024 used; the rest of the patterns stay free: incomplete on purpose.
    Built b = build(lengths, 257, 9);
    EXPECT_EQ(b.result, CODE_INCOMPLETE);
    EXPECT_LE(b.bits, 7u);
    expect_every_symbol_decodes(lengths, 257, b);
    free_code_tables(b.table);
}

TEST_F(CodeTables, IncompleteCodeWithLongerCodesIsReported) {
    Built b = build({2, 2, 2}, 19, 7);
    EXPECT_EQ(b.result, CODE_INCOMPLETE);
    ASSERT_NE(b.table, nullptr);
    EXPECT_EQ(b.table[3].op, CODE_OP_INVALID);   // pattern 11
    free_code_tables(b.table);
}

TEST_F(CodeTables, RandomCompleteCodesDecodeEverySymbol) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        unsigned symbols = 2 + rng() % 287;
        auto lengths = bw::random_complete_lengths(rng, symbols);
        unsigned requested = 1 + rng() % 12;
        unsigned simple = rng() % 2 ? 257 : 0;
        if (simple == 0 && symbols > 30) simple = symbols;   // bases cover 30 symbols
        if (simple == 257 && symbols > 257 + 30) simple = symbols;
        Built b = build(lengths, simple, requested);
        ASSERT_EQ(b.result, CODE_COMPLETE) << "round " << round;
        expect_every_symbol_decodes(lengths, simple, b);
        free_code_tables(b.table);
        if (HasFatalFailure()) return;
    }
}

// Counts the entries of a table and its sub-tables that hold no valid entry: the tables are
// not cleared when allocated, so the walk must write every entry itself.
unsigned unwritten_entries(const CodeEntry* table, unsigned width, int depth = 0) {
    unsigned bad = 0;
    for (unsigned i = 0; i < (1u << width); ++i) {
        const CodeEntry& e = table[i];
        bool link = e.op > CODE_OP_LINK_BASE && e.op <= CODE_OP_LINK_BASE + CODE_MAX_BITS;
        bool valid = e.op <= CODE_OP_MAX_EXTRA || e.op == CODE_OP_END || e.op == CODE_OP_LITERAL ||
                     e.op == CODE_OP_INVALID || link;
        if (!valid || e.bits > CODE_MAX_BITS || depth > (int)CODE_MAX_BITS) ++bad;
        else if (link) bad += unwritten_entries(e.table, e.op - CODE_OP_LINK_BASE, depth + 1);
    }
    return bad;
}

TEST_F(CodeTables, EveryEntryOfEveryTableIsWritten) {
    std::mt19937 rng(4321);
    std::vector<std::vector<int>> codes = {bw::fixed_literal_lengths(), std::vector<int>(30, 5), {2, 2, 2},
                                           {0, 0, 1}};
    for (int round = 0; round < 40; ++round) codes.push_back(bw::random_complete_lengths(rng, 2 + rng() % 287));
    std::vector<int> short_end(286, 0);   // end of block in 7 bits, an incomplete code
    short_end[256] = 7;
    for (int s = 0; s < 254; ++s) short_end[s] = 9;
    for (int s = 257; s < 286; ++s) short_end[s] = 10;
    codes.push_back(short_end);
    for (const auto& lengths : codes) {
        for (unsigned requested : {1u, 5u, 9u}) {
            unsigned simple = lengths.size() > 30 ? (unsigned)lengths.size() : 0;
            Built b = build(lengths, simple, requested);
            ASSERT_LE(b.result, CODE_INCOMPLETE);
            ASSERT_NE(b.table, nullptr);
            EXPECT_EQ(unwritten_entries(b.table, b.bits), 0u) << lengths.size() << " symbols, width " << requested;
            free_code_tables(b.table);
        }
    }
}

TEST_F(CodeTables, EachFailedAllocationGivesThreeAndLeaksNothing) {
    std::mt19937 rng(99);
    auto lengths = bw::random_complete_lengths(rng, 200);
    long before = test_allocation_count();
    Built ok = build(lengths, 200, 4);
    long tables = test_allocation_count() - before;
    ASSERT_EQ(ok.result, CODE_COMPLETE);
    ASSERT_GT(tables, 2);
    free_code_tables(ok.table);
    for (long n = 1; n <= tables; ++n) {
        test_fail_allocation(n);
        Built b = build(lengths, 200, 4);
        EXPECT_EQ(b.result, CODE_NO_MEMORY) << "allocation " << n;
        EXPECT_EQ(b.table, nullptr);
        test_fail_allocation(0);
    }
}

}  // namespace
