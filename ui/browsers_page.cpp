// The Web browser(s) page (template 403): which browsers get the plug-in, and where they are.
#include "ui/wizard_pages.h"

#include "common/install_context.h"
#include "common/paths.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/browser_check.h"
#include "ui/page_look.h"

#include <commdlg.h>
#include <cstring>

namespace {

constexpr int SHOWN_DIRECTORY_LIMIT = 40;
// From this Windows version on the file dialog takes the explorer style.
constexpr uint16_t EXPLORER_STYLE_VERSION = 0x0400;

void enable_next(HWND page) { EnableWindow(GetDlgItem(page, CTL_NEXT), ctx.browser_flags != 0); }

void show_browser(HWND page, const BrowserChoice& browser) {
    bool selected = (ctx.browser_flags & browser.flag) != 0;
    CheckDlgButton(page, browser.check_box_id, selected ? BST_CHECKED : BST_UNCHECKED);
    if (selected) show_browser_directory(page, browser.directory_text_id, browser_directory(browser));
    else SetDlgItemTextA(page, browser.directory_text_id, "");
    EnableWindow(GetDlgItem(page, browser.browse_button_id), selected);
}

void on_command(HWND page, int id) {
    for (const BrowserChoice& browser : BROWSER_CHOICES) {
        if (id == browser.check_box_id) {
            // The page keeps its own bits and never reads the boxes' state.
            ctx.browser_flags ^= browser.flag;
            EnableWindow(GetDlgItem(page, browser.browse_button_id), (ctx.browser_flags & browser.flag) != 0);
            enable_next(page);
            return;
        }
        if (id == browser.browse_button_id) {
            char* directory = browser_directory(browser);
            choose_browser_executable(page, directory, browser_exe_name(browser));
            show_browser_directory(page, browser.directory_text_id, directory);
            return;
        }
    }
    switch (id) {
    case CTL_QUIT:
    case CTL_BACK:
        ctx.page_result = id;
        break;
    case CTL_NEXT:
        for (const BrowserChoice& browser : BROWSER_CHOICES)
            if ((ctx.browser_flags & browser.flag) && !check_browser(page, browser)) return;
        if (ctx.browser_flags != 0) ctx.page_result = PAGE_NEXT;
        break;
    }
}

}  // namespace

void show_browser_directory(HWND page, int control_id, const char* directory) {
    char shown[PATH_BUFFER_SIZE] = {};
    std::strncpy(shown, directory, PATH_BUFFER_SIZE - 1);
    shorten_path(shown, SHOWN_DIRECTORY_LIMIT);
    SetDlgItemTextA(page, control_id, shown);
}

void choose_browser_executable(HWND owner, char* directory, const char* exe_name) {
    char file_name[PATH_BUFFER_SIZE] = {};
    std::strncpy(file_name, exe_name, PATH_BUFFER_SIZE - 1);
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = ctx.instance;
    request.lpstrFilter = "*.exe\0*.exe\0";
    request.nFilterIndex = 1;
    request.lpstrFile = file_name;
    request.nMaxFile = PATH_BUFFER_SIZE;
    request.lpstrInitialDir = directory;
    request.Flags = OFN_FILEMUSTEXIST;
    if (ctx.windows_version >= EXPLORER_STYLE_VERSION)
        request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&request)) return;
    // Only the directory is kept: Next looks for the browser's own executable name there.
    char* last = std::strrchr(file_name, '\\');
    if (last) *last = 0;
    std::strcpy(directory, file_name);
}

INT_PTR CALLBACK browsers_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        init_page(page, MSG_STEP_BROWSERS);
        for (const BrowserChoice& browser : BROWSER_CHOICES) show_browser(page, browser);
        enable_next(page);
        return TRUE;
    case WM_PAINT:
        paint_page(page);
        return FALSE;
    case WM_COMMAND:
        on_command(page, LOWORD(wparam));
        return FALSE;
    }
    return FALSE;
}
