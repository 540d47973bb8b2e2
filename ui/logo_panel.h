// The logo panel: the captioned window (dialog 400) that frames the wizard, with the logo
// picture on its left and the current page on its right.
#pragma once

#include "platform/win32.h"

// The panel's dialog procedure: centred on the backdrop, caption kept active, minimise
// passed to the backdrop, close turned into Quit, the logo painted on every WM_PAINT.
INT_PTR CALLBACK logo_panel_proc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);

// Reads the logo file (logo_temp_path) and stretches its picture into the rectangle of
// control `frame_id` of `panel`. A missing, short, damaged or unreadable file draws nothing.
void draw_logo(HWND panel, HDC dc, int frame_id);

// For an 8-bit picture whose information header `info` is followed by its 256-entry colour
// table: a palette of those colours (the 20 static system colours kept in their places on a
// 256-colour display). Null for other bit counts or when it cannot be made.
HPALETTE make_logo_palette(HDC dc, const BITMAPINFOHEADER* info);
