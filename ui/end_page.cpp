// The end pages (success 406, failure 407): one procedure, one button.
#include "ui/simple_pages.h"

#include "common/install_context.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"

INT_PTR CALLBACK end_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        init_page(page, MSG_STEP_END);
        return TRUE;
    case WM_PAINT:
        paint_page(page);
        return FALSE;
    case WM_COMMAND: {
        // Only "Return to Windows" (2) exists; Enter arrives as 1 and ends the page too.
        int id = LOWORD(wparam);
        if (id == CTL_NEXT || id == CTL_QUIT) ctx.page_result = id;
        return FALSE;
    }
    }
    return FALSE;
}
