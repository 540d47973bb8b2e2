// The progress page and its block bar. The install sequence does not return to a message
// loop while it works, so the bar is drawn at once, off screen first so it never flickers.
#include "ui/progress_page.h"

#include "common/install_context.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"
#include "ui/simple_pages.h"

namespace {
constexpr int BLOCK_GAP = 2;       // pixels between blocks
constexpr int BLOCK_MARGIN = 2;    // pixels above and below the blocks

// The percentage the bar is drawn for: below 0 is an empty (one-block) bar, above 100 a full
// one, so the width times the percentage can never overflow.
unsigned bar_percent(int percent) {
    if (percent < 0) return 0;
    if (percent > 100) return 100;
    return (unsigned)percent;
}
}  // namespace

bool draw_progress_blocks(HDC dc, int width, int height, int percent) {
    fill_solid_rect(dc, 0, 0, width, height, GetSysColor(COLOR_BTNFACE));
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    fill_solid_rect(dc, 0, 0, width, 1, shadow);
    fill_solid_rect(dc, 0, 0, 1, height, shadow);
    fill_solid_rect(dc, width - 1, 0, 1, height, highlight);
    fill_solid_rect(dc, 0, height - 1, width, 1, highlight);

    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
    if (!brush) return false;
    int block = height / 2;
    unsigned filled = bar_percent(percent) * (unsigned)width / 100;
    int x = 1;
    do {
        // The first block is always drawn, but on a bar too narrow for it, only inside the frame.
        int right = x + block < width - 1 ? x + block : width - 1;
        RECT r = {x, BLOCK_MARGIN, right, height - BLOCK_MARGIN};
        FillRect(dc, &r, brush);
        x += block + BLOCK_GAP;
    } while (x + block < width && (unsigned)(x + block) < filled);
    DeleteObject(brush);
    return true;
}

void draw_progress_bar(HWND page, HDC given) {
    HDC dc = given ? given : GetDC(page);
    if (!dc) return;
    char text[16];
    wsprintfA(text, "%d%%", ctx.progress_percent);
    SetDlgItemTextA(page, CTL_PROGRESS_PERCENT, text);

    HWND place = GetDlgItem(page, CTL_PROGRESS_BAR);
    if (place) {
        RECT r;
        GetWindowRect(place, &r);
        MapWindowPoints(nullptr, page, (POINT*)&r, 2);
        int w = r.right - r.left, h = r.bottom - r.top;
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, w, h) : nullptr;
        if (bitmap) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            if (draw_progress_blocks(memory, w, h, ctx.progress_percent))
                BitBlt(dc, r.left, r.top, w, h, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteObject(bitmap);
        }
        if (memory) DeleteDC(memory);
    }
    if (!given) ReleaseDC(page, dc);
}

void set_progress_percent(int percent) {
    ctx.progress_percent = percent;
    // Without a page there is nothing to draw on (a null window would mean the screen).
    if (ctx.progress_page) draw_progress_bar(ctx.progress_page, nullptr);
}

INT_PTR CALLBACK progress_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        init_page(page, MSG_STEP_FILE_TRANSFER);
        SetDlgItemTextA(page, CTL_PROGRESS_FILE, "");
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(page, &ps);
        if (dc) {
            draw_separator(page, dc);
            draw_progress_bar(page, dc);
        }
        EndPaint(page, &ps);
        return FALSE;
    }
    case WM_COMMAND:
        // Cancel, or Escape through the dialog manager. Only a plain "No" goes on: Yes,
        // Escape in the question, closing it or failing to show it all stop the install.
        if (LOWORD(wparam) == CTL_QUIT) {
            INT_PTR answer = DialogBoxParamA(ctx.instance, MAKEINTRESOURCEA(DLG_HALT), page,
                                             halt_dialog_proc, 0);
            if (answer != CTL_HALT_NO) ctx.page_result = PAGE_QUIT;
        }
        return FALSE;
    }
    return FALSE;
}
