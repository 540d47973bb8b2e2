// The look every page shares: normal-weight font, place right of the logo, panel caption
// with the step name, the etched separator, button-face colours; and dialog centring.
#pragma once

#include "platform/win32.h"

// Common WM_INITDIALOG work of a page: page font, place beside the logo frame of logo_panel,
// panel caption "... - <step name>" (string `step_name_id`), separator place hidden.
void init_page(HWND page, int step_name_id);
// Gives every child of `page` the non-bold page_font, made from the page's own font the
// first time. Without a readable page font the controls keep the dialog font.
void apply_page_font(HWND page);
// Common WM_PAINT work: begin painting, draw the separator, end painting.
void paint_page(HWND page);
// Draws the sunken separator line in the place of control 500, if the page has one.
void draw_separator(HWND page, HDC dc);
// Fills (x, y, width, height) with `colour` without making a brush.
void fill_solid_rect(HDC dc, int x, int y, int width, int height, COLORREF colour);
// Answer to the control-colour messages: button-face background, background_brush.
HBRUSH page_ctl_color(HDC dc);
// True for the four control-colour messages the pages answer with page_ctl_color
// (edit fields, list boxes and scroll bars keep their own colours).
bool is_page_ctl_color_message(UINT message);
// Moves `window` so that it is centred on (centre_x, centre_y) but stays inside the
// backdrop's width and height; at least at 0, 0. Size and Z order unchanged.
void centre_on_backdrop(HWND window);
