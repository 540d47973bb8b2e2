// The halt question, alone and as the progress page's Cancel, answered by posted keys and
// clicks from a timer while its modal loop runs.
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/page_runner.h"
#include "ui/progress_page.h"
#include "ui/simple_pages.h"

namespace {

INT_PTR show_halt_dialog() {
    return DialogBoxParamA(ctx.instance, MAKEINTRESOURCEA(DLG_HALT), ctx.backdrop_window,
                           halt_dialog_proc, 0);
}

// Polls like the install sequence until `done` or about five seconds have passed.
template <typename Done>
void poll_until(HWND page, Done done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        poll_ui_messages(page);
        Sleep(10);
    }
}

}  // namespace

using HaltDialog = WindowTest;

TEST_F(HaltDialog, EnterChoosesNoEscapeCancelsButtonsGiveTheirIds) {
    make_backdrop(1024, 768);
    struct Case {
        const char* what;
        std::function<void(HWND)> act;
        INT_PTR expected;
    } cases[] = {
        {"Enter", [](HWND d) { post_key(d, VK_RETURN); }, CTL_HALT_NO},
        {"Escape", [](HWND d) { post_key(d, VK_ESCAPE); }, IDCANCEL},
        {"Yes", [](HWND d) { PostMessageA(GetDlgItem(d, CTL_HALT_YES), BM_CLICK, 0, 0); }, CTL_HALT_YES},
        {"No", [](HWND d) { PostMessageA(GetDlgItem(d, CTL_HALT_NO), BM_CLICK, 0, 0); }, CTL_HALT_NO},
        {"close", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        start_ticker([&] {
            HWND dialog = find_dialog("Install");
            if (!dialog) return false;
            c.act(dialog);
            return true;
        });
        EXPECT_EQ(show_halt_dialog(), c.expected) << c.what;
    }
}

TEST_F(HaltDialog, CancelOnTheProgressPageStopsOnlyWhenConfirmed) {
    make_panel();
    struct Case {
        const char* what;
        bool by_escape;
        int answer;   // button clicked in the question, or 0 for Escape
        int page_result;
    } cases[] = {
        {"Cancel, No", false, CTL_HALT_NO, PAGE_NONE},
        {"Cancel, Yes", false, CTL_HALT_YES, PAGE_QUIT},
        {"Escape, Escape", true, 0, PAGE_QUIT},
        {"Escape, No", true, CTL_HALT_NO, PAGE_NONE},
    };
    for (const Case& c : cases) {
        ctx.page_result = PAGE_NONE;
        ctx.progress_page = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_PROGRESS),
                                               ctx.logo_panel, progress_page_proc, 0);
        ASSERT_NE(ctx.progress_page, nullptr);
        HWND page = ctx.progress_page;
        if (c.by_escape)
            post_key(page, VK_ESCAPE);
        else
            PostMessageA(GetDlgItem(page, CTL_QUIT), BM_CLICK, 0, 0);
        bool answered = false;
        start_ticker([&] {
            HWND dialog = find_dialog("Install");
            if (!dialog) return false;
            if (c.answer)
                PostMessageA(GetDlgItem(dialog, c.answer), BM_CLICK, 0, 0);
            else
                post_key(dialog, VK_ESCAPE);
            answered = true;
            return true;
        });
        poll_until(page, [&] { return answered && !find_dialog("Install"); });
        EXPECT_TRUE(answered) << c.what;
        poll_ui_messages(page);
        EXPECT_EQ(ctx.page_result, c.page_result) << c.what;
        DestroyWindow(page);
        ctx.progress_page = nullptr;
    }
}
