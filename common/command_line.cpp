#include "common/command_line.h"

#include "common/path_text.h"
#include "common/status.h"

#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Characters no Windows path may hold: a value with one of them is never handed on.
bool is_path_character(char c) {
    return (unsigned char)c >= 0x20 && !std::strchr("\"*<>?|", c);
}

// Copies [begin, end) into the path field `out` when it fits and holds only path characters;
// returns 0, 45 when too long, 38 for a character no path holds. `out` is untouched otherwise.
int take_path(const char* begin, const char* end, char* out) {
    if (end - begin >= PATH_BUFFER_SIZE) return MSG_DIRECTORY_TOO_LONG;
    for (const char* p = begin; p < end; ++p)
        if (!is_path_character(*p)) return MSG_INVALID_DIRECTORY;
    std::memcpy(out, begin, (size_t)(end - begin));
    out[end - begin] = 0;
    return 0;
}

// One argument: "/LOG=" and a path, with room to tell a path one character too long.
constexpr int ARGUMENT_SIZE = PATH_BUFFER_SIZE + 8;
enum { ARGUMENT_OK, ARGUMENT_TOO_LONG, ARGUMENT_UNCLOSED_QUOTE };

// Reads the argument at `*p` into `out` (ARGUMENT_SIZE bytes) and moves `*p` past it. An
// argument ends at a blank outside double quotes; the quotes group and are dropped, as
// launchers quote an argument with blanks ("/D=C:\Program Files\X" or /D="C:\Program Files\X").
// With `to_next_switch` (a /D= value, which may hold blanks unquoted) only a blank followed by
// the next switch's '/' ends it: no Windows path holds a '/' after a blank. Returns
// ARGUMENT_OK, or why the argument cannot be used (the rest of it is still passed over).
int take_argument(const char** p, char* out, bool to_next_switch) {
    const char* q = *p;
    int length = 0, result = ARGUMENT_OK;
    bool quoted = false;
    for (char c; (c = *q) != 0; ++q) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && is_blank(c)) {
            const char* next = q;
            while (is_blank(*next)) ++next;
            if (!to_next_switch || !*next || *next == '/') break;
        }
        if (length == ARGUMENT_SIZE - 1) result = ARGUMENT_TOO_LONG;
        else out[length++] = c;
    }
    out[length] = 0;
    *p = q;
    return quoted ? ARGUMENT_UNCLOSED_QUOTE : result;
}

}  // namespace

void parse_command_line(const char* line, CommandLine& out) {
    std::memset(&out, 0, sizeof out);
    const char* p = line ? line : "";
    char argument[ARGUMENT_SIZE];
    for (;;) {
        while (is_blank(*p)) ++p;
        if (!*p) return;
        // A one-letter switch written against the next one ("/S/D=C:\X"): the switch, then the
        // next from its '/'.
        if (p[0] == '/' && p[1] && p[2] == '/' && (p[1] == '?' || (p[1] | 0x20) == 's')) {
            out.usage |= p[1] == '?';
            out.silent |= p[1] != '?';
            p += 2;
            continue;
        }
        bool directory = after_prefix(p + (*p == '"'), "/d=");
        int taken = take_argument(&p, argument, directory);
        bool understood = false;
        if (directory && taken != ARGUMENT_UNCLOSED_QUOTE && argument[3]) {
            // The value, less blanks quoted at its end. One too long for the argument is
            // refused as too long, like one too long for the field.
            char* end = argument + std::strlen(argument);
            while (end > argument + 3 && is_blank(end[-1])) --end;
            out.directory[0] = 0;
            out.directory_refusal = taken == ARGUMENT_TOO_LONG ? MSG_DIRECTORY_TOO_LONG
                                                               : take_path(argument + 3, end, out.directory);
            understood = end > argument + 3;
        } else if (taken == ARGUMENT_OK && after_prefix(argument, "/log=")) {
            const char* value = argument + 5;
            understood = *value && take_path(value, value + std::strlen(value), out.log_file) == 0;
        } else if (taken == ARGUMENT_OK && argument[0] == '/' && argument[1] && !argument[2]) {
            // The two one-letter switches.
            bool usage = argument[1] == '?', silent = (argument[1] | 0x20) == 's';
            out.usage |= usage;
            out.silent |= silent;
            understood = usage || silent;
        }
        if (!understood) {
            // Not understood: the usage text. The rest of the line is still read, so that a /S
            // or a /LOG= anywhere on it is honoured.
            out.usage = true;
            if (!out.unknown[0]) {
                argument[sizeof out.unknown - 1] = 0;
                std::strcpy(out.unknown, argument);
            }
        }
    }
}

int exit_code_for_message(int message) {
    // Message and code pairs, as bytes: a table is smaller in the program than a switch.
    static const unsigned char classes[][2] = {
        {MSG_READ_ERROR, EXIT_PACKAGE_DAMAGED},      {MSG_INVALID_DATA, EXIT_PACKAGE_DAMAGED},
        {MSG_INVALID_DIRECTORY, EXIT_TARGET_REFUSED}, {MSG_CANNOT_CREATE, EXIT_TARGET_REFUSED},
        {MSG_CONFLICTING_PRODUCT, EXIT_TARGET_REFUSED}, {MSG_DIRECTORY_TOO_LONG, EXIT_TARGET_REFUSED},
        {MSG_DISK_FULL, EXIT_NO_SPACE},               {MSG_NOT_ENOUGH_SPACE, EXIT_NO_SPACE},
        {MSG_WRITE_ERROR, EXIT_WRITE_FAILED},         {MSG_WRITE_PROTECTED, EXIT_WRITE_FAILED},
        {MSG_FILE_IN_USE, EXIT_WRITE_FAILED},         {MSG_NEEDS_32BIT_BROWSER, EXIT_NO_BROWSER},
        {MSG_NETSCAPE_OLD, EXIT_NO_BROWSER},          {MSG_NETSCAPE_NOT_FOUND, EXIT_NO_BROWSER},
        {MSG_NETSCAPE_NO_PLUGINS, EXIT_NO_BROWSER},   {MSG_EXPLORER_OLD, EXIT_NO_BROWSER},
        {MSG_EXPLORER_NOT_FOUND, EXIT_NO_BROWSER},    {MSG_EXPLORER_NO_PLUGINS, EXIT_NO_BROWSER},
    };
    for (const auto& c : classes)
        if (c[0] == message) return c[1];
    return EXIT_CANNOT_RUN;
}
