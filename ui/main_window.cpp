// The backdrop window: class, procedure and the gradient.
#include "ui/main_window.h"

#include "common/install_context.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/directory_check.h"

namespace {

// The control that had the keyboard focus when the program last lost the activation (to a
// message box, the folder chooser, another program), given back when it returns.
HWND focus_at_deactivation = nullptr;

// The default button of the page on the panel, or null: where the focus goes when the control
// that had it is gone (or never was).
HWND page_default_button() {
    HWND page = ctx.logo_panel ? FindWindowExA(ctx.logo_panel, nullptr, "#32770", nullptr) : nullptr;
    if (!page) return nullptr;
    LRESULT id = SendMessageA(page, DM_GETDEFID, 0, 0);
    return HIWORD(id) == DC_HASDEFID ? GetDlgItem(page, LOWORD(id)) : nullptr;
}

// WM_ACTIVATE: keeps the focus on the page. Left alone the backdrop would take the focus
// itself each time it is activated, and Tab and Enter would reach no page until a click.
// Returns true when the focus was placed.
bool keep_page_focus(HWND window, WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        focus_at_deactivation = focus && IsChild(window, focus) ? focus : nullptr;
        return false;
    }
    if (HIWORD(wparam)) return false;   // activated while minimised: nothing to focus
    HWND target = focus_at_deactivation;
    focus_at_deactivation = nullptr;
    if (!target || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = page_default_button();
    if (!target) return false;
    SetFocus(target);
    return true;
}

}  // namespace

ATOM register_main_class() {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = ctx.instance;
    wc.hIcon = LoadIconA(ctx.instance, MAKEINTRESOURCEA(ICON_MAIN));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassA(&wc);
}

void paint_backdrop(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    int height = client.bottom;
    if (dc && height > 0) {
        // A brush is made only when the row's colour changes: about 256 brushes, not one a row.
        HBRUSH brush = nullptr;
        int brush_blue = -1;
        for (int y = ps.rcPaint.top; y <= ps.rcPaint.bottom; ++y) {
            int blue = 255 - 255 * y / height;
            if (blue < 0) blue = 0;
            if (blue != brush_blue) {
                HBRUSH next = CreateSolidBrush(RGB(0, 0, blue));
                if (!next) continue;
                if (brush) DeleteObject(brush);
                brush = next;
                brush_blue = blue;
            }
            RECT row = {ps.rcPaint.left, y, ps.rcPaint.right, y + 1};
            FillRect(dc, &row, brush);
        }
        if (brush) DeleteObject(brush);
    }
    EndPaint(window, &ps);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        // The backdrop goes at shutdown: a folder the Directory page made for an install that
        // did not happen (Quit, Cancel, a failure) goes with it while it is empty.
        remove_created_directory();
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        if (IsIconic(window)) break;
        paint_backdrop(window);
        // The panel's caption and frame are drawn over by the backdrop: draw them again.
        if (ctx.logo_panel) RedrawWindow(ctx.logo_panel, nullptr, nullptr, RDW_FRAME);
        return 0;
    case WM_ACTIVATE:
        if (keep_page_focus(window, wparam)) return 0;
        break;
    case WM_ACTIVATEAPP:
        // The panel is a child and is never activated itself: its caption follows the program.
        if (ctx.logo_panel) PostMessageA(ctx.logo_panel, WM_NCACTIVATE, wparam, 0);
        break;
    case WM_SYSCOMMAND:
        switch (wparam & 0xFFF0) {
        case SC_MAXIMIZE:
        case SC_RESTORE:
            if (ctx.logo_panel) ShowWindow(ctx.logo_panel, SW_SHOWNORMAL);
            break;
        case SC_CLOSE:
            // Not closed: whatever runs (a page, or the install at its next poll) stops.
            ctx.page_result = PAGE_QUIT;
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
