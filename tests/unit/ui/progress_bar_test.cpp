// The block bar, read back pixel by pixel from a memory bitmap it was drawn into, and the
// progress page's percentage text.
#include "tests/unit/ui/window_test_support.h"

#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/progress_page.h"

#include <utility>
#include <vector>

namespace {

// A memory bitmap in the screen's format, so colours read back exactly as drawn.
struct MemoryBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    MemoryBitmap(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        RECT all = {0, 0, w, h};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    ~MemoryBitmap() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
};

COLORREF block_colour() { return GetSysColor(COLOR_ACTIVECAPTION); }

// Runs of block-coloured pixels along row y: (first column, width).
std::vector<std::pair<int, int>> block_runs(const MemoryBitmap& m, int width, int y) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < width; ++x) {
        if (m.at(x, y) != block_colour()) continue;
        if (!runs.empty() && runs.back().first + runs.back().second == x)
            ++runs.back().second;
        else
            runs.push_back({x, 1});
    }
    return runs;
}

}  // namespace

using ProgressBar = WindowTest;

TEST_F(ProgressBar, TwelvePixelBarHasSixWideBlocksWithTwoPixelGapsInsideTheFrame) {
    ASSERT_NE(block_colour(), GetSysColor(COLOR_BTNFACE)) << "blocks must be told from the face";
    const int w = 100, h = 12;
    MemoryBitmap m(w, h);
    ASSERT_TRUE(draw_progress_blocks(m.dc, w, h, 50));

    auto runs = block_runs(m, w, h / 2);
    ASSERT_EQ(runs.size(), 6u);   // 1, 9, ..., 41: the next block would end at 55 > 50
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].first, 1 + 8 * (int)i);
        EXPECT_EQ(runs[i].second, 6);
    }
    // Each block covers rows 2 to h - 3 and nothing above or below.
    for (int y = 0; y < h; ++y) {
        bool block_row = y >= 2 && y < h - 2;
        EXPECT_EQ(m.at(3, y) == block_colour(), block_row) << "row " << y;
    }
    // The sunken frame: shadow top and left, highlight bottom and right, face inside.
    EXPECT_EQ(m.at(50, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(m.at(0, 6), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(m.at(50, h - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(m.at(w - 1, 6), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(m.at(7, 6), GetSysColor(COLOR_BTNFACE));    // a gap
    EXPECT_EQ(m.at(80, 6), GetSysColor(COLOR_BTNFACE));   // beyond the last block
}

TEST_F(ProgressBar, BlockCountFollowsThePercentage) {
    const int w = 100, h = 12;
    struct Case {
        int percent;
        size_t blocks;
    } cases[] = {
        {-20, 1}, {0, 1}, {7, 1}, {8, 1}, {16, 2}, {50, 6}, {99, 12}, {100, 12}, {101, 12},
        {250, 12}, {0x7FFFFFFF, 12},
    };
    for (const Case& c : cases) {
        MemoryBitmap m(w, h);
        draw_progress_blocks(m.dc, w, h, c.percent);
        EXPECT_EQ(block_runs(m, w, h / 2).size(), c.blocks) << c.percent << "%";
    }
}

TEST_F(ProgressBar, NoBlockEverReachesTheRightFrame) {
    for (int w : {3, 8, 20, 101, 269}) {
        for (int h : {5, 12, 19}) {
            for (int percent = 0; percent <= 120; percent += 3) {
                MemoryBitmap m(w + 4, h);
                draw_progress_blocks(m.dc, w, h, percent);
                auto runs = block_runs(m, w + 4, h / 2);
                ASSERT_FALSE(runs.empty());
                EXPECT_LE(runs.back().first + runs.back().second, w - 1)
                    << "width " << w << " height " << h << " at " << percent << "%";
                EXPECT_EQ(m.at(w - 1, h / 2), GetSysColor(COLOR_BTNHIGHLIGHT));
            }
        }
    }
}

TEST_F(ProgressBar, FullBarEndsWithinOneBlockOfTheRightEdge) {
    const int w = 154, h = 12;
    MemoryBitmap m(w, h);
    draw_progress_blocks(m.dc, w, h, 100);
    auto runs = block_runs(m, w, h / 2);
    ASSERT_FALSE(runs.empty());
    int end = runs.back().first + runs.back().second;
    EXPECT_GT(end + 6 + 2, w - 1);   // another block would not have fitted
}

TEST_F(ProgressBar, PageShowsPercentageAndDrawsTheBarAtItsPlace) {
    make_panel();
    HWND page = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_PROGRESS), ctx.logo_panel,
                                   progress_page_proc, 0);
    ASSERT_NE(page, nullptr);
    RECT client, bar;
    GetClientRect(page, &client);
    GetWindowRect(GetDlgItem(page, CTL_PROGRESS_BAR), &bar);
    MapWindowPoints(nullptr, page, (POINT*)&bar, 2);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, CTL_PROGRESS_BAR)));
    EXPECT_EQ(window_text(GetDlgItem(page, CTL_PROGRESS_FILE)), "");

    MemoryBitmap m(client.right, client.bottom);
    ctx.progress_percent = 42;
    draw_progress_bar(page, m.dc);
    EXPECT_EQ(window_text(GetDlgItem(page, CTL_PROGRESS_PERCENT)), "42%");
    EXPECT_EQ(m.at(bar.left, bar.top), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(m.at(bar.left + 2, (bar.top + bar.bottom) / 2), block_colour());
    EXPECT_EQ(m.at(bar.right - 2, (bar.top + bar.bottom) / 2), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(m.at(bar.left - 1, bar.top), RGB(255, 255, 255));   // nothing drawn outside

    ctx.progress_page = page;
    set_progress_percent(100);
    EXPECT_EQ(ctx.progress_percent, 100);
    EXPECT_EQ(window_text(GetDlgItem(page, CTL_PROGRESS_PERCENT)), "100%");
    DestroyWindow(page);
    ctx.progress_page = nullptr;
}

TEST_F(ProgressBar, WithoutAPageOnlyThePercentageIsKept) {
    ctx.progress_page = nullptr;
    set_progress_percent(37);
    EXPECT_EQ(ctx.progress_percent, 37);
}
