#include "install/temporary_names.h"

#include "common/install_context.h"
#include "common/path_text.h"

#include <cstring>

namespace {

struct ExtensionPair {
    const char* final_extension;
    const char* temporary_extension;
};

// Searched in this order.
constexpr ExtensionPair temporary_extensions[] = {
    {".dll", ".~ll"},
    {".exe", ".~xe"},
};

// The swap works in place and needs no memory of its own: a swap that could fail for want
// of memory would leave a library under its final name while in use, or make the commit
// delete the new copy it meant to rename.
int swap_extension(char* path, bool to_temporary) {
    char* dot = const_cast<char*>(name_extension(path));
    if (!dot) return NAME_UNCHANGED;
    for (const ExtensionPair& pair : temporary_extensions) {
        const char* from = to_temporary ? pair.final_extension : pair.temporary_extension;
        const char* to = to_temporary ? pair.temporary_extension : pair.final_extension;
        if (same_name(dot, from)) {
            std::memcpy(dot, to, std::strlen(to) + 1);   // same length as what it replaces
            return NAME_SWAPPED;
        }
    }
    return NAME_UNCHANGED;
}

}  // namespace

// The marks of the backup names, and of the temporary names after the first attempt.
constexpr char marks[] = "!#$%&@";

int to_replacement_name(char* path, int attempt) {
    size_t length = std::strlen(path);
    if (length == 0) return NAME_UNCHANGED;
    // Swapped in place (same length), or a "~" is added; then the attempt's mark.
    bool swapped = swap_extension(path, true) == NAME_SWAPPED;
    if (length + 1 + !swapped + (attempt > 0) > PATH_BUFFER_SIZE) return NAME_UNCHANGED;
    if (!swapped) path[length++] = '~';
    if (attempt > 0) path[length++] = marks[attempt - 1];
    path[length] = 0;
    return NAME_SWAPPED;
}

int to_backup_name(char* path, int attempt) {
    size_t length = std::strlen(path);
    if (length == 0 || path[length - 1] == marks[attempt] || path[length - 1] == '\\') return NAME_UNCHANGED;
    path[length - 1] = marks[attempt];
    return NAME_SWAPPED;
}

int to_final_name(char* path) {
    size_t length = std::strlen(path);
    if (length > 1 && std::strchr(marks, path[length - 1])) path[--length] = 0;
    if (length > 1 && path[length - 1] == '~') {
        path[length - 1] = 0;
        return NAME_SWAPPED;
    }
    return swap_extension(path, false);
}
