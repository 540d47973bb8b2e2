// The page runner's two message loops: the blocking one that runs a wizard page, and the
// bounded poll with which the install sequence keeps the interface alive between files.
#include "ui/page_runner.h"

#include "common/install_context.h"
#include "common/status.h"

namespace {
// A poll hands control back after this many messages, so the install resumes promptly.
constexpr int POLL_MESSAGE_LIMIT = 20;
}  // namespace

int run_page(int template_id, DLGPROC proc, LPARAM param) {
    ctx.page_result = PAGE_NONE;
    HWND page = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(template_id), ctx.logo_panel,
                                   proc, param);
    if (!page) return PAGE_QUIT;
    // A page that decided during WM_INITDIALOG is never looped over.
    while (ctx.page_result == PAGE_NONE) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        // 0 is the quit message; -1 (a broken queue) would otherwise spin here for ever.
        if (got == 0 || got == -1) {
            ctx.page_result = PAGE_QUIT;
            break;
        }
        if (!IsDialogMessageA(page, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(page);
    return ctx.page_result != PAGE_NONE ? ctx.page_result : PAGE_QUIT;
}

int poll_ui_messages(HWND dialog) {
    for (int taken = 0; taken < POLL_MESSAGE_LIMIT; ++taken) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {
            ctx.page_result = PAGE_QUIT;
            continue;
        }
        if (!dialog || !IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return ctx.page_result;
}
