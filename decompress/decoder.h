// The decoder of the package's compressed streams.
//
// Format: LZ77 with a 32768-byte window and prefix codes. Bytes are taken in file order and
// bits from the least significant up; multi-bit fields are read least significant bit first,
// prefix codes most significant bit first. A stream is a sequence of blocks, each opened by a
// 4-bit header: bits 0..2 the type (5 fixed codes, 6 dynamic codes, 7 stored; 0..4 invalid),
// bit 3 set on the last block.
//   stored:  skip to the next byte, 16-bit LEN, LEN bytes as they are (no complement of LEN).
//   fixed:   literal/length lengths 8 (0..143), 9 (144..255), 7 (256..279), 8 (280..287);
//            30 distance codes of 5 bits (the patterns of 30 and 31 are invalid).
//   dynamic: 5 bits literal/length count - 257 (at most 286), 5 bits distance count - 1 (at
//            most 30), 4 bits code-length count - 4; that many 3-bit code-length code lengths
//            in the order 18, 17, 16, 0, 1, ..., 15; then both codes' lengths as one sequence
//            in the code-length code (16: repeat the previous 3..6 times, 17: 3..10 zeros,
//            18: 11..138 zeros; a repeat may run on into the distance lengths, not past them).
//   data:    0..255 literals, 256 end of block, 257..285 lengths (base + extra bits) followed
//            by a distance code (base + extra bits, 1..32768 back).
// The decoder knows nothing of files or sizes: the stream says where it ends.
//
// Statuses returned by the operations here:
//   0   the stream decoded to the end of its last block and all of it was written
//   1   damaged or short data: an invalid code (also a symbol of a code that has none, or an
//       invalid entry while reading code lengths); a literal/length count above 286 or a
//       distance count above 30; a code-length repeat past the end; an incomplete code in a
//       dynamic block (unless its longest code has 1 bit); the input ended inside the stream;
//       the output grew past the entry's size limit
//   2   the user answered Cancel to a read or write error prompt (the number a Cancel gives
//       everywhere, and only a Cancel)
//   3   out of memory while building code tables
//   4   a block type 0 to 4, an over-subscribed code
//   37  no memory for the window or a channel ("Not enough memory!")
// On any nonzero status the file written so far is incomplete and must not count as placed.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct CodeEntry;
struct StreamChannel;

constexpr uint32_t WINDOW_SIZE = 32768;

// Decodes the stream that starts at `input`'s position into `output`, writing at most
// `limit` bytes (the whole file is refused a buffer that would pass it). Opens and closes
// the two channels around expand_stream; the output channel is closed first and its last
// write counts: a refused or cancelled final write makes the status nonzero.
int expand_entry(HFILE output, HFILE input, uint32_t limit);

// Decodes one whole stream from decoder.input into decoder.output (both set). Allocates the
// window and frees it, and every code table, on every exit.
int expand_stream();

// Each decodes one block whose 4-bit header has been consumed, on the decoder state.
int expand_stored_block();
int expand_fixed_block();
int expand_dynamic_block();

// Decodes coded data with the given literal/length and distance tables and root widths up
// to and including the end-of-block code. Returns 0 at the end of the block, else a status
// as above (1 for an invalid code or a missing table, the input's or output's failure).
int expand_codes(const CodeEntry* literal_table, const CodeEntry* distance_table,
                 unsigned literal_bits, unsigned distance_bits);

// Decoder state: program-wide, one stream at a time.
struct DecoderState {
    uint32_t bit_buffer;         // bits read and not consumed; the next is bit 0
    uint32_t bit_count;
    uint8_t* window;
    HGLOBAL window_block;
    uint32_t window_pos;
    StreamChannel* input;
    StreamChannel* output;
    CodeEntry* fixed_literal_table;
    CodeEntry* fixed_distance_table;
    unsigned fixed_literal_bits;
    unsigned fixed_distance_bits;
    int input_status;            // nonzero once the input failed: the status a short read gives
};

extern DecoderState decoder;

// bit_masks[n]: the low n bits set.
extern const uint16_t bit_masks[17];
// Requested root widths for the codes of a dynamic block.
extern unsigned literal_lookup_bits;
extern unsigned distance_lookup_bits;
