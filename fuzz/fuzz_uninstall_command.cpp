// libFuzzer target: the uninstaller's command line on any bytes. The line is copied into a
// buffer of exactly its size (the sanitizers catch a read past its terminator). The clean-up
// switch names a file the uninstaller's copy deletes, so its promise is checked: a clean-up is
// only taken for a full path on a drive, inside the line, whose file name is the uninstaller's,
// with the process id the line spells (a number too large for one is refused, never wrapped).
#include "uninstall/uninstall_command.h"

#include "common/install_record.h"
#include "common/path_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> line(new char[size + 1]);
    std::memcpy(line.get(), data, size);
    line[size] = 0;
    UninstallCommand out;
    parse_uninstall_command(line.get(), out);
    const char* begin = line.get();
    const char* end = begin + std::strlen(begin);
    switch (out.mode) {
    case UNINSTALL_CLEANUP: {
        const char* path = out.original;
        if (!path || path < begin || path >= end || !out.silent) std::abort();
        if (!(((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\')) std::abort();
        if (!same_name(last_component(path), UNINSTALLER_NAME)) std::abort();
        // The id is the decimal number just before the path, and fits.
        const char* digits = path - 1;   // the blank after the number
        uint64_t id = 0, scale = 1;
        while (digits > begin && digits[-1] >= '0' && digits[-1] <= '9') {
            --digits;
            id += (uint64_t)(*digits - '0') * scale;
            scale *= 10;
        }
        if (id != out.process_id || id > 0xFFFFFFFFu) std::abort();
        break;
    }
    case UNINSTALL_SILENT:
    case UNINSTALL_REMOVE:
        // Everything on the line was understood: /S as the mode says, and at most a log.
        if (out.original || out.unknown[0] || out.silent != (out.mode == UNINSTALL_SILENT)) std::abort();
        if (!std::memchr(out.log_file, 0, sizeof out.log_file)) std::abort();
        break;
    case UNINSTALL_USAGE:
        if (out.original || !std::memchr(out.unknown, 0, sizeof out.unknown)) std::abort();
        break;
    default:
        std::abort();
    }
    return 0;
}
