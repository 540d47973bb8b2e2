// The backdrop: the full-screen main window of class InstClass, painted blue to black, which
// holds the logo panel and marks a running instance.
#pragma once

#include "platform/win32.h"

constexpr const char* MAIN_CLASS_NAME = "InstClass";

// Registers InstClass (redrawn on resize, icon 800, arrow cursor, no background brush: the
// window paints all of itself). Returns the class atom, 0 on failure.
ATOM register_main_class();

// The backdrop's window procedure: paints the gradient, keeps the panel's caption in step with
// the program's activation, gives the keyboard focus back to the page's control that had it
// (or the page's default button) whenever the program is activated again (after a message
// box, the folder chooser or another program), turns its close command into Quit (page_result 2) without
// closing, and when destroyed at shutdown removes the folder the Directory page made for an
// install that did not happen (remove_created_directory).
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// WM_PAINT of the backdrop: every row of the paint rectangle in blue 255 - 255 * y / height,
// from pure blue at the top to black at the bottom. A window without height paints nothing.
void paint_backdrop(HWND window);
