// Parsing of compressed streams, block by block: raw DEFLATE (what libdeflate writes) and the
// package's own stream format. The parser keeps what the transcoder needs to write a block
// again (its kind, code lengths, coded items and where its bits lie) and inflates the data,
// so the caller can check the stream against the bytes it was made from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class StreamFormat {
    deflate,   // RFC 1951: 3-bit header, its code-length order, stored blocks with NLEN
    package,   // 4-bit header (5 fixed, 6 dynamic, 7 stored; bit 3 last), order 18, 17, 16, 0..15,
               // stored blocks without NLEN, and the package decoder's limits on codes
};

constexpr unsigned MAX_LITERAL_COUNT = 286;    // literal/length code lengths a package block may hold
constexpr unsigned MAX_DISTANCE_COUNT = 30;    // distance code lengths a package block may hold
constexpr unsigned END_OF_BLOCK = 256;

// One coded item of a block: a literal (symbol below 256) or a match.
struct Token {
    uint16_t symbol;           // literal/length symbol, 0 to 285, never 256
    uint16_t length_extra;     // value of the length's extra bits
    uint16_t distance_code;    // 0 to 29 (matches only)
    uint16_t distance_extra;   // value of the distance's extra bits
};

enum class BlockKind { stored, fixed, dynamic };

struct ParsedBlock {
    BlockKind kind = BlockKind::stored;
    bool last = false;
    size_t output_begin = 0, output_end = 0;   // the bytes this block produces
    // Dynamic blocks: the counts and code lengths as the block sends them.
    unsigned literal_count = 0, distance_count = 0;
    uint8_t code_length_lengths[19] = {};      // by code-length symbol
    uint8_t lengths[288 + 32] = {};            // literal/length lengths, then distance lengths
    // Bits that the package format shares with DEFLATE word for word: for a dynamic block
    // from the coded code lengths to the end-of-block code, for a fixed block its data.
    size_t copy_begin_bit = 0, end_bit = 0;
    std::vector<Token> tokens;                 // fixed and dynamic blocks
};

struct ParsedStream {
    std::vector<ParsedBlock> blocks;
    std::vector<uint8_t> output;               // the inflated data
    size_t end_bit = 0;                        // first bit after the last block
};

// Parses `size` bytes as one stream of `format`. Returns "" on success, else what is wrong
// (the stream ends early, a block type, count or code is invalid, a distance reaches before
// the start, or the output would pass `output_limit` bytes).
std::string parse_stream(const uint8_t* data, size_t size, StreamFormat format, ParsedStream& out,
                         size_t output_limit = SIZE_MAX);

// Which of the package decoder's rules a set of code lengths breaks: "" when it accepts the
// code (complete, longest code of 1 bit, or, when `may_be_empty`, no code at all); else
// "over-subscribed", "incomplete", "empty" or "longer than 15 bits".
std::string package_code_fault(const uint8_t* lengths, unsigned count, bool may_be_empty);

// The code-length code's order of lengths in each format.
extern const uint8_t DEFLATE_CODE_LENGTH_ORDER[19];
extern const uint8_t PACKAGE_CODE_LENGTH_ORDER[19];

// Length and distance bases and extra-bit counts (the same in both formats).
extern const uint16_t LENGTH_BASE[29];
extern const uint8_t LENGTH_EXTRA[29];
extern const uint16_t DISTANCE_BASE[30];
extern const uint8_t DISTANCE_EXTRA[30];
