#include "tools/setup-pack/bit_writer.h"

#include <cassert>

void BitWriter::put(uint32_t value, unsigned count) {
    assert(count <= 32);
    if (count == 0) return;
    uint64_t bits = value & (count == 32 ? 0xFFFFFFFFull : ((1ull << count) - 1));
    pending_ |= bits << pending_count_;
    pending_count_ += count;
    while (pending_count_ >= 8) {
        bytes_.push_back((uint8_t)pending_);
        pending_ >>= 8;
        pending_count_ -= 8;
    }
}

uint32_t reverse_bits(uint32_t code, unsigned length) {
    uint32_t r = 0;
    for (unsigned i = 0; i < length; ++i) r |= ((code >> i) & 1u) << (length - 1 - i);
    return r;
}

void BitWriter::put_code(uint32_t code, unsigned length) { put(reverse_bits(code, length), length); }

void BitWriter::align() {
    if (pending_count_ != 0) put(0, 8 - pending_count_);
}

void BitWriter::put_bytes(const uint8_t* bytes, size_t count) {
    assert(pending_count_ == 0);
    bytes_.insert(bytes_.end(), bytes, bytes + count);
}

void BitWriter::put_bits(const uint8_t* bits, size_t count) {
    size_t whole = count / 8;
    if (pending_count_ == 0) {
        bytes_.insert(bytes_.end(), bits, bits + whole);
    } else {
        size_t i = 0;
        for (; i + 4 <= whole; i += 4)
            put((uint32_t)bits[i] | (uint32_t)bits[i + 1] << 8 | (uint32_t)bits[i + 2] << 16 | (uint32_t)bits[i + 3] << 24, 32);
        for (; i < whole; ++i) put(bits[i], 8);
    }
    if (count % 8) put(bits[whole], (unsigned)(count % 8));
}

std::vector<uint8_t> BitWriter::take_whole_bytes() {
    std::vector<uint8_t> out;
    out.swap(bytes_);
    taken_ += out.size();
    return out;
}

std::vector<uint8_t> BitWriter::finish() {
    align();
    std::vector<uint8_t> out;
    out.swap(bytes_);
    pending_ = 0;
    pending_count_ = 0;
    taken_ = 0;
    return out;
}
