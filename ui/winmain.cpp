// The program's entry and its whole flow: one instance only, the Install context, the
// backdrop, the package, the logo, the wizard pages, the install, the end page, shutdown.
#include "common/install_context.h"
#include "common/status.h"
#include "detect/memory_blocks.h"
#include "install/install_sequence.h"
#include "package/extract_entry.h"
#include "package/load_package.h"
#include "package/package_format.h"
#include "package/setup_header.h"
#include "resources/resource_ids.h"
#include "ui/logo_panel.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/page_runner.h"
#include "ui/simple_pages.h"
#include "ui/wizard_pages.h"

#include <ole2.h>
#include <cstring>

namespace {

constexpr int EXIT_FAILURE_CODE = -1;
constexpr const char* LOGO_ENTRY_NAME = "logo.bmp";
constexpr const char* TEMP_PREFIX = "Tmp";

struct WizardPage {
    int template_id;
    DLGPROC proc;
};

// The wizard, in order; the step names are set by each page itself.
const WizardPage wizard_pages[] = {
    {DLG_WELCOME, welcome_page_proc},
    {DLG_DIRECTORY, directory_page_proc},
    {DLG_BROWSERS, browsers_page_proc},
};
constexpr int LAST_PAGE = sizeof wizard_pages / sizeof wizard_pages[0] - 1;

// Brings a running instance back, if there is one; true when there was.
bool bring_running_instance_forward() {
    HWND running = FindWindowA(MAIN_CLASS_NAME, nullptr);
    if (!running) return false;
    HWND popup = GetLastActivePopup(running);
    BringWindowToTop(running);
    // The restore command, not a bare ShowWindow: the backdrop's handler of it restores the
    // minimised logo panel, and with it the page, as well.
    if (IsIconic(running)) PostMessageA(running, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (popup != running) BringWindowToTop(popup);
    return true;
}

// COM for the shortcut maker, then the ten path buffers. False when a buffer could not be
// had: nothing can run without them.
bool init_context_buffers() {
    OleInitialize(nullptr);
    return allocate_path_buffers();
}

void release_context_buffers() {
    free_path_buffers();
    OleUninitialize();
}

void release_brush() {
    if (ctx.background_brush && ctx.background_brush != (HBRUSH)GetStockObject(LTGRAY_BRUSH))
        DeleteObject(ctx.background_brush);
    ctx.background_brush = nullptr;
}

// Extracts the package's logo picture (the first not-installed entry named logo.bmp) into
// the temporary file logo_temp_path. Whatever goes wrong, the panel simply shows no picture.
void extract_logo() {
    const SetupHeader& header = setup_header();
    uint8_t* entry = ctx.file_table;
    for (uint32_t i = 0; entry && i < header.file_count; ++i, entry = next_file_entry(entry)) {
        if (!(entry_flags(entry) & ENTRY_NOT_INSTALLED) || lstrcmpiA(entry_name(entry), LOGO_ENTRY_NAME) != 0)
            continue;
        GetModuleFileNameA(nullptr, ctx.program_path, PATH_BUFFER_SIZE);
        std::strcpy(ctx.error_file_name, ctx.program_path);
        ctx.package_file = _lopen(ctx.program_path, OF_READ);
        if (ctx.package_file == HFILE_ERROR) return;
        extract_entry(ctx.logo_temp_path, entry, "");
        _lclose(ctx.package_file);
        ctx.package_file = HFILE_ERROR;
        return;
    }
}

// The wizard's pages in turn. Returns true when the last page ended with Next.
bool run_wizard() {
    int index = 0;
    for (;;) {
        int code = run_page(wizard_pages[index].template_id, wizard_pages[index].proc, 0);
        switch (code) {
        case PAGE_NEXT:
            if (index >= LAST_PAGE) return true;
            ++index;
            break;
        case PAGE_QUIT:
            return false;
        case PAGE_BACK:
            if (index > 0) --index;
            break;
        default:
            break;   // the same page again
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (bring_running_instance_forward()) return 0;

    ctx.instance = instance;
    ctx.package_file = ctx.output_file = HFILE_ERROR;
    DWORD version = GetVersion();
    ctx.windows_version = (uint16_t)((version & 0xFF) << 8 | (version >> 8 & 0xFF));
    if (!init_context_buffers()) {
        // Without its path buffers the program cannot work at all: say so and stop.
        LoadStringA(instance, MSG_CAPTION, ctx.caption, sizeof ctx.caption);
        message_box(nullptr, MSG_NO_MEMORY, BOX_WARNING_OK);
        release_context_buffers();
        return EXIT_FAILURE_CODE;
    }
    ctx.background_brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    if (!ctx.background_brush) ctx.background_brush = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    ctx.chooser_notify_message = RegisterWindowMessageA("commdlg_LBSelChangedNotify");
    if (!register_main_class()) {
        release_brush();
        release_context_buffers();
        return 0;
    }

    ctx.screen_width = GetSystemMetrics(SM_CXSCREEN);
    ctx.screen_height = GetSystemMetrics(SM_CYSCREEN);
    ctx.menu_height = GetSystemMetrics(SM_CYMENU);
    LoadStringA(instance, MSG_CAPTION, ctx.caption, sizeof ctx.caption);
    LoadStringA(instance, MSG_PRODUCT_SHORT_NAME, ctx.product_short_name, sizeof ctx.product_short_name);
    wsprintfA(ctx.uninstall_key_name, "Uninstall\\%s", ctx.product_short_name);

    ctx.backdrop_window = CreateWindowExA(0, MAIN_CLASS_NAME, ctx.caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                          0, 0, ctx.screen_width, ctx.screen_height, nullptr, nullptr,
                                          instance, nullptr);
    if (!ctx.backdrop_window) {
        show_warning(nullptr, MSG_WINDOW_PROBLEM);
        release_brush();
        release_context_buffers();
        return EXIT_FAILURE_CODE;
    }
    ShowWindow(ctx.backdrop_window, SW_SHOWNORMAL);
    UpdateWindow(ctx.backdrop_window);
    ctx.centre_x = ctx.screen_width / 2;
    ctx.centre_y = ctx.screen_height / 2 - ctx.menu_height;

    int status = load_package();
    if (status != STATUS_OK) {
        report_status(ctx.backdrop_window, status);
        release_brush();
        release_context_buffers();
        return EXIT_FAILURE_CODE;
    }

    // Without a temporary name there is nowhere to put the picture: the panel shows none.
    if (make_temp_file_name(TEMP_PREFIX, 0, ctx.logo_temp_path) && ctx.logo_temp_path[0]) extract_logo();

    ctx.logo_panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(DLG_LOGO_PANEL), ctx.backdrop_window,
                                        logo_panel_proc, 0);
    if (ctx.logo_panel) {
        if (run_wizard()) {
            int template_id = run_install() == 0 ? DLG_END_SUCCESS : DLG_END_FAILURE;
            run_page(template_id, end_page_proc, 0);
        }
        DestroyWindow(ctx.logo_panel);
        ctx.logo_panel = nullptr;
    }

    // Shutdown, in this order.
    free_block(&ctx.file_table_block);
    ctx.file_table = nullptr;
    DestroyWindow(ctx.backdrop_window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    if (ctx.logo_temp_path[0]) DeleteFileA(ctx.logo_temp_path);
    release_brush();
    if (ctx.page_font) DeleteObject(ctx.page_font);
    ctx.page_font = nullptr;
    release_context_buffers();
    return 0;
}
