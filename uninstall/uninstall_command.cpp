#include "uninstall/uninstall_command.h"

#include "common/command_line.h"
#include "common/install_record.h"
#include "common/path_text.h"

#include <cstring>

namespace {

constexpr char CLEANUP_SWITCH[] = "/_cleanup=";

const char* skip_blanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

void parse_uninstall_command(const char* line, UninstallCommand& out) {
    out = UninstallCommand{UNINSTALL_USAGE, false, 0, nullptr, {}, {}};
    const char* p = skip_blanks(line ? line : "");
    if (const char* rest = after_prefix(p, CLEANUP_SWITCH)) {
        out.silent = true;   // the copy never shows anything
        // A process id is a DWORD: ten digits at most, and a number past its range is refused
        // rather than wrapped into another process's id.
        const char* digits = rest;
        unsigned long long id = 0;
        while (*rest >= '0' && *rest <= '9' && rest - digits < 10) id = id * 10 + (unsigned)(*rest++ - '0');
        if (rest == digits || *rest != ' ' || id > 0xFFFFFFFFull) return;
        const char* original = rest + 1;
        bool full_path = ((original[0] | 0x20) >= 'a' && (original[0] | 0x20) <= 'z' && original[1] == ':' &&
                          original[2] == '\\');
        if (!full_path || !same_name(last_component(original), UNINSTALLER_NAME)) return;
        out.mode = UNINSTALL_CLEANUP;
        out.process_id = (DWORD)id;
        out.original = original;
        return;
    }
    // The installer's switches, of which /S and /LOG= mean the same here; /D= does not.
    static CommandLine command;
    parse_command_line(p, command);
    out.silent = command.silent;
    std::memcpy(out.log_file, command.log_file, PATH_BUFFER_SIZE);
    std::memcpy(out.unknown, command.unknown, sizeof out.unknown);
    // /D= means nothing here: it is not understood.
    if (command.directory[0] || command.directory_refusal) std::strcpy(out.unknown, "/D=");
    if (command.usage || out.unknown[0]) return;
    out.mode = command.silent ? UNINSTALL_SILENT : UNINSTALL_REMOVE;
}
