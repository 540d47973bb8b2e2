// Rewrites a raw DEFLATE stream, block by block, in the package's stream format.
#pragma once

#include "tools/setup-pack/stream_parser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TranscodeStats {
    unsigned blocks = 0;           // blocks written
    unsigned kept = 0;             // DEFLATE blocks carried over with their own codes
    unsigned as_fixed = 0;         // dynamic blocks the package format cannot take, written with fixed codes
    unsigned as_stored = 0;        // ... written as stored blocks (fewer bits than fixed)
    size_t bit_length = 0;         // bits written, before the padding of the last byte
    size_t last_header_bit = 0;    // where the header of the last block written starts
};

// Writes `parsed` (the parse of the DEFLATE stream `deflate`) in the package format. Stored
// blocks lose NLEN; fixed blocks keep their bits; dynamic blocks get the 4-bit header and the
// package's code-length order and keep every other bit. A dynamic block whose codes the
// package decoder would refuse (a count above 286 or 30, an incomplete code other than a
// single 1-bit one, an empty code-length code) is written again from its coded items with the
// fixed codes, or as stored blocks when those take fewer bits.
std::vector<uint8_t> transcode_deflate(const uint8_t* deflate, const ParsedStream& parsed,
                                       TranscodeStats* stats = nullptr);

// Block headers of the package format.
constexpr unsigned PACKAGE_FIXED_BLOCK = 5;
constexpr unsigned PACKAGE_DYNAMIC_BLOCK = 6;
constexpr unsigned PACKAGE_STORED_BLOCK = 7;
constexpr unsigned PACKAGE_LAST_BLOCK = 8;
constexpr size_t MAX_STORED_LENGTH = 65535;
