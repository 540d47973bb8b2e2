// The Install context: the program-wide state of one run. One instance, `ctx`, created at
// start-up and alive until the program ends. Fields are grouped by the subsystem that owns them.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Every path lives in a zero-filled buffer of this many bytes.
constexpr int PATH_BUFFER_SIZE = 260;

// browser_flags bits.
enum : unsigned {
    BROWSER_NETSCAPE = 0x1,
    BROWSER_EXPLORER = 0x2,
};

struct InstallContext {
    // --- Start-up and main window ---
    HINSTANCE instance;
    uint16_t windows_version;       // major * 256 + minor
    int screen_width, screen_height, menu_height;
    int centre_x, centre_y;         // the point dialogs are centred on
    char caption[80];               // string 96: backdrop title, caption of message boxes
    char uninstall_key_name[64];    // UNINSTALL_KEY_NAME (common/install_record.h)
    HBRUSH background_brush;
    UINT chooser_notify_message;    // "commdlg_LBSelChangedNotify"
    HWND backdrop_window;
    HWND logo_panel;                // dialog 400, parent of every page
    int page_result;                // result of the running page; also the stop request
    HFONT page_font;

    // The ten path buffers (PATH_BUFFER_SIZE bytes each), allocated in this order.
    char* target_directory;         // where to install; ends with a backslash
    char* program_path;             // this program file
    char* work_path;                // scratch: destination of the file being written
    char* error_file_name;          // the name the file messages show
    char* netscape_exe_name;
    char* netscape_directory;
    char* explorer_exe_name;
    char* explorer_directory;
    char* readme_file_name;         // the last ".txt" regular entry
    char* logo_temp_path;           // temporary file holding the logo picture

    // --- Setup package ---
    uint8_t* file_table;            // first File entry of the loaded table
    HGLOBAL file_table_block;
    uint32_t required_kb;           // kilobytes the installation needs
    HFILE package_file;             // this program file while entries are extracted, or -1
    HFILE output_file;              // destination file while it is written, or -1

    // --- Directory page ---
    // The target directory as the page created it in this run (no trailing backslash), and
    // the length of its topmost directory that did not exist before; 0 when none was made.
    char created_directory[PATH_BUFFER_SIZE];
    int created_top_length;

    // --- Target detection and browsers page ---
    unsigned browser_flags;         // BROWSER_NETSCAPE | BROWSER_EXPLORER

    // --- Install sequence and progress page ---
    HWND progress_page;
    uint32_t progress_total;
    uint32_t progress_done;
    int progress_percent;

    // --- Plug-in deployment ---
    unsigned plugin_copies_written; // browsers whose plug-in module this run wrote (BROWSER_*)

    // --- Command line ---
    bool silent;                    // /S: no window at all; questions take the safe answer
    int last_message;               // the last failure message given (shown or not), or 0

    // --- Shared-file placement ---
    HGLOBAL pending_files_block;    // list of shared files written under temporary names
    char* pending_files;

    unsigned shared_files_pending;  // how many of the first pending files are shared files

    // --- Commit ---
    // One string per file the commit has put in place, "<final path>|<backup path>" (the
    // backup empty when there was no earlier copy): what a failure puts back, what success
    // deletes (install/commit_transaction.h).
    HGLOBAL commit_undo_block;
    char* commit_undo;
    bool restart_needed;            // a silent run left a file to be replaced at the restart
    // Files this run created under their final names (journaled before each is made).
    HGLOBAL created_files_block;
    char* created_files;
    // Folders this run created below a destination, in the order made (the deepest last).
    HGLOBAL created_folders_block;
    char* created_folders;

    // --- Install record ---
    HGLOBAL record_block;           // this run's entries (common/install_record.h), tag first
    char* record;

    // --- Extension-file test ---
    HGLOBAL invalid_extensions_block; // extension files that failed their test, removed once
    char* invalid_extensions;         // the run succeeds (a failed run leaves them as they were)
};

extern InstallContext ctx;

// Allocation of the ten path buffers (LocalAlloc, zero-filled); init allocates, release frees
// them in the same order. COM is started and stopped by the Windows start-up around these.
// Returns false when any buffer could not be had (the others are still allocated).
bool allocate_path_buffers();
void free_path_buffers();
