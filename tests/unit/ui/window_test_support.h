// Windows-only test support for the pages: a backdrop-like window and the logo panel around
// the code under test, and a thread timer that acts on the windows while a modal dialog or a
// page loop runs, the way a person would (clicks and keys posted, never sent).
#pragma once

#include "tests/support/test_env.h"

#include <functional>
#include <string>

class WindowTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A visible top-level window (no caption) of `width` x `height` at 0, 0 as backdrop_window, with the
    // centre point set from it; and, when asked, the logo panel (template 400) inside it.
    void make_backdrop(int width, int height);
    void make_panel();

    // Calls `tick` every 20 ms from the thread's own message loops (page loop, modal dialogs)
    // until it returns true. After `limit_ms` the ticker gives up: it records a failure and
    // posts a quit message so that the loop under test ends instead of hanging the suite.
    void start_ticker(std::function<bool()> tick, int limit_ms = 5000);
    void stop_ticker();
};

// Text of a window (a control, a panel).
std::string window_text(HWND window);
// The first top-level dialog of this thread whose caption is `caption`, or null.
HWND find_dialog(const char* caption);
// Posts a key press (down and up) to the control of `dialog` that has the focus, or to the
// dialog itself when none of its controls has it.
void post_key(HWND dialog, WPARAM key);
// Removes every message waiting for this thread.
void drain_messages();
