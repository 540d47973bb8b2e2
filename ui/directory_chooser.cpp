// The directory chooser: the system's old-style file-save dialog on template 409, which has
// a directory list and a drive list but no file-name field, and a hook that shows the opened
// directory in an edit field of its own and returns it on OK.
#include "ui/wizard_pages.h"

#include "common/install_context.h"
#include "resources/resource_ids.h"
#include "ui/page_look.h"

#include <commdlg.h>
#include <cstring>

namespace {

// The directory shown in the chooser's edit field while the chooser is open (260 bytes).
char* chooser_result = nullptr;

constexpr const char* CHOOSER_TITLE = "Please select a directory";

// Posted by the hook to itself after the dialog has handled a list or drive change.
constexpr UINT WM_REFRESH_CHOSEN = WM_APP + 1;

// Shows the directory the dialog has opened (it makes it the process's current directory)
// in the edit field.
void show_opened_directory(HWND chooser) {
    GetFullPathNameA(".", PATH_BUFFER_SIZE, chooser_result, nullptr);
    OemToCharA(chooser_result, chooser_result);
    SetDlgItemTextA(chooser, CTL_CHOOSER_EDIT, chooser_result);
}

// True for the list notifications after which the opened directory may have changed. The
// dialog reports such changes with chooser_notify_message; some implementations of the
// old-style dialog send it only after a double-click, so the lists' own notifications are
// followed too, once the dialog has acted on them.
bool is_list_change(WPARAM wparam) {
    int id = LOWORD(wparam), notification = HIWORD(wparam);
    return (id == CTL_CHOOSER_DIRECTORY_LIST && (notification == LBN_SELCHANGE || notification == LBN_DBLCLK)) ||
           (id == CTL_CHOOSER_DRIVES && notification == CBN_SELCHANGE);
}

}  // namespace

UINT_PTR CALLBACK directory_chooser_hook(HWND chooser, UINT message, WPARAM wparam, LPARAM) {
    if (message == ctx.chooser_notify_message && message != 0) {
        show_opened_directory(chooser);
        return FALSE;
    }
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(chooser, CTL_CHOOSER_EDIT, chooser_result);
        centre_on_backdrop(chooser);
        return TRUE;
    case WM_REFRESH_CHOSEN:
        show_opened_directory(chooser);
        return TRUE;
    case WM_COMMAND:
        if (is_list_change(wparam)) {
            PostMessageA(chooser, WM_REFRESH_CHOSEN, 0, 0);
            return FALSE;
        }
        if (LOWORD(wparam) == IDOK) {
            // The dialog has no file-name field of its own, so its own OK handling has nothing
            // to accept: the hook ends it with the edit field's directory. An empty field
            // keeps the chooser open.
            GetDlgItemTextA(chooser, CTL_CHOOSER_EDIT, chooser_result, PATH_BUFFER_SIZE);
            if (chooser_result[0]) {
                EndDialog(chooser, TRUE);
                return TRUE;
            }
        }
        return FALSE;
    }
    return FALSE;
}

bool choose_directory(HWND, char* directory) {
    char* file_name = (char*)LocalAlloc(LPTR, PATH_BUFFER_SIZE);
    chooser_result = (char*)LocalAlloc(LPTR, PATH_BUFFER_SIZE);
    auto* request = (OPENFILENAMEA*)LocalAlloc(LPTR, sizeof(OPENFILENAMEA));
    bool chosen = false;
    // Without memory there is no chooser; the directory stays as it is.
    if (file_name && chooser_result && request) {
        std::strcpy(chooser_result, directory);
        request->lStructSize = sizeof(OPENFILENAMEA);
        request->hwndOwner = ctx.backdrop_window;
        request->hInstance = ctx.instance;
        request->lpstrFilter = "*.*\0*.*\0";
        request->nFilterIndex = 1;
        request->lpstrFile = file_name;
        request->nMaxFile = PATH_BUFFER_SIZE;
        request->lpstrInitialDir = directory;
        // Some implementations replace the template's title with "Save As" unless a title is
        // given: give the template's own.
        request->lpstrTitle = CHOOSER_TITLE;
        request->Flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
        request->lpTemplateName = MAKEINTRESOURCEA(DLG_DIRECTORY_CHOOSER);
        request->lpfnHook = directory_chooser_hook;
        if (GetSaveFileNameA(request)) {
            std::strcpy(directory, chooser_result);
            chosen = true;
        }
    }
    if (request) LocalFree(request);
    if (file_name) LocalFree(file_name);
    if (chooser_result) LocalFree(chooser_result);
    chooser_result = nullptr;
    return chosen;
}
