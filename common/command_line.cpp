#include "common/command_line.h"

#include "common/status.h"

#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Characters no Windows path may hold: a value with one of them is never handed on.
bool is_path_character(char c) {
    return (unsigned char)c >= 0x20 && !std::strchr("\"*<>?|", c);
}

// True when `text` starts with `name` (upper case), letter case aside.
bool starts_with(const char* text, const char* name) {
    for (; *name; ++text, ++name) {
        char c = *text;
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        if (c != *name) return false;
    }
    return true;
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

// The /LOG= value from `p` (just after the '='); returns where the token ends, or null when
// the value is not acceptable.
const char* take_log_value(const char* p, char* out) {
    const char* begin = p;
    const char* end;
    const char* next;
    if (*p == '"') {
        begin = ++p;
        while (*p && *p != '"') ++p;
        if (*p != '"') return nullptr;   // no closing quote
        end = p;
        next = p + 1;
        if (*next && !is_blank(*next)) return nullptr;
    } else {
        while (*p && !is_blank(*p)) ++p;
        end = next = p;
    }
    if (end == begin || take_path(begin, end, out) != 0) return nullptr;
    return next;
}

}  // namespace

void parse_command_line(const char* line, CommandLine& out) {
    std::memset(&out, 0, sizeof out);
    const char* p = line ? line : "";
    for (;;) {
        while (is_blank(*p)) ++p;
        if (!*p) return;
        if (starts_with(p, "/D=")) {
            // The rest of the line, less the blanks that end it.
            const char* begin = p + 3;
            const char* end = begin + std::strlen(begin);
            while (end > begin && is_blank(end[-1])) --end;
            if (end == begin) out.usage = true;
            else out.directory_refusal = take_path(begin, end, out.directory);
            return;
        }
        const char* next = nullptr;
        if (starts_with(p, "/LOG=")) {
            next = take_log_value(p + 5, out.log_file);
        } else if (p[0] == '/' && p[1] && (!p[2] || is_blank(p[2]))) {
            // The two one-letter switches.
            bool usage = p[1] == '?', silent = (p[1] | 0x20) == 's';
            out.usage |= usage;
            out.silent |= silent;
            if (usage || silent) next = p + 2;
        }
        if (!next) {
            // Not understood: the usage text, and the rest of the line is not read.
            out.usage = true;
            return;
        }
        p = next;
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
