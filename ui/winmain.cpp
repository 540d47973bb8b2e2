// The program's entry and its whole flow: the command line, one instance only, the Install
// context, then either the silent run or the backdrop, the package, the logo, the wizard pages,
// the install, the end page; shutdown.
#include "common/command_line.h"
#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/install_record.h"
#include "common/instance_lock.h"
#include "common/memory_blocks.h"
#include "common/run_log.h"
#include "common/status.h"
#include "install/install_sequence.h"
#include "install/registry_records.h"
#include "package/extract_entry.h"
#include "package/load_package.h"
#include "package/package_format.h"
#include "package/setup_header.h"
#include "resources/resource_ids.h"
#include "ui/browser_check.h"
#include "ui/directory_check.h"
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
constexpr const char* TEMP_PREFIX = "Tmp";
// load_package, then the /D= directory in the place of the proposed one.
int load_package_for(const CommandLine& command) {
    int status = load_package();
    if (status == STATUS_OK && command.directory[0]) std::strcpy(ctx.target_directory, command.directory);
    return status;
}

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

// COM for the shortcut maker (COM alone: OLE's clipboard and drag-and-drop are not used, and
// starting them makes a window even in a silent run), then the ten path buffers. False when
// a buffer could not be had: nothing can run without them.
bool init_context_buffers() {
    CoInitialize(nullptr);
    return allocate_path_buffers();
}

