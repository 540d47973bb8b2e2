// Bit gathering for the block decoders, on a local copy of the decoder's bit state so that
// the hot loops keep it in registers. Bytes are taken straight from the input channel; the
// channel is refilled only when it is empty.
#pragma once

#include "decompress/channels.h"
#include "decompress/decoder.h"

struct BitState {
    uint32_t buffer;
    uint32_t count;
};

inline BitState load_bits() { return BitState{decoder.bit_buffer, decoder.bit_count}; }
inline void store_bits(const BitState& b) {
    decoder.bit_buffer = b.buffer;
    decoder.bit_count = b.count;
}

// Refills the input channel. Returns false when there is no more input; from then on every
// call returns false without touching the channel, so a cancelled read is not asked again.
bool refill_input();

// The status a block ends with when it needs bits the input could not give.
inline int short_input_status() { return decoder.input_status ? decoder.input_status : 1; }

// Gathers bits until `n` (at most 16) are held. When the input runs out it stops short: the
// missing bits read as zeros, and a drop of them fails.
inline void need_bits(BitState& b, unsigned n) {
    StreamChannel* in = decoder.input;
    while (b.count < n) {
        if (in->count == 0 && !refill_input()) return;
        b.buffer |= (uint32_t)*in->cursor++ << b.count;
        in->count--;
        b.count += 8;
    }
}

// Consumes `n` bits. False when fewer are held: the stream ran past the end of its input.
inline bool drop_bits(BitState& b, unsigned n) {
    if (n > b.count) return false;
    b.buffer >>= n;
    b.count -= n;
    return true;
}

// Takes the next `n` bits (at most 16) as a number, the first of them its least significant
// bit, into *value. False when the input ended before them: the stream is short
// (short_input_status()).
inline bool take_bits(BitState& b, unsigned n, unsigned* value) {
    need_bits(b, n);
    *value = b.buffer & ((1u << n) - 1);
    return drop_bits(b, n);
}

// Writes the full window to the output and starts it again. Returns 0 or a status.
int write_window();
