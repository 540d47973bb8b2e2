// What all pages have in common: font, placement, panel caption, separator and colours,
// and the centring of dialogs on the backdrop.
#include "ui/page_look.h"

#include "common/install_context.h"
#include "resources/resource_ids.h"

namespace {

// Limits of the two texts that make the panel caption. The formatted caption needs room for
// both whole (its template's "%s" gives way to the step name), so its buffer is their sum.
constexpr int CAPTION_TEMPLATE_SIZE = 128;
constexpr int STEP_NAME_SIZE = 128;
constexpr int CAPTION_SIZE = CAPTION_TEMPLATE_SIZE + STEP_NAME_SIZE;
constexpr int PANEL_CAPTION_ID = 97;

// Sets "<string 97 formatted with the step name>" as the panel's caption. Without memory for
// the work buffer the caption stays as it was.
void set_panel_caption(int step_name_id) {
    char* work = (char*)LocalAlloc(LPTR, CAPTION_TEMPLATE_SIZE + STEP_NAME_SIZE + CAPTION_SIZE);
    if (!work) return;
    char* caption_template = work;
    char* step_name = work + CAPTION_TEMPLATE_SIZE;
    char* caption = step_name + STEP_NAME_SIZE;
    LoadStringA(ctx.instance, PANEL_CAPTION_ID, caption_template, CAPTION_TEMPLATE_SIZE);
    LoadStringA(ctx.instance, (UINT)step_name_id, step_name, STEP_NAME_SIZE);
    wsprintfA(caption, caption_template, step_name);
    SetWindowTextA(ctx.logo_panel, caption);
    LocalFree(work);
}

// Window rectangle of `control` in the client coordinates of `parent`.
RECT rect_in_parent(HWND control, HWND parent) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    return r;
}

// Clamps one coordinate the way centring does: back inside the far edge, then never below 0.
int clamp_into(int position, int size, int limit) {
    if (position >= limit - size) position = limit - size;
    if (position <= 0) position = 0;
    return position;
}

}  // namespace

void apply_page_font(HWND page) {
    if (!ctx.page_font) {
        HFONT dialog_font = (HFONT)SendMessageA(page, WM_GETFONT, 0, 0);
        LOGFONTA font = {};
        if (dialog_font && GetObjectA(dialog_font, sizeof font, &font) != 0) {
            font.lfWeight = FW_NORMAL;
            ctx.page_font = CreateFontIndirectA(&font);
        }
    }
    if (!ctx.page_font) return;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, (WPARAM)ctx.page_font, FALSE);
}

void init_page(HWND page, int step_name_id) {
    apply_page_font(page);
    HWND frame = ctx.logo_panel ? GetDlgItem(ctx.logo_panel, CTL_LOGO_FRAME) : nullptr;
    if (frame) {
        // One pixel right of the logo frame, at the top of the panel's client area.
        RECT r;
        GetWindowRect(frame, &r);
        POINT corner = {r.right + 1, r.bottom};
        ScreenToClient(ctx.logo_panel, &corner);
        SetWindowPos(page, nullptr, corner.x, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (ctx.logo_panel) set_panel_caption(step_name_id);
    HWND separator = GetDlgItem(page, CTL_SEPARATOR);
    if (separator) ShowWindow(separator, SW_HIDE);
}

void paint_page(HWND page) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc) draw_separator(page, dc);
    EndPaint(page, &ps);
}

void draw_separator(HWND page, HDC dc) {
    HWND place = GetDlgItem(page, CTL_SEPARATOR);
    if (!place) return;
    RECT r = rect_in_parent(place, page);
    int w = r.right - r.left, h = r.bottom - r.top;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    fill_solid_rect(dc, r.left + 1, r.top + 1, w - 2, h - 2, face);
    fill_solid_rect(dc, r.left, r.top, w - 1, 1, shadow);
    fill_solid_rect(dc, r.left, r.top, 1, h - 1, shadow);
    fill_solid_rect(dc, r.left, r.bottom - 1, w, 1, highlight);
    fill_solid_rect(dc, r.right - 1, r.top, 1, h, highlight);
}

void fill_solid_rect(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    SetBkColor(dc, colour);
    RECT r = {x, y, x + width, y + height};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

HBRUSH page_ctl_color(HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return ctx.background_brush;
}

bool is_page_ctl_color_message(UINT message) {
    return message == WM_CTLCOLORMSGBOX || message == WM_CTLCOLORBTN ||
           message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC;
}

void centre_on_backdrop(HWND window) {
    RECT backdrop, own;
    if (!ctx.backdrop_window || !GetWindowRect(ctx.backdrop_window, &backdrop))
        backdrop = {0, 0, ctx.screen_width, ctx.screen_height};
    GetWindowRect(window, &own);
    int w = own.right - own.left, h = own.bottom - own.top;
    int x = clamp_into(ctx.centre_x - w / 2, w, backdrop.right - backdrop.left);
    int y = clamp_into(ctx.centre_y - h / 2, h, backdrop.bottom - backdrop.top);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
