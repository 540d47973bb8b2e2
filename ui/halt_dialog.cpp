// The halt confirmation, shown modally when Cancel is pressed during the install.
#include "ui/simple_pages.h"

#include "resources/resource_ids.h"
#include "ui/page_look.h"

INT_PTR CALLBACK halt_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        // Focus on "No", the default: left to itself the dialog manager would focus the first
        // button, "Yes", and Enter would then halt the installation instead of going on.
        SetFocus(GetDlgItem(dialog, CTL_HALT_NO));
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id == IDOK || id == IDCANCEL || id == CTL_HALT_YES || id == CTL_HALT_NO) {
            EndDialog(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}
