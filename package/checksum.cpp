#include "package/checksum.h"

#include "common/bytes.h"
#include "common/memory_blocks.h"

namespace {

constexpr uint32_t CHECKSUM_BLOCK_SIZE = 16384;

inline uint32_t fold(uint32_t sum, uint32_t value) { return ((sum << 1) | (sum >> 31)) + value; }

}  // namespace

uint32_t checksum_add(const uint8_t* buffer, uint32_t length, uint32_t sum) {
    uint32_t words = length / 4;
    for (uint32_t i = 0; i < words; ++i) sum = fold(sum, read_u32(buffer + 4 * i));
    for (uint32_t i = words * 4; i < length; ++i) sum = fold(sum, buffer[i]);
    return sum;
}

uint32_t checksum_bytes(HFILE file, uint32_t remaining) {
    HGLOBAL block = nullptr;
    auto* buffer = static_cast<uint8_t*>(alloc_block(CHECKSUM_BLOCK_SIZE, &block));
    if (!buffer) return 0;

    uint32_t sum = 0;
    while (remaining > 0) {
        UINT want = remaining < CHECKSUM_BLOCK_SIZE ? remaining : CHECKSUM_BLOCK_SIZE;
        UINT got = _lread(file, buffer, want);
        // A failed or short read stops here: folding stale bytes of the block, or going on
        // with a count that never reaches zero, would only hide the failure.
        if (got == (UINT)HFILE_ERROR || got == 0) break;
        if (got > want) got = want;
        sum = checksum_add(buffer, got, sum);
        remaining -= got;
        if (got < want) break;
    }

    free_block(&block);
    return sum;
}

uint32_t pe_checksum_add(const uint8_t* bytes, uint32_t length, uint32_t position, uint32_t sum) {
    for (uint32_t i = 0; i < length; ++i) {
        sum += (uint32_t)bytes[i] << (((position + i) & 1) << 3);
        sum = (sum & 0xFFFF) + (sum >> 16);   // the end-around carry
    }
    return sum;
}

uint32_t pe_checksum_of(const uint8_t* file, uint32_t size, uint32_t field) {
    uint32_t sum = pe_checksum_add(file, field, 0, 0);
    const uint32_t after = field + 4;
    return pe_checksum_finish(pe_checksum_add(file + after, size - after, after, sum), size);
}
