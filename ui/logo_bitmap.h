// The layout of the logo picture: a device-independent bitmap (the logo file without its
// 14-byte file header) read whole into memory. Kept apart from the drawing so that what a
// damaged or hostile file can make the program read is decided in one place.
#pragma once

#include <cstdint>

// Size of the information header the program reads (the header's own size field is not
// used for the colour table's place: the table follows at this offset).
constexpr uint32_t LOGO_INFO_HEADER_SIZE = 40;
// Larger pictures than this in either direction are refused as damaged.
constexpr int32_t LOGO_MAX_SIDE = 16384;

struct LogoLayout {
    int32_t width;              // pixels, > 0
    int32_t height;             // pixels, > 0 (rows stored bottom-up)
    uint16_t bits_per_pixel;    // 1, 4, 8, 16, 24 or 32
    uint32_t colour_table_size; // bytes: 4 << bits for 1, 4 and 8 bits per pixel, else 0
    uint32_t bits_offset;       // from the start of the bitmap: 40 + colour_table_size
};

// Reads the layout of the bitmap in `dib` (`size` bytes: information header, colour table,
// pixel data) into `layout`. Returns false, and the picture must not be drawn, unless:
// the information header is whole and its own size field lies within the block; width and
// height are positive and at most LOGO_MAX_SIDE; the bit count is 1, 4, 8, 16, 24 or 32; the
// pixels are uncompressed (compression 0); the colour count, when given, fits the table; and
// the colour table (behind 40 bytes and behind the header's own size) and every row of pixels (rows padded to 4 bytes) lie within `size` bytes.
bool read_logo_layout(const uint8_t* dib, uint32_t size, LogoLayout* layout);
