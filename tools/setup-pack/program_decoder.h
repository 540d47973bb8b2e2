// Decoding a package stream with the program's own decoder (expand_entry), in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t NO_OUTPUT_LIMIT = 0xFFFFFFFF;

// Decodes `size` bytes of stream with the program's expand_entry, writing at most `limit`
// bytes, into `out`. Returns expand_entry's status (0 success; 1, 2, 3, 4 or 37), or -1 when the
// in-memory files could not be made.
int decode_with_program(const uint8_t* stream, size_t size, uint32_t limit, std::vector<uint8_t>& out);
