// Drawing the logo into the panel's frame: a sound picture is stretched into the frame, in
// its colours (through the palette for 8 bits per pixel); a damaged, short or missing file
// draws nothing at all. The panel is drawn into a memory bitmap and its pixels read back.
#include "ui/logo_panel.h"

#include "resources/resource_ids.h"
#include "tests/unit/ui/window_test_support.h"

#include <cstring>
#include <string>

namespace {

constexpr COLORREF UNTOUCHED = RGB(255, 255, 255);

void put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (char)(v >> (8 * i));
}

// A logo file: file header, 40-byte information header, colour table, pixel rows (bottom-up,
// padded to 4 bytes). `colour_of(x, y)` gives the pixel: a 24-bit colour or an 8-bit index.
template <typename ColourOf>
std::string make_bmp(int width, int height, int bits, const std::string& table, ColourOf colour_of,
                     int claimed_height = 0) {
    int row = (width * bits + 31) / 32 * 4;
    std::string pixels((size_t)row * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour_of(x, height - 1 - y);
            if (bits == 24) {
                pixels[(size_t)y * row + x * 3] = (char)GetBValue(c);
                pixels[(size_t)y * row + x * 3 + 1] = (char)GetGValue(c);
                pixels[(size_t)y * row + x * 3 + 2] = (char)GetRValue(c);
            } else {
                pixels[(size_t)y * row + x] = (char)c;
            }
        }
    std::string info(40, '\0');
    put32(info, 0, 40);
    put32(info, 4, (uint32_t)width);
    put32(info, 8, (uint32_t)(claimed_height ? claimed_height : height));
    info[12] = 1;
    info[14] = (char)bits;
    std::string file_header(14, '\0');
    file_header[0] = 'B';
    file_header[1] = 'M';
    std::string body = info + table + pixels;
    put32(file_header, 2, (uint32_t)(14 + body.size()));
    put32(file_header, 10, (uint32_t)(14 + 40 + table.size()));
    return file_header + body;
}

// Left half red, right half blue.
std::string halves_bmp24(int claimed_height = 0) {
    return make_bmp(8, 4, 24, "", [](int x, int) { return x < 4 ? RGB(255, 0, 0) : RGB(0, 0, 255); },
                    claimed_height);
}

}  // namespace

class LogoPanel : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        make_panel();
        frame_ = rect_of(GetDlgItem(ctx.logo_panel, CTL_LOGO_FRAME));
        std::strcpy(ctx.logo_temp_path, path("logo.tmp").c_str());
    }
    RECT rect_of(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, ctx.logo_panel, (POINT*)&r, 2);
        return r;
    }
    // Draws the logo into a white memory bitmap of the panel's size; returns the colours at
    // the frame's left and right quarter, half-way down.
    std::pair<COLORREF, COLORREF> draw() {
        RECT client;
        GetClientRect(ctx.logo_panel, &client);
        HDC screen = GetDC(ctx.logo_panel);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
        FillRect(dc, &client, white);
        draw_logo(ctx.logo_panel, dc, CTL_LOGO_FRAME);
        int y = (frame_.top + frame_.bottom) / 2;
        int quarter = (frame_.right - frame_.left) / 4;
        std::pair<COLORREF, COLORREF> seen{GetPixel(dc, frame_.left + quarter, y),
                                           GetPixel(dc, frame_.right - quarter, y)};
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(ctx.logo_panel, screen);
        return seen;
    }
    RECT frame_;
};

TEST_F(LogoPanel, A24BitPictureIsStretchedIntoTheFrame) {
    write_file(ctx.logo_temp_path, halves_bmp24());
    auto [left, right] = draw();
    EXPECT_EQ(left, RGB(255, 0, 0));
    EXPECT_EQ(right, RGB(0, 0, 255));
    EXPECT_GT(frame_.right - frame_.left, 8) << "the frame is larger than the picture: it was stretched";
}

TEST_F(LogoPanel, An8BitPictureTakesItsColoursFromItsTable) {
    std::string table(1024, '\0');
    table[4 * 7 + 1] = (char)200;   // index 7: green 200 (blue, green, red, reserved)
    table[4 * 9 + 2] = (char)100;   // index 9: red 100
    write_file(ctx.logo_temp_path, make_bmp(8, 4, 8, table, [](int x, int) { return x < 4 ? 7u : 9u; }));
    auto [left, right] = draw();
    EXPECT_EQ(left, RGB(0, 200, 0));
    EXPECT_EQ(right, RGB(100, 0, 0));
}

TEST_F(LogoPanel, ADamagedShortOrMissingFileDrawsNothing) {
    struct Case {
        const char* label;
        std::string bytes;   // "-" for no file at all
    } cases[] = {
        {"more rows claimed than the file holds", halves_bmp24(400)},
        {"negative width", [] { std::string b = halves_bmp24(); put32(b, 14 + 4, (uint32_t)-8); return b; }()},
        {"pixel data cut short", halves_bmp24().substr(0, 14 + 40 + 50)},
        {"only a file header", std::string(14, 'B')},
        {"empty", ""},
        {"no file", "-"},
    };
    for (const Case& c : cases) {
        DeleteFileA(ctx.logo_temp_path);
        if (c.bytes != "-") write_file(ctx.logo_temp_path, c.bytes);
        auto [left, right] = draw();
        EXPECT_EQ(left, UNTOUCHED) << c.label;
        EXPECT_EQ(right, UNTOUCHED) << c.label;
    }
}

TEST_F(LogoPanel, ThePaletteHoldsThePicturesOwnColoursOnATrueColourDisplay) {
    std::string bmp = make_bmp(2, 2, 8, [] {
        std::string t(1024, '\0');
        for (int i = 0; i < 256; ++i) t[4 * i + 2] = (char)i;   // red = index
        return t;
    }(), [](int, int) { return 0u; });
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(bmp.data() + 14);
    HDC screen = GetDC(nullptr);
    HPALETTE palette = make_logo_palette(screen, info);
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
    for (int i : {0, 9, 10, 128, 245, 246, 255}) {
        EXPECT_EQ(entries[i].peRed, i) << i;
        EXPECT_EQ(entries[i].peFlags, (i < 10 || i >= 246) ? PC_NOCOLLAPSE : 0) << i;
    }
    DeleteObject(palette);
    // Other bit counts get no palette.
    std::string bmp24 = halves_bmp24();
    EXPECT_EQ(make_logo_palette(screen, reinterpret_cast<const BITMAPINFOHEADER*>(bmp24.data() + 14)), nullptr);
    ReleaseDC(nullptr, screen);
}
