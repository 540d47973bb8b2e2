#include "tests/unit/ui/window_test_support.h"

#include "resources/resource_ids.h"
#include "ui/page_look.h"

namespace {

std::function<bool()> ticker_step;
UINT_PTR ticker_id = 0;
int ticker_left = 0;
bool ticker_gave_up = false;

void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!ticker_step) return;
    if (--ticker_left < 0) {
        ticker_gave_up = true;
        ticker_step = nullptr;
        PostQuitMessage(0);
        return;
    }
    if (ticker_step()) ticker_step = nullptr;
}

LRESULT CALLBACK backdrop_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

// The panel's procedure for these tests: only what the pages rely on (colours, no close).
INT_PTR CALLBACK panel_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    return message == WM_INITDIALOG;
}

BOOL CALLBACK find_by_caption(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<std::pair<const char*, HWND>*>(lparam);
    char cls[32] = {}, text[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    if (std::string(cls) == "#32770" && std::string(text) == search->first) {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void WindowTest::SetUp() {
    PlatformTest::SetUp();
    ctx.background_brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    ctx.screen_width = GetSystemMetrics(SM_CXSCREEN);
    ctx.screen_height = GetSystemMetrics(SM_CYSCREEN);
    drain_messages();
}

void WindowTest::TearDown() {
    stop_ticker();
    EXPECT_FALSE(ticker_gave_up) << "the scripted steps did not finish in time";
    ticker_gave_up = false;
    if (ctx.logo_panel) DestroyWindow(ctx.logo_panel);
    if (ctx.backdrop_window) DestroyWindow(ctx.backdrop_window);
    if (ctx.page_font) DeleteObject(ctx.page_font);
    if (ctx.background_brush) DeleteObject(ctx.background_brush);
    ctx.logo_panel = ctx.backdrop_window = nullptr;
    ctx.page_font = nullptr;
    ctx.background_brush = nullptr;
    drain_messages();
    PlatformTest::TearDown();
}

void WindowTest::make_backdrop(int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = backdrop_proc;
    wc.hInstance = ctx.instance;
    wc.lpszClassName = "BvTestBackdrop";
    RegisterClassA(&wc);   // fails harmlessly when already registered
    ctx.backdrop_window = CreateWindowExA(0, "BvTestBackdrop", "backdrop",
                                          WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                          nullptr, nullptr, ctx.instance, nullptr);
    ASSERT_NE(ctx.backdrop_window, nullptr);
    ctx.centre_x = width / 2;
    ctx.centre_y = height / 2;
}

void WindowTest::make_panel() {
    if (!ctx.backdrop_window) make_backdrop(1024, 768);
    ctx.logo_panel = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_LOGO_PANEL),
                                        ctx.backdrop_window, panel_proc, 0);
    ASSERT_NE(ctx.logo_panel, nullptr);
}

void WindowTest::start_ticker(std::function<bool()> tick, int limit_ms) {
    ticker_step = std::move(tick);
    ticker_left = limit_ms / 20;
    ticker_gave_up = false;
    if (!ticker_id) ticker_id = SetTimer(nullptr, 0, 20, on_tick);
}

void WindowTest::stop_ticker() {
    ticker_step = nullptr;
    if (ticker_id) KillTimer(nullptr, ticker_id);
    ticker_id = 0;
}

std::string window_text(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND find_dialog(const char* caption) {
    std::pair<const char*, HWND> search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), find_by_caption, (LPARAM)&search);
    return search.second;
}

void post_key(HWND dialog, WPARAM key) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(dialog, focus)) focus = dialog;
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

void drain_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    }
}
