// The Welcome page: the product version from the Setup header, Next and Quit.
#include "ui/simple_pages.h"

#include "common/install_context.h"
#include "common/status.h"
#include "package/setup_header.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"

namespace {
constexpr int WELCOME_TEMPLATE_SIZE = 257;   // a 256-character template and its terminator
// wsprintfA never writes more than 1024 characters and the terminator, whatever the template.
constexpr int WELCOME_TEXT_SIZE = 1025;
}  // namespace

void show_welcome_text(HWND page) {
    char welcome_template[WELCOME_TEMPLATE_SIZE] = {};
    char text[WELCOME_TEXT_SIZE] = {};
    LoadStringA(ctx.instance, MSG_WELCOME, welcome_template, sizeof welcome_template);
    const SetupHeader& header = setup_header();
    unsigned major = header.product_version_ms >> 16;
    unsigned minor = header.product_version_ms & 0xFFFF;
    unsigned build = header.product_version_ls & 0xFFFF;
    wsprintfA(text, welcome_template, major, minor, build);
    SetDlgItemTextA(page, CTL_WELCOME_TEXT, text);
}

INT_PTR CALLBACK welcome_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        init_page(page, MSG_STEP_WELCOME);
        show_welcome_text(page);
        return TRUE;
    case WM_PAINT:
        paint_page(page);
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id == CTL_NEXT || id == CTL_QUIT) ctx.page_result = id;
        return FALSE;
    }
    }
    return FALSE;
}