void release_context_buffers() {
    free_path_buffers();
    CoUninitialize();
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
        ctx.package_file = open_program_file();
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

// The exit code of a run that failed: the class of the last failure message, or a stop.
int failure_code() { return ctx.last_message ? exit_code_for_message(ctx.last_message) : EXIT_CANCELLED; }

// A run with /S: the defaults a person gets by pressing Enter on every page, no window at all.
// The proposed (or /D=) directory, checked as the Directory page checks it; every detected
// browser that passes the Web browser(s) page's checks; then the install steps without a page.
int run_silent(const CommandLine& command) {
    int status = load_package_for(command);
    if (status != STATUS_OK) {
        report_status(nullptr, status);
        return failure_code();
    }
    if (!check_target_directory(nullptr)) return failure_code();
    // A browser that fails a check is left out, as a person would untick it; why is logged.
    for (const BrowserChoice& browser : BROWSER_CHOICES)
        if ((ctx.browser_flags & browser.flag) && !check_browser(nullptr, browser))
            ctx.browser_flags &= ~browser.flag;
    if (!ctx.browser_flags) {
        log_line("No browser can take the plug-in.", nullptr);
        return EXIT_NO_BROWSER;
    }
    if (run_install() != 0) return failure_code();
    // Installed, with a file held open that takes its place at the next restart.
    return ctx.restart_needed ? EXIT_REBOOT_PENDING : EXIT_INSTALLED;
}

// The run with its windows: returns the exit code of the documented table. `startup_failed`
// is set where the program without arguments has always ended with -1.
int run_interactive(const CommandLine& command, bool& startup_failed) {
    startup_failed = true;
    ctx.background_brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    if (!ctx.background_brush) ctx.background_brush = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    ctx.chooser_notify_message = RegisterWindowMessageA("commdlg_LBSelChangedNotify");
    if (!register_main_class()) {
        startup_failed = false;
        return EXIT_CANNOT_RUN;
    }

    ctx.screen_width = GetSystemMetrics(SM_CXSCREEN);
    ctx.screen_height = GetSystemMetrics(SM_CYSCREEN);
    ctx.menu_height = GetSystemMetrics(SM_CYMENU);

    ctx.backdrop_window = CreateWindowExA(0, MAIN_CLASS_NAME, ctx.caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                          0, 0, ctx.screen_width, ctx.screen_height, nullptr, nullptr,
                                          ctx.instance, nullptr);
    if (!ctx.backdrop_window) {
        show_warning(nullptr, MSG_WINDOW_PROBLEM);
        return failure_code();
    }
    ShowWindow(ctx.backdrop_window, SW_SHOWNORMAL);
    UpdateWindow(ctx.backdrop_window);
    ctx.centre_x = ctx.screen_width / 2;
    ctx.centre_y = ctx.screen_height / 2 - ctx.menu_height;

    // The Directory page proposes the /D= directory.
    int status = load_package_for(command);
    if (status != STATUS_OK) {
        report_status(ctx.backdrop_window, status);
        return failure_code();
    }
    startup_failed = false;

    // Without a temporary name there is nowhere to put the picture: the panel shows none.
    if (make_temp_file_name(TEMP_PREFIX, 0, ctx.logo_temp_path) && ctx.logo_temp_path[0]) extract_logo();

    int code = EXIT_CANCELLED;
    ctx.logo_panel = CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_LOGO_PANEL), ctx.backdrop_window,
                                        logo_panel_proc, 0);
    if (ctx.logo_panel) {
        if (run_wizard()) {
            code = run_install() == 0 ? EXIT_INSTALLED : failure_code();
            run_page(code == EXIT_INSTALLED ? DLG_END_SUCCESS : DLG_END_FAILURE, end_page_proc, 0);
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
    return code;
}

// The whole run once the buffers are there: the usage text, then one of the two runs.
int run_program(const CommandLine& command, bool& startup_failed) {
    startup_failed = false;
    if (command.usage) {
        if (command.unknown[0]) log_line("Not understood: ", command.unknown);
        message_box(nullptr, MSG_USAGE, BOX_WARNING_OK);
        return EXIT_USAGE;
    }
    if (command.directory_refusal) {
        // Refused as given, before anything is shown or made.
        show_warning(nullptr, command.directory_refusal);
        return EXIT_TARGET_REFUSED;
    }
    int code;
    if (command.silent) {
        code = run_silent(command);
        // What the directory check made for an install that did not happen goes again. (The
        // file table goes with the process.)
        remove_created_directory();
    } else {
        code = run_interactive(command, startup_failed);
    }
    return code;
}

// The log's first lines: what ran, how it was started, and when.
void log_header(const char* arguments) {
    char text[64];
    format_product_version(text);
    log_line(ctx.caption, nullptr);
    log_line("Version: ", text);
    log_line("Command line: ", arguments);
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    log_line("Started: ", text);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    CommandLine command;
    parse_command_line(arguments, command);
    // Blanks alone are no arguments: the run is then exactly the one without a command line.
    bool has_arguments = command.silent || command.usage || command.directory[0] ||
                         command.directory_refusal || command.log_file[0];
    ctx.silent = command.silent;
    ctx.instance = instance;
    LoadStringA(instance, MSG_CAPTION, ctx.caption, sizeof ctx.caption);

    // One run at a time on the machine, of the installer or the uninstaller. The lock finds a
    // silent run, which has no window, and a wizard as well, so a silent run calls no window
    // function at all (under Wine the first one starts the desktop process, which takes longer
    // than the whole copy).
    bool locked_out = !take_instance_lock();
    // The log is written on every path from here. A run that stops for the lock adds its
    // lines to the end of a log that is there: it may be the running one's.
    if (command.log_file[0] && !open_run_log(command.log_file, locked_out)) {
        // The log asked for cannot be had: nothing is installed without it.
        message_box_formatted(nullptr, MSG_WRITE_ERROR, command.log_file, BOX_WARNING_OK);
        return EXIT_WRITE_FAILED;
    }
    log_header(arguments);

    int code;
    bool startup_failed = false;
    if (locked_out) {
        // An interactive second installer brings the first one forward; otherwise the
        // uninstaller (or a silent run) has the lock, and a message says so.
        if (command.silent || !bring_running_instance_forward()) message_box(nullptr, MSG_ANOTHER_RUN, BOX_WARNING_OK);
        code = EXIT_CANCELLED;
    } else {
        ctx.package_file = ctx.output_file = HFILE_ERROR;
        DWORD version = GetVersion();
        ctx.windows_version = (uint16_t)((version & 0xFF) << 8 | (version >> 8 & 0xFF));
        if (!init_context_buffers()) {
            // Without its path buffers the program cannot work at all: say so and stop.
            message_box(nullptr, MSG_NO_MEMORY, BOX_WARNING_OK);
            code = EXIT_CANNOT_RUN;
            startup_failed = true;
        } else {
            // A run killed before this one is put right before anything is proposed: the
            // folders it made for its target go while empty, so the Directory page sees the
            // disk as it will be.
            recover_killed_run();
            std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
            code = run_program(command, startup_failed);
        }
        release_brush();
        if (ctx.page_font) DeleteObject(ctx.page_font);
        ctx.page_font = nullptr;
        release_context_buffers();
    }
    log_number("Exit code: ", code);
    close_run_log();
    if (has_arguments) return code;
    // Without arguments, the codes the program has always given.
    if (locked_out) return 0;
    return startup_failed ? EXIT_FAILURE_CODE : 0;
}
