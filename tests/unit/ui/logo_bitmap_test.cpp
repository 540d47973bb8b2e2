// The logo picture's layout check: what a damaged or hostile logo file may make the drawing
// read. Bitmaps are built here field by field, then damaged one field at a time.
#include "ui/logo_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Dib {
    uint32_t header_size = 40;
    int32_t width = 4, height = 3;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t colours_used = 0;
};

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

// The bitmap (no file header): information header, full colour table, and `pixel_bytes` of
// pixel data (by default exactly what the rows need).
std::vector<uint8_t> make_dib(const Dib& d, long pixel_bytes = -1) {
    uint32_t table = d.bits <= 8 ? 4u << d.bits : 0;
    long row = ((long)d.width * d.bits + 31) / 32 * 4;
    if (pixel_bytes < 0) pixel_bytes = row * (d.height < 0 ? -d.height : d.height);
    std::vector<uint8_t> b(40 + table + pixel_bytes, 0x5A);
    std::memset(b.data(), 0, 40);
    put32(b, 0, d.header_size);
    put32(b, 4, (uint32_t)d.width);
    put32(b, 8, (uint32_t)d.height);
    b[12] = 1;
    b[14] = (uint8_t)d.bits;
    b[15] = (uint8_t)(d.bits >> 8);
    put32(b, 16, d.compression);
    put32(b, 32, d.colours_used);
    return b;
}

bool layout_of(const std::vector<uint8_t>& b, LogoLayout* out) {
    return read_logo_layout(b.data(), (uint32_t)b.size(), out);
}

}  // namespace

TEST(LogoLayout, PixelDataFollowsTheFullColourTable) {
    struct { uint16_t bits; uint32_t table; } cases[] = {{1, 8}, {4, 64}, {8, 1024}, {16, 0}, {24, 0}, {32, 0}};
    for (const auto& c : cases) {
        Dib d;
        d.width = 102;
        d.height = 240;
        d.bits = c.bits;
        std::vector<uint8_t> b = make_dib(d);
        LogoLayout layout = {};
        ASSERT_TRUE(layout_of(b, &layout)) << c.bits;
        EXPECT_EQ(layout.width, 102);
        EXPECT_EQ(layout.height, 240);
        EXPECT_EQ(layout.bits_per_pixel, c.bits);
        EXPECT_EQ(layout.colour_table_size, c.table);
        EXPECT_EQ(layout.bits_offset, 40 + c.table);
    }
}

TEST(LogoLayout, RowsArePaddedToFourBytes) {
    Dib d;
    d.width = 5;   // 24 bits: 15 bytes a row, 16 with padding
    d.height = 2;
    d.bits = 24;
    LogoLayout layout;
    EXPECT_TRUE(layout_of(make_dib(d, 32), &layout));
    EXPECT_FALSE(layout_of(make_dib(d, 31), &layout));   // the last row's padding is missing
    EXPECT_FALSE(layout_of(make_dib(d, 30), &layout));   // the rows unpadded
}

TEST(LogoLayout, DamagedHeadersAreRefused) {
    struct Case {
        const char* label;
        Dib dib;
        long pixel_bytes;   // -1: what the picture needs
    };
    Dib base;
    auto with = [&](auto change) { Dib d = base; change(d); return d; };
    Case cases[] = {
        {"more rows than data", base, 4 * 3 - 1},
        {"no pixel data at all", base, 0},
        {"negative width", with([](Dib& d) { d.width = -4; }), 64},
        {"zero width", with([](Dib& d) { d.width = 0; }), 64},
        {"negative height", with([](Dib& d) { d.height = -3; }), 64},
        {"zero height", with([](Dib& d) { d.height = 0; }), 64},
        {"absurd width", with([](Dib& d) { d.width = 0x7FFFFFFF; }), 64},
        {"absurd height", with([](Dib& d) { d.height = 0x40000000; }), 64},
        {"width past the limit", with([](Dib& d) { d.width = LOGO_MAX_SIDE + 1; d.height = 1; }), LOGO_MAX_SIDE + 4},
        {"bit count 0", with([](Dib& d) { d.bits = 0; }), 64},
        {"bit count 7", with([](Dib& d) { d.bits = 7; }), 64},
        {"bit count 64", with([](Dib& d) { d.bits = 64; }), 4096},
        {"run-length compressed", with([](Dib& d) { d.compression = 1; }), 64},
        {"bit fields", with([](Dib& d) { d.bits = 32; d.compression = 3; }), 64},
        {"more colours than the table", with([](Dib& d) { d.colours_used = 257; }), -1},
        {"colour count for 24 bits", with([](Dib& d) { d.bits = 24; d.colours_used = 16; }), -1},
        {"header shorter than 40", with([](Dib& d) { d.header_size = 12; }), -1},
        {"header longer than the file", with([](Dib& d) { d.header_size = 100000; }), -1},
        {"table behind a long header runs out", with([](Dib& d) { d.header_size = 124; }), 12},
    };
    for (const Case& c : cases) {
        LogoLayout layout;
        EXPECT_FALSE(layout_of(make_dib(c.dib, c.pixel_bytes), &layout)) << c.label;
    }
}

TEST(LogoLayout, TooShortForAHeader) {
    std::vector<uint8_t> b = make_dib(Dib{});
    LogoLayout layout;
    for (uint32_t size : {0u, 1u, 39u})
        EXPECT_FALSE(read_logo_layout(b.data(), size, &layout)) << size;
    EXPECT_FALSE(read_logo_layout(nullptr, 100, &layout));
    // The pixel data cut by one byte.
    EXPECT_FALSE(read_logo_layout(b.data(), (uint32_t)b.size() - 1, &layout));
    EXPECT_TRUE(read_logo_layout(b.data(), (uint32_t)b.size(), &layout));
}

TEST(LogoLayout, SmallerColourCountAndLargerFileAreFine) {
    Dib d;
    d.colours_used = 16;
    LogoLayout layout;
    EXPECT_TRUE(layout_of(make_dib(d), &layout));
    EXPECT_EQ(layout.bits_offset, 40u + 1024u);   // the table is still taken as full
    EXPECT_TRUE(layout_of(make_dib(Dib{}, 4 * 3 + 100), &layout));
}
