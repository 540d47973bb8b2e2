// The logo panel and the drawing of the logo picture. Nothing of the picture is kept: every
// paint reads the temporary file again, draws and frees it.
#include "ui/logo_panel.h"

#include "common/install_context.h"
#include "common/memory_blocks.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/logo_bitmap.h"
#include "ui/page_look.h"

namespace {
// The bitmap file header in front of the picture, skipped unread.
constexpr LONG FILE_HEADER_SIZE = 14;
constexpr int PALETTE_SIZE = 256;
// The static system colours at both ends of a 256-colour palette.
constexpr int STATIC_COLOURS = 10;
}  // namespace

HPALETTE make_logo_palette(HDC dc, const BITMAPINFOHEADER* info) {
    if (info->biBitCount != 8) return nullptr;
    HGLOBAL block = nullptr;
    DWORD bytes = sizeof(LOGPALETTE) + (PALETTE_SIZE - 1) * sizeof(PALETTEENTRY);
    auto* palette = (LOGPALETTE*)alloc_block(bytes, &block);
    if (!palette) return nullptr;
    palette->palVersion = 0x300;
    palette->palNumEntries = PALETTE_SIZE;
    const RGBQUAD* colours = (const RGBQUAD*)((const BYTE*)info + LOGO_INFO_HEADER_SIZE);
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        PALETTEENTRY& entry = palette->palPalEntry[i];
        entry.peRed = colours[i].rgbRed;
        entry.peGreen = colours[i].rgbGreen;
        entry.peBlue = colours[i].rgbBlue;
        bool at_edge = i < STATIC_COLOURS || i >= PALETTE_SIZE - STATIC_COLOURS;
        entry.peFlags = at_edge ? PC_NOCOLLAPSE : 0;
    }
    // On a 256-colour display the system's static colours keep their places.
    int depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    if (depth == 8 && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        GetSystemPaletteEntries(dc, 0, STATIC_COLOURS, palette->palPalEntry);
        GetSystemPaletteEntries(dc, PALETTE_SIZE - STATIC_COLOURS, STATIC_COLOURS,
                                palette->palPalEntry + PALETTE_SIZE - STATIC_COLOURS);
    }
    HPALETTE made = CreatePalette(palette);
    free_block(&block);
    return made;
}

void draw_logo(HWND panel, HDC dc, int frame_id) {
    HWND frame = GetDlgItem(panel, frame_id);
    if (!frame || !ctx.logo_temp_path || !ctx.logo_temp_path[0]) return;
    RECT r;
    GetWindowRect(frame, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    POINT corner = {r.left, r.top};
    ScreenToClient(panel, &corner);

    HFILE file = _lopen(ctx.logo_temp_path, OF_READ);
    if (file == HFILE_ERROR) return;
    LONG size = _llseek(file, 0, FILE_END);
    if (size <= FILE_HEADER_SIZE) {
        _lclose(file);
        return;
    }
    LONG dib_size = size - FILE_HEADER_SIZE;
    HGLOBAL block = nullptr;
    auto* dib = (BYTE*)(_llseek(file, FILE_HEADER_SIZE, FILE_BEGIN) == FILE_HEADER_SIZE
                            ? alloc_block((DWORD)dib_size, &block)
                            : nullptr);
    LogoLayout layout;
    // A short read or a picture whose header promises more than the file holds is not drawn:
    // the drawing calls would read past the block.
    if (dib && _hread(file, dib, dib_size) == dib_size &&
        read_logo_layout(dib, (uint32_t)dib_size, &layout)) {
        const auto* info = (const BITMAPINFOHEADER*)dib;
        HPALETTE palette = make_logo_palette(dc, info);
        HPALETTE previous = nullptr;
        if (palette) {
            previous = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
        StretchDIBits(dc, corner.x, corner.y, width, height, 0, 0, layout.width, layout.height,
                      dib + layout.bits_offset, (const BITMAPINFO*)dib, DIB_RGB_COLORS, SRCCOPY);
        if (palette) {
            SelectPalette(dc, previous, FALSE);
            DeleteObject(palette);
        }
    }
    free_block(&block);
    _lclose(file);
}

INT_PTR CALLBACK logo_panel_proc(HWND panel, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(panel, &ps);
        if (dc) draw_logo(panel, dc, CTL_LOGO_FRAME);
        EndPaint(panel, &ps);
        return FALSE;
    }
    case WM_INITDIALOG:
        centre_on_backdrop(panel);
        // A child window is never activated: draw the caption as active all the same.
        PostMessageA(panel, WM_NCACTIVATE, TRUE, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        switch (wparam & 0xFFF0) {
        case SC_MINIMIZE:
            // The whole program goes to the task bar, not just the panel.
            ShowWindow(ctx.backdrop_window, SW_MINIMIZE);
            break;
        case SC_CLOSE:
            ctx.page_result = PAGE_QUIT;
            break;
        }
        return FALSE;
    }
    return FALSE;
}
