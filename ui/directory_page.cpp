// The Directory page (template 402): where to install, how much room it needs and has.
#include "ui/wizard_pages.h"

#include "common/install_context.h"
#include "common/paths.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/directory_check.h"
#include "ui/messages.h"
#include "ui/page_look.h"

namespace {

void read_entry(HWND page) {
    GetDlgItemTextA(page, CTL_DIRECTORY_EDIT, ctx.target_directory, PATH_BUFFER_SIZE);
}

void on_command(HWND page, int id, int notification) {
    switch (id) {
    case CTL_BACK:
        read_entry(page);
        ctx.page_result = PAGE_BACK;
        break;
    case CTL_QUIT:
        ctx.page_result = PAGE_QUIT;
        break;
    case CTL_DIRECTORY_EDIT:
        if (notification == EN_KILLFOCUS) {
            read_entry(page);
            show_size_kb(page, CTL_FREE_SPACE, free_space_kb(ctx.target_directory));
        }
        break;
    case CTL_DIRECTORY_BROWSE:
        // The free space follows at the field's next loss of focus.
        choose_directory(page, ctx.target_directory);
        SetDlgItemTextA(page, CTL_DIRECTORY_EDIT, ctx.target_directory);
        break;
    case CTL_NEXT:
        // An entry longer than a path buffer would be taken cut short: refused as it stands.
        if (GetWindowTextLengthA(GetDlgItem(page, CTL_DIRECTORY_EDIT)) >= PATH_BUFFER_SIZE) {
            show_warning(page, MSG_DIRECTORY_TOO_LONG);
            break;
        }
        read_entry(page);
        if (check_target_directory(page)) ctx.page_result = PAGE_NEXT;
        break;
    }
}

}  // namespace

void show_size_kb(HWND page, int control_id, uint32_t kb) {
    char text[SIZE_TEXT_SIZE] = {};
    format_size_kb(text, kb);
    SetDlgItemTextA(page, control_id, text);
}

INT_PTR CALLBACK directory_page_proc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    if (is_page_ctl_color_message(message)) return (INT_PTR)page_ctl_color((HDC)wparam);
    switch (message) {
    case WM_INITDIALOG:
        init_page(page, MSG_STEP_DIRECTORY);
        remove_backslash(ctx.target_directory);
        // Typing stops where a path buffer ends.
        SendDlgItemMessageA(page, CTL_DIRECTORY_EDIT, EM_LIMITTEXT, PATH_BUFFER_SIZE - 1, 0);
        SetDlgItemTextA(page, CTL_DIRECTORY_EDIT, ctx.target_directory);
        show_size_kb(page, CTL_FREE_SPACE, free_space_kb(ctx.target_directory));
        show_size_kb(page, CTL_REQUIRED_SPACE, ctx.required_kb);
        return TRUE;
    case WM_PAINT:
        paint_page(page);
        return FALSE;
    case WM_COMMAND:
        on_command(page, LOWORD(wparam), HIWORD(wparam));
        return FALSE;
    }
    return FALSE;
}
