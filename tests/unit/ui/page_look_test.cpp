// What every page shares: placement beside the logo, panel caption, font, separator,
// the welcome text's version, and centring on the backdrop.
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "package/setup_header.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"
#include "ui/progress_page.h"
#include "ui/simple_pages.h"

namespace {

HWND create_page(int template_id, DLGPROC proc) {
    return CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(template_id), ctx.logo_panel, proc,
                              0);
}

RECT rect_in(HWND control, HWND parent) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    return r;
}

}  // namespace

using PageLook = WindowTest;

TEST_F(PageLook, PagesSitBesideTheLogoWithTheirStepInThePanelCaption) {
    make_panel();
    EXPECT_EQ(window_text(ctx.logo_panel), "Brisvane! Installer");
    struct Case {
        int template_id;
        DLGPROC proc;
        const char* caption;
    } cases[] = {
        {DLG_WELCOME, welcome_page_proc, "Brisvane! Install program - Welcome"},
        {DLG_PROGRESS, progress_page_proc, "Brisvane! Install program - File Transfer"},
        {DLG_END_SUCCESS, end_page_proc, "Brisvane! Install program - End"},
        {DLG_END_FAILURE, end_page_proc, "Brisvane! Install program - End"},
    };
    RECT frame = rect_in(GetDlgItem(ctx.logo_panel, CTL_LOGO_FRAME), ctx.logo_panel);
    for (const Case& c : cases) {
        HWND page = create_page(c.template_id, c.proc);
        ASSERT_NE(page, nullptr) << c.template_id;
        EXPECT_EQ(window_text(ctx.logo_panel), c.caption);
        RECT r = rect_in(page, ctx.logo_panel);
        EXPECT_EQ(r.left, frame.right + 1) << c.template_id;
        EXPECT_EQ(r.top, 0) << c.template_id;
        HWND separator = GetDlgItem(page, CTL_SEPARATOR);
        ASSERT_NE(separator, nullptr);
        EXPECT_FALSE(IsWindowVisible(separator));
        DestroyWindow(page);
    }
}

TEST_F(PageLook, CaptionStaysWhenItsBufferCannotBeHad) {
    make_panel();
    test_fail_allocation(1);
    HWND page = create_page(DLG_WELCOME, welcome_page_proc);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(window_text(ctx.logo_panel), "Brisvane! Installer");
    DestroyWindow(page);
}

TEST_F(PageLook, ControlsGetTheNormalWeightPageFontMadeOnce) {
    make_panel();
    HWND page = create_page(DLG_WELCOME, welcome_page_proc);
    ASSERT_NE(ctx.page_font, nullptr);
    HFONT first = ctx.page_font;
    // Every control that shows text (a frame such as 500 keeps no font).
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == CTL_SEPARATOR) continue;
        EXPECT_EQ((HFONT)SendMessageA(child, WM_GETFONT, 0, 0), first) << GetDlgCtrlID(child);
    }
    LOGFONTA font = {};
    ASSERT_NE(GetObjectA(first, sizeof font, &font), 0);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    DestroyWindow(page);
    page = create_page(DLG_END_SUCCESS, end_page_proc);
    EXPECT_EQ(ctx.page_font, first);
    EXPECT_EQ((HFONT)SendMessageA(GetDlgItem(page, CTL_QUIT), WM_GETFONT, 0, 0), first);
    DestroyWindow(page);
}

TEST_F(PageLook, WelcomeTextShowsMinorVersionWithTwoDigits) {
    make_panel();
    SetupHeader saved = setup_header_storage;
    struct Case {
        uint32_t ms, ls;
        const char* version;
    } cases[] = {
        {0x00020002, 98, "v2.02 (build #98)"},
        {0x0002000A, 98, "v2.10 (build #98)"},
        {0x00020005, 0x00070063, "v2.05 (build #99)"},   // only the low 16 bits are the build
        {0x0003007B, 0, "v3.123 (build #0)"},
    };
    for (const Case& c : cases) {
        setup_header_storage.product_version_ms = c.ms;
        setup_header_storage.product_version_ls = c.ls;
        HWND page = create_page(DLG_WELCOME, welcome_page_proc);
        ASSERT_NE(page, nullptr);
        std::string expected = std::string("Welcome to the Brisvane! Install program. This program "
                                           "will install Brisvane! 32 bit ") +
                               c.version + " to your hard disk.";
        EXPECT_EQ(window_text(GetDlgItem(page, CTL_WELCOME_TEXT)), expected);
        DestroyWindow(page);
    }
    setup_header_storage = saved;
}

TEST_F(PageLook, SeparatorIsASunkenLineInPlaceOfControl500) {
    make_panel();
    HWND page = create_page(DLG_WELCOME, welcome_page_proc);
    RECT place = rect_in(GetDlgItem(page, CTL_SEPARATOR), page);
    RECT client;
    GetClientRect(page, &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, client.right, client.bottom, WHITENESS);
    draw_separator(page, dc);
    int mid = (place.left + place.right) / 2;
    EXPECT_EQ(GetPixel(dc, mid, place.top), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, mid, place.bottom - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, place.left, place.top + 1), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, place.right - 1, place.top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, mid, place.top - 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, mid, place.bottom), RGB(255, 255, 255));
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(page);
}

TEST_F(PageLook, CentringKeepsDialogsInsideTheBackdrop) {
    make_backdrop(400, 300);
    struct Case {
        int centre_x, centre_y, w, h;
        int x, y;
    } cases[] = {
        {200, 150, 100, 80, 150, 110},   // centred
        {380, 290, 100, 80, 300, 220},   // would reach past the right and bottom edges
        {10, 5, 100, 80, 0, 0},          // would start left of and above the backdrop
        {200, 150, 500, 80, 0, 110},     // wider than the backdrop
        {200, 150, 100, 350, 150, 0},    // taller than the backdrop
    };
    for (const Case& c : cases) {
        ctx.centre_x = c.centre_x;
        ctx.centre_y = c.centre_y;
        HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 33, 44, c.w, c.h, nullptr, nullptr,
                                 ctx.instance, nullptr);
        ASSERT_NE(w, nullptr);
        centre_on_backdrop(w);
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.left, c.x) << c.centre_x << "," << c.centre_y << " " << c.w << "x" << c.h;
        EXPECT_EQ(r.top, c.y) << c.centre_x << "," << c.centre_y << " " << c.w << "x" << c.h;
        EXPECT_EQ(r.right - r.left, c.w);
        DestroyWindow(w);
    }
}
