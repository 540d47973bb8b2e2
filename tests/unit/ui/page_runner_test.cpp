// The page loop and the bounded poll, with real pages driven by posted clicks and keys.
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/page_runner.h"
#include "ui/simple_pages.h"

namespace {

int counted = 0;
LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) ++counted;
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND make_counting_window(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = counting_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "BvTestCounter";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "BvTestCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

HWND created_page = nullptr;
int messages_after_init = 0;
INT_PTR CALLBACK deciding_page_proc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        created_page = page;
        ctx.page_result = PAGE_BACK;
        return TRUE;
    }
    if (message == WM_APP) ++messages_after_init;
    return FALSE;
}

// The page run_page is showing: the dialog child of the panel.
HWND shown_page() { return FindWindowExA(ctx.logo_panel, nullptr, "#32770", nullptr); }

}  // namespace

using PageRunner = WindowTest;

TEST_F(PageRunner, PollHandlesAtMostTwentyMessagesPerCall) {
    HWND counter = make_counting_window(ctx.instance);
    ASSERT_NE(counter, nullptr);
    counted = 0;
    for (int i = 0; i < 25; ++i) PostMessageA(counter, WM_APP, 0, 0);
    EXPECT_EQ(poll_ui_messages(nullptr), PAGE_NONE);
    EXPECT_EQ(counted, 20);
    poll_ui_messages(nullptr);
    EXPECT_EQ(counted, 25);
    DestroyWindow(counter);
}

TEST_F(PageRunner, QuitMessageDuringPollIsAStopRequest) {
    PostQuitMessage(0);
    EXPECT_EQ(poll_ui_messages(nullptr), PAGE_QUIT);
    EXPECT_EQ(ctx.page_result, PAGE_QUIT);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));   // consumed
}

TEST_F(PageRunner, PageThatDecidesDuringInitReturnsWithoutALoop) {
    make_panel();
    HWND counter = make_counting_window(ctx.instance);
    counted = 0;
    PostMessageA(counter, WM_APP, 0, 0);   // a loop would have dispatched it
    created_page = nullptr;
    EXPECT_EQ(run_page(DLG_WELCOME, deciding_page_proc, 0), PAGE_BACK);
    EXPECT_EQ(counted, 0);
    ASSERT_NE(created_page, nullptr);
    EXPECT_FALSE(IsWindow(created_page));
    DestroyWindow(counter);
}

TEST_F(PageRunner, PageThatCannotBeCreatedCountsAsQuit) {
    make_panel();
    EXPECT_EQ(run_page(4711, welcome_page_proc, 0), PAGE_QUIT);
}

TEST_F(PageRunner, WelcomeButtonsEndThePageWithTheirIds) {
    make_panel();
    for (int button : {CTL_NEXT, CTL_QUIT}) {
        std::string caption;
        start_ticker([&] {
            HWND page = shown_page();
            if (!page) return false;
            caption = window_text(ctx.logo_panel);
            PostMessageA(GetDlgItem(page, button), BM_CLICK, 0, 0);
            return true;
        });
        EXPECT_EQ(run_page(DLG_WELCOME, welcome_page_proc, 0), button);
        EXPECT_EQ(caption, "Brisvane! Install program - Welcome");
        EXPECT_EQ(shown_page(), nullptr);   // destroyed
    }
}

TEST_F(PageRunner, EnterPressesNextOnTheWelcomePage) {
    make_panel();
    start_ticker([&] {
        HWND page = shown_page();
        if (!page) return false;
        post_key(page, VK_RETURN);
        return true;
    });
    EXPECT_EQ(run_page(DLG_WELCOME, welcome_page_proc, 0), PAGE_NEXT);
}

TEST_F(PageRunner, QuitMessageEndsARunningPage) {
    make_panel();
    start_ticker([&] {
        if (!shown_page()) return false;
        PostQuitMessage(0);
        return true;
    });
    EXPECT_EQ(run_page(DLG_WELCOME, welcome_page_proc, 0), PAGE_QUIT);
}

TEST_F(PageRunner, EndPagesEndOnReturnToWindowsAndOnEnter) {
    make_panel();
    for (int page_id : {DLG_END_SUCCESS, DLG_END_FAILURE}) {
        std::string caption;
        start_ticker([&] {
            HWND page = shown_page();
            if (!page) return false;
            caption = window_text(ctx.logo_panel);
            PostMessageA(GetDlgItem(page, CTL_QUIT), BM_CLICK, 0, 0);
            return true;
        });
        EXPECT_EQ(run_page(page_id, end_page_proc, 0), PAGE_QUIT) << page_id;
        EXPECT_EQ(caption, "Brisvane! Install program - End");

        start_ticker([&] {
            HWND page = shown_page();
            if (!page) return false;
            post_key(page, VK_RETURN);
            return true;
        });
        int result = run_page(page_id, end_page_proc, 0);
        EXPECT_TRUE(result == PAGE_NEXT || result == PAGE_QUIT) << result;
    }
}
