// An LSB-first bit writer: fields go in least significant bit first, prefix codes most
// significant bit first, exactly as the package's stream format (and DEFLATE) packs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BitWriter {
public:
    // Appends the low `count` bits of `value` (count 0 to 32), least significant first.
    void put(uint32_t value, unsigned count);
    // Appends a prefix code of `length` bits (1 to 16), most significant bit first.
    void put_code(uint32_t code, unsigned length);
    // Pads with zero bits up to the next byte boundary.
    void align();
    // Appends whole bytes; the writer must be at a byte boundary.
    void put_bytes(const uint8_t* bytes, size_t count);
    // Appends the first `count` bits of `bits` (packed as this writer packs them), at any
    // bit position.
    void put_bits(const uint8_t* bits, size_t count);
    // Hands over the whole bytes written so far, keeping the bits of an unfinished byte:
    // for writing a long stream out piece by piece.
    std::vector<uint8_t> take_whole_bytes();
    // Number of bits written so far (also those already taken).
    size_t bit_length() const { return (taken_ + bytes_.size()) * 8 + pending_count_; }
    // Pads the last byte with zero bits and hands the bytes over; the writer is empty after.
    std::vector<uint8_t> finish();

private:
    std::vector<uint8_t> bytes_;
    uint64_t pending_ = 0;
    unsigned pending_count_ = 0;
    size_t taken_ = 0;   // bytes handed over by take_whole_bytes
};

// The `length`-bit prefix code `code` with its bits in reverse order: the order they are
// written in, lowest bit first.
uint32_t reverse_bits(uint32_t code, unsigned length);
