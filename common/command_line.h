// The program's command line: what an administrator's deployment system passes to run the
// install without a person. Pure code (no windows), so that it is tested and fuzzed alone.
//
//   /S            no window at all; every question takes its safe answer
//   /LOG=<file>   a plain-text log of the run
//   /D=<dir>      the target directory; blanks need no quotes: the value runs to the next
//                 blank that is followed by a '/' (the next switch), or to the line's end
//   /?            the usage text
//
// Switches are case-insensitive, in any order, separated by blanks (spaces, tabs). Double
// quotes group blanks into an argument and are dropped, wherever they stand: "/D=C:\A B",
// /D="C:\A B" and /LOG="C:\A B\x.log" are what launchers make of an argument with blanks.
// Anything else is not understood and asks for the usage text; the whole line is read all
// the same, so a /S anywhere on it means no window, whatever else it holds.
#pragma once

#include "common/install_context.h"

struct CommandLine {
    bool silent;
    bool usage;                          // /?, or something that was not understood
    char unknown[64];                    // the first argument not understood (cut), or empty
    int directory_refusal;               // 0, or the message that refuses the /D= value
    char directory[PATH_BUFFER_SIZE];    // the /D= value, or empty
    char log_file[PATH_BUFFER_SIZE];     // the /LOG= value, or empty
};

// Reads `line` (the arguments after the program's name; may be null) into `out`, which it
// clears first. Never reads past the line's terminator and never writes past a field: a value
// that does not fit is refused, never cut. A /D= value that is too long gives
// directory_refusal 45, one with a character no path may hold (control characters and
// * < > ? |) gives 38; the directory itself is checked later as the Directory page checks
// it. A /LOG= value that is empty, too long or holds such a character, a /D= with no value,
// and a quote never closed set usage. A switch given twice: the last one counts.
void parse_command_line(const char* line, CommandLine& out);

// The process exit codes of a run started with arguments.
constexpr int EXIT_INSTALLED = 0;
constexpr int EXIT_USAGE = 10;            // /?, or a command line that was not understood
constexpr int EXIT_CANCELLED = 11;        // stopped, or another instance is running
constexpr int EXIT_PACKAGE_DAMAGED = 12;  // the program file is damaged or cannot be read
constexpr int EXIT_TARGET_REFUSED = 13;   // the target directory was refused or not created
constexpr int EXIT_NO_SPACE = 14;         // not enough disk space, or the disk became full
constexpr int EXIT_WRITE_FAILED = 15;     // a file could not be written or replaced
constexpr int EXIT_NO_BROWSER = 16;       // no detected browser can take the plug-in
constexpr int EXIT_CANNOT_RUN = 17;       // no memory, or no window could be made
constexpr int EXIT_REBOOT_PENDING = 3010; // installed; a file is replaced at the next restart

// The exit code of a run that failed after message `message` (a catalogue id, 0 when no
// message was given): the failure class that message belongs to.
int exit_code_for_message(int message);
