// The Web browser(s) page's check of one selected browser, apart from the page so that it can
// be tested without windows.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Everything the page and the check need to know about one browser.
struct BrowserChoice {
    unsigned flag;            // BROWSER_NETSCAPE or BROWSER_EXPLORER
    int check_box_id;
    int directory_text_id;
    int browse_button_id;
    int not_found_message;    // asked: go on without the executable?
    int old_version_message;  // asked: go on with a version older than 2.0?
    int no_plugins_message;   // refused: no Plugins directory
};

// The two browsers, Netscape Navigator first.
extern const BrowserChoice BROWSER_CHOICES[2];
// Their directory and executable-name buffers in the Install context.
char* browser_directory(const BrowserChoice& browser);
const char* browser_exe_name(const BrowserChoice& browser);

// True when the file at `path` opens and is a 32-bit (PE) program: the 32-bit value at
// offset 60 points at the "PE" signature. A file too short to hold that offset or the
// signature, or one that cannot be read, is not.
bool is_32bit_executable(const char* path);

// Checks one selected browser, with boxes owned by `page`: its executable in its directory
// (missing: asks not_found_message; not 32-bit: refuses with 68; older than 2.0: asks
// old_version_message), then its Plugins directory (missing: refuses with no_plugins_message).
// Only a Yes answer goes on. Returns true when the browser is accepted; the process's current
// directory is then its Plugins directory. The browser's directory text is as before in every
// case.
bool check_browser(HWND page, const BrowserChoice& browser);
