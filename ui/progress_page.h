// The progress page: current file name and a block bar.
#pragma once

#include "platform/win32.h"
#include "resources/resource_ids.h"

// Control of the progress page that shows the name of the file being written.
constexpr int PROGRESS_FILE_NAME_ID = CTL_PROGRESS_FILE;

// Stores the percentage in progress_percent and redraws the text and the bar at once.
void set_progress_percent(int percent);

#ifdef _WIN32
// The progress page's dialog procedure (template 405). Cancel, or Escape, asks the halt
// question; any answer but No writes 2 (stop) into page_result.
INT_PTR CALLBACK progress_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// Shows progress_percent as "N%" in control 103 and draws the bar in the place of control
// 102, into `dc` or, when `dc` is null, into a device context of the page's own.
void draw_progress_bar(HWND page, HDC dc);
// Draws a whole bar of `width` x `height` pixels at (0, 0) of `dc`: a sunken frame and blocks
// height / 2 wide with 2-pixel gaps, from x = 1, 2 pixels from top and bottom, as many as
// `percent` of the width holds (always one, never past the frame). Returns false when no
// brush could be made (the frame is drawn, the blocks are not).
bool draw_progress_blocks(HDC dc, int width, int height, int percent);
#endif
