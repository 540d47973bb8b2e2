// The uninstaller's command line (case-insensitive):
//
//   (nothing)   ask once, remove, say what was removed
//   /S          no window and no question, wherever it stands on the line
//   /LOG=<file> a plain-text log of what was removed, kept or refused and why (the value may
//               be in double quotes), as the installer's /LOG= (common/command_line.h)
//   /_CLEANUP=<process id> <path of the uninstaller>
//               the run of the uninstaller's copy in the temporary folder, which deletes the
//               uninstaller's file once that process has ended (see uninstaller_windows.cpp)
//
// Anything else (/? included) asks for the usage text.
#pragma once

#include "common/install_context.h"
#include "platform/win32.h"

enum : int {
    UNINSTALL_REMOVE = 0,
    UNINSTALL_SILENT = 1,
    UNINSTALL_CLEANUP = 2,
    UNINSTALL_USAGE = 3,
};

struct UninstallCommand {
    int mode;
    bool silent;             // /S is on the line (a usage request then shows nothing too)
    DWORD process_id;        // UNINSTALL_CLEANUP only
    const char* original;    // UNINSTALL_CLEANUP only: points into the line
    char log_file[PATH_BUFFER_SIZE];   // the /LOG= value, or empty (also with a usage request)
    char unknown[64];        // the first argument not understood, or empty
};

// Reads `line` (the arguments after the program's name; may be null). A cleanup request is
// only taken for a full path whose file name is the uninstaller's: it can delete nothing else.
void parse_uninstall_command(const char* line, UninstallCommand& out);
