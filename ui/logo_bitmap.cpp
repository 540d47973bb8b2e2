// Validation of the logo bitmap before anything of it is handed to the drawing calls.
#include "ui/logo_bitmap.h"

#include "common/bytes.h"

namespace {
// Offsets in the information header.
constexpr uint32_t HEADER_SIZE_FIELD = 0;
constexpr uint32_t WIDTH_FIELD = 4;
constexpr uint32_t HEIGHT_FIELD = 8;
constexpr uint32_t BIT_COUNT_FIELD = 14;
constexpr uint32_t COMPRESSION_FIELD = 16;
constexpr uint32_t COLOURS_USED_FIELD = 32;
}  // namespace

bool read_logo_layout(const uint8_t* dib, uint32_t size, LogoLayout* layout) {
    if (!dib || size < LOGO_INFO_HEADER_SIZE) return false;
    // The system reads as much header as the header says it has.
    uint32_t header_size = read_u32(dib + HEADER_SIZE_FIELD);
    if (header_size < LOGO_INFO_HEADER_SIZE || header_size > size) return false;
    int32_t width = (int32_t)read_u32(dib + WIDTH_FIELD);
    int32_t height = (int32_t)read_u32(dib + HEIGHT_FIELD);
    if (width <= 0 || height <= 0 || width > LOGO_MAX_SIDE || height > LOGO_MAX_SIDE) return false;
    uint16_t bits = read_u16(dib + BIT_COUNT_FIELD);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // Compressed pixels have no size that can be checked against the block here.
    if (read_u32(dib + COMPRESSION_FIELD) != 0) return false;
    uint32_t table = bits <= 8 ? 4u << bits : 0;
    uint32_t colours_used = read_u32(dib + COLOURS_USED_FIELD);
    if (colours_used != 0 && (bits > 8 || colours_used > (1u << bits))) return false;
    // 64-bit arithmetic: width and height are at most 16384, so nothing here can wrap.
    uint64_t row_bytes = ((uint64_t)width * bits + 31) / 32 * 4;
    uint64_t needed = (uint64_t)LOGO_INFO_HEADER_SIZE + table + row_bytes * (uint64_t)height;
    if (needed > size) return false;
    // The system looks for the colour table behind the header's own size.
    if ((uint64_t)header_size + table > size) return false;
    layout->width = width;
    layout->height = height;
    layout->bits_per_pixel = bits;
    layout->colour_table_size = table;
    layout->bits_offset = LOGO_INFO_HEADER_SIZE + table;
    return true;
}
