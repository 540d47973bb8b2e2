// A test host for the pages: it sets up what start-up would (a full-screen backdrop of class
// InstClass painted blue to black, the Install context, the logo panel from template 400 with
// a small stand-in procedure) and then shows what its argument asks for:
//
//   page_host welcome | end-success | end-failure     one page with run_page
//   page_host halt                                    the halt question on its own
//   page_host progress P1 P2 ...                      the progress page, fed these percentages
//
// Exit code: the page's result; for "halt" the question's answer; for "progress" page_result
// at the end (0 when the feed ran to its end, 2 when it was stopped). The progress feed shows
// each percentage with a file name and then waits, polling as the install does, until the
// driver posts WM_APP to the backdrop (after its screenshot, or its Cancel) or the run is
// stopped; after the last percentage's WM_APP the feed ends.
#include "common/install_context.h"
#include "common/status.h"
#include "package/setup_header.h"
#include "platform/win32.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"
#include "ui/page_runner.h"
#include "ui/progress_page.h"
#include "ui/simple_pages.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD FEED_STEP_LIMIT_MS = 30000;   // a step nobody advances ends the run
bool advance = false;

LRESULT CALLBACK backdrop_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_APP:
        advance = true;
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            ctx.page_result = PAGE_QUIT;
            return 0;
        }
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        for (int y = ps.rcPaint.top; y < ps.rcPaint.bottom && client.bottom > 0; ++y) {
            HBRUSH row = CreateSolidBrush(RGB(0, 0, 255 - 255 * y / client.bottom));
            RECT r = {ps.rcPaint.left, y, ps.rcPaint.right, y + 1};
            FillRect(dc, &r, row);
            DeleteObject(row);
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Stand-in for the logo panel's procedure: centred, caption drawn active, colours, close.
INT_PTR CALLBACK panel_proc(HWND panel, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        centre_on_backdrop(panel);
        PostMessageA(panel, WM_NCACTIVATE, TRUE, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) ctx.page_result = PAGE_QUIT;
        return FALSE;
    }
    return FALSE;
}

bool set_up(HINSTANCE instance) {
    ctx.instance = instance;
    ctx.package_file = ctx.output_file = HFILE_ERROR;
    allocate_path_buffers();
    ctx.background_brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    ctx.screen_width = GetSystemMetrics(SM_CXSCREEN);
    ctx.screen_height = GetSystemMetrics(SM_CYSCREEN);
    ctx.menu_height = GetSystemMetrics(SM_CYMENU);
    LoadStringA(instance, MSG_CAPTION, ctx.caption, sizeof ctx.caption);
    // The release package's version: 2.2, build 98.
    setup_header_storage.product_version_ms = 0x00020002;
    setup_header_storage.product_version_ls = 98;

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = backdrop_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_MAIN));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = "InstClass";
    if (!RegisterClassA(&wc)) return false;
    ctx.backdrop_window = CreateWindowExA(0, "InstClass", ctx.caption,
                                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                          ctx.screen_width, ctx.screen_height, nullptr, nullptr,
                                          instance, nullptr);
    if (!ctx.backdrop_window) return false;
    ShowWindow(ctx.backdrop_window, SW_SHOWNORMAL);
    UpdateWindow(ctx.backdrop_window);
    ctx.centre_x = ctx.screen_width / 2;
    ctx.centre_y = ctx.screen_height / 2 - ctx.menu_height;
    ctx.logo_panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(DLG_LOGO_PANEL),
                                        ctx.backdrop_window, panel_proc, 0);
    return ctx.logo_panel != nullptr;
}

// Polls like the install sequence until the driver says go on or the run is stopped.
void hold_step() {
    advance = false;
    DWORD start = GetTickCount();
    while (!advance && poll_ui_messages(ctx.progress_page) == PAGE_NONE &&
           GetTickCount() - start < FEED_STEP_LIMIT_MS)
        Sleep(10);
}

int run_progress(int count, char** percentages) {
    ctx.page_result = PAGE_NONE;
    ctx.progress_page = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_PROGRESS),
                                           ctx.logo_panel, progress_page_proc, 0);
    if (!ctx.progress_page) return 32;
    set_progress_percent(0);
    for (int i = 0; i < count && ctx.page_result == PAGE_NONE; ++i) {
        char name[64];
        wsprintfA(name, "Plugins\\nptnf32-part%d.dll", i + 1);
        SetDlgItemTextA(ctx.progress_page, PROGRESS_FILE_NAME_ID, name);
        set_progress_percent(std::atoi(percentages[i]));
        hold_step();
    }
    DestroyWindow(ctx.progress_page);
    ctx.progress_page = nullptr;
    return ctx.page_result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !set_up(GetModuleHandleA(nullptr))) return 70;
    const char* mode = argv[1];
    int result;
    if (!std::strcmp(mode, "welcome"))
        result = run_page(DLG_WELCOME, welcome_page_proc, 0);
    else if (!std::strcmp(mode, "end-success"))
        result = run_page(DLG_END_SUCCESS, end_page_proc, 0);
    else if (!std::strcmp(mode, "end-failure"))
        result = run_page(DLG_END_FAILURE, end_page_proc, 0);
    else if (!std::strcmp(mode, "halt"))
        result = (int)DialogBoxParamA(ctx.instance, MAKEINTRESOURCEA(DLG_HALT), ctx.logo_panel,
                                      halt_dialog_proc, 0);
    else if (!std::strcmp(mode, "progress"))
        result = run_progress(argc - 2, argv + 2);
    else
        result = 64;
    DestroyWindow(ctx.logo_panel);
    DestroyWindow(ctx.backdrop_window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    if (ctx.page_font) DeleteObject(ctx.page_font);
    DeleteObject(ctx.background_brush);
    free_path_buffers();
    return result;
}
