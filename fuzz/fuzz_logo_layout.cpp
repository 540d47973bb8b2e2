// Fuzz target: the logo picture's layout check over arbitrary bytes.
//
// The bytes stand for the logo file without its 14-byte file header, read whole into a block
// of exactly that size, as start-up reads it. Checked beyond the sanitizers: a layout that is
// accepted describes a colour table and rows that all lie inside the block, and every byte it
// describes is read here, so a layout that lied about its sizes would read past the block.
#include "ui/logo_bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    std::vector<uint8_t> block(data, data + size);   // exactly `size` bytes on the heap
    LogoLayout layout;
    if (!read_logo_layout(block.data(), (uint32_t)size, &layout)) return 0;
    if (layout.width <= 0 || layout.height <= 0 || layout.width > LOGO_MAX_SIDE || layout.height > LOGO_MAX_SIDE)
        std::abort();
    uint64_t stride = (((uint64_t)layout.width * layout.bits_per_pixel + 31) / 32) * 4;
    uint64_t end = (uint64_t)layout.bits_offset + stride * (uint64_t)layout.height;
    if (layout.bits_offset < LOGO_INFO_HEADER_SIZE + layout.colour_table_size || end > size) std::abort();
    // Touch the colour table and the first and last byte of every row.
    uint32_t sum = 0;
    for (uint32_t i = 0; i < layout.colour_table_size; ++i) sum += block[LOGO_INFO_HEADER_SIZE + i];
    for (int32_t row = 0; row < layout.height; ++row) {
        const uint8_t* p = block.data() + layout.bits_offset + stride * (uint64_t)row;
        sum += p[0] + p[stride - 1];
    }
    if (sum == 0xFFFFFFFFu) std::abort();   // keeps the reads
    return 0;
}
