// Lookup tables for the prefix codes of the compressed stream format.
//
// A code is decoded by table lookup: a root table indexed by the next `root width` bits of
// the input (taken from the low end of the bit buffer, so an index is a code's bits in
// reading order, the code bit-reversed) and, for longer codes, sub-tables indexed by the bits
// after those. Codes are assigned canonically: by length, and within a length by symbol.
#pragma once

#include <cstdint>

constexpr unsigned CODE_MAX_BITS = 16;
constexpr unsigned CODE_MAX_SYMBOLS = 288;

// Values of CodeEntry::op.
enum : uint8_t {
    CODE_OP_MAX_EXTRA = 13,   // 0..13: a length or distance base with this many extra bits
    CODE_OP_END = 15,         // end of block
    CODE_OP_LITERAL = 16,     // literal byte (in the code-length code: any symbol)
    // Ops above this base are links: op = base + n (17..31) names a sub-table indexed by the
    // next n bits, n = op - CODE_OP_LINK_BASE. The base itself is the literal's op, so one
    // comparison, op > CODE_OP_LINK_BASE, finds every entry that is not a decoded symbol
    // (a link or an invalid pattern).
    CODE_OP_LINK_BASE = 16,
    CODE_OP_INVALID = 100,    // a pattern no symbol takes
};
static_assert(CODE_OP_LINK_BASE >= CODE_OP_LITERAL && CODE_OP_LINK_BASE + CODE_MAX_BITS < CODE_OP_INVALID,
              "links lie above every symbol's op and below the invalid op");

struct CodeEntry {
    uint8_t op;
    uint8_t bits;             // bits this entry consumes (in a link: the parent table's width)
    union {
        uint16_t value;       // literal, symbol, or base length / distance
        CodeEntry* table;     // link: the sub-table; header entry: the next table of the chain
    };
};

// Results of build_code_tables.
constexpr int CODE_COMPLETE = 0;         // complete, longest code 1 bit, or no code at all
constexpr int CODE_INCOMPLETE = 1;       // tables built; unused patterns decode as invalid
constexpr int CODE_OVERSUBSCRIBED = 2;   // no tables
constexpr int CODE_NO_MEMORY = 3;        // no tables (those made are freed)

// Builds the lookup tables of one prefix code from its code lengths.
//
// Takes:
//   lengths[count]  each symbol's code length, 1..16, or 0 for a symbol without a code (a
//                   length above 16 counts as 0); count at most 288 (symbols past it ignored).
//   simple_count, bases, extras  what a symbol's entry holds. A symbol below simple_count is
//                   simple: op CODE_OP_LITERAL below 256, CODE_OP_END from 256 on, value the
//                   symbol. A symbol s from simple_count on is a length or distance: op
//                   extras[s - simple_count] (its extra bits, 0..13), value bases[s -
//                   simple_count]. Only the symbols with a code are looked up.
//   *bits_inout     the requested root width.
// Builds: the root table, into *table_out, and *bits_inout set to its width; sub-tables for
// the codes longer than their parent tables, linked from them. The root width is the
// requested one brought within the shortest and the longest code's length; but when that is
// the shortest length and longer codes exist, one bit more; and a root wider than the
// end-of-block code (symbol 256, when count is above 256) is cut to that code's length, so
// that decoding the end of a block never needs bits past it. Every pattern of every table is
// written; patterns no code takes decode as CODE_OP_INVALID.
// Every table is one LocalAlloc of 2^n + 1 entries; the first entry is a header whose
// `table` names the next table made for the same code, so free_code_tables frees the chain.
// Returns:
//   CODE_COMPLETE        every pattern has its symbol, or the one code is 1 bit long (its
//                        other pattern is invalid), or no symbol has a code (no table, null
//                        *table_out, *bits_inout 0);
//   CODE_INCOMPLETE      tables built with patterns left invalid (the caller frees them): the
//                        block format decides whether such a code may be used;
//   CODE_OVERSUBSCRIBED  refused: more codes than patterns, two symbols would share one, so
//                        no table can decode the code;
//   CODE_NO_MEMORY       refused: a table could not be allocated (those made are freed).
// Refused codes keep no table: *table_out is null and must not be used.
int build_code_tables(const uint8_t* lengths, unsigned count, unsigned simple_count,
                      const uint16_t* bases, const uint8_t* extras, CodeEntry** table_out,
                      unsigned* bits_inout);

// Frees every table of the code whose root table is `root`. Null is allowed.
void free_code_tables(CodeEntry* root);
