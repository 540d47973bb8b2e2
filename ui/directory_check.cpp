// The Directory page's checks of the target directory, in the order the user meets them.
#include "ui/directory_check.h"

#include "common/install_context.h"
#include "common/paths.h"
#include "common/status.h"
#include "common/target_folder.h"
#include "package/load_package.h"
#include "package/package_format.h"
#include "package/setup_header.h"
#include "ui/messages.h"

#include <cstring>

namespace {

constexpr int SIZE_TEMPLATE_SIZE = 40;   // string 99 is loaded with a limit of 39 characters
constexpr size_t SHORT_NAME_LENGTH = 12;  // an 8.3 name: eight, a dot, three

// The longest name the install may write below the target directory: the longest File entry
// name that is installed, and never less than an 8.3 name (the uninstaller's, the read-me's).
size_t longest_target_name() {
    size_t longest = SHORT_NAME_LENGTH;
    uint8_t* entry = ctx.file_table;
    for (uint32_t i = 0; entry && i < setup_header().file_count; ++i, entry = next_file_entry(entry)) {
        if (entry_flags(entry) & ENTRY_NOT_INSTALLED) continue;
        size_t length = std::strlen(entry_name(entry));
        if (length > longest) longest = length;
    }
    return longest;
}

// True when every file of the install fits below the directory in a path buffer: the entry
// (without a trailing backslash), a backslash, the longest name and the "~" its temporary name
// may add, within 259 characters. (A backup name is as long as the file's own.) Without that
// character an upgrade at the longest target could never write its new copies.
bool has_room_for_files(const char* directory) {
    size_t length = std::strlen(directory);
    if (length > 0 && directory[length - 1] == '\\') --length;
    return length + 1 + longest_target_name() + 1 < (size_t)PATH_BUFFER_SIZE;
}

// True when `directory` (ending with a backslash) holds one of the conflict marker files.
bool holds_conflict_marker(const char* directory) {
    for (const char* marker : CONFLICT_MARKERS) {
        char path[PATH_BUFFER_SIZE * 2] = {};
        std::strcpy(path, directory);
        std::strcat(path, marker);
        HFILE file = _lopen(path, OF_READ);
        if (file != HFILE_ERROR) {
            _lclose(file);
            return true;
        }
    }
    return false;
}

// Free space against required_kb; the question repeats while the user answers Retry.
bool space_accepted(HWND page) {
    for (;;) {
        uint32_t free_kb = free_space_kb(ctx.target_directory);
        if (free_kb == FREE_SPACE_UNKNOWN || free_kb >= ctx.required_kb) return true;
        int answer = message_box(page, MSG_NOT_ENOUGH_SPACE, BOX_INFO_ABORT_RETRY_IGNORE);
        if (answer == ANSWER_IGNORE) return true;
        if (answer != ANSWER_RETRY) return false;
    }
}

// The directory exists (and is now the current directory), or the user had it created.
bool directory_accepted(HWND page) {
    remove_backslash(ctx.target_directory);
    if (SetCurrentDirectoryA(ctx.target_directory)) return true;
    int answer = message_box_formatted(page, MSG_CREATE_DIRECTORY, ctx.target_directory,
                                       BOX_QUESTION_YES_NO);
    if (answer != ANSWER_YES) return false;
    // A chain this page made for an earlier entry is left behind now: removed while empty
    // (a new chain that runs through it is then recorded from its own top).
    remove_created_directory();
    int first_created = -1;
    // Made, and there: a directory that cannot be entered after its creation is no target.
    if (make_directory_path(ctx.target_directory, &first_created) != 0 ||
        !SetCurrentDirectoryA(ctx.target_directory)) {
        message_box_formatted(page, MSG_CANNOT_CREATE, ctx.target_directory, BOX_WARNING_OK);
        return false;
    }
    if (first_created > 0) {
        std::strcpy(ctx.created_directory, ctx.target_directory);
        remove_backslash(ctx.created_directory);
        ctx.created_top_length = first_created;
    }
    return true;
}

}  // namespace

bool check_target_directory(HWND page) {
    // The one form every record takes (see common/target_folder.h), away from the system's
    // folders: what the uninstaller would refuse is refused here, before anything is made.
    static SystemFolders folders;   // static: 2 KB would call for the stack probe
    char* entry = ctx.target_directory;
    int refusal = normalise_target(entry);
    if (!refusal && !has_room_for_files(entry)) refusal = MSG_DIRECTORY_TOO_LONG;
    if (!refusal) {
        add_backslash(entry);
        get_system_folders(folders);
        if (!target_folder_allowed(entry, folders)) refusal = MSG_INVALID_DIRECTORY;
    }
    if (refusal) {
        show_warning(page, refusal);
        return false;
    }
    if (holds_conflict_marker(ctx.target_directory)) {
        show_warning(page, MSG_CONFLICTING_PRODUCT);
        return false;
    }
    if (!space_accepted(page)) return false;
    if (!directory_accepted(page)) return false;
    add_backslash(ctx.target_directory);
    return true;
}

void remove_created_directory() {
    int top = ctx.created_top_length;
    char* path = ctx.created_directory;
    if (top <= 0 || path[0] == 0) return;
    // Out of the chain first: a process's current directory cannot be removed.
    char parent[PATH_BUFFER_SIZE] = {};
    std::memcpy(parent, path, (size_t)top);
    if (char* cut = std::strrchr(parent, '\\')) cut[1] = 0;
    SetCurrentDirectoryA(parent);
    // Deepest first; a directory that is not empty (or no longer there) ends the walk.
    while (RemoveDirectoryA(path)) {
        char* cut = std::strrchr(path, '\\');
        if (!cut || cut - path < top) break;
        *cut = 0;
    }
    forget_created_directory();
}

void forget_created_directory() {
    ctx.created_directory[0] = 0;
    ctx.created_top_length = 0;
}

void format_size_kb(char* out, uint32_t kb) {
    if (kb == FREE_SPACE_UNKNOWN) {
        std::strcpy(out, "?");
        return;
    }
    char size_template[SIZE_TEMPLATE_SIZE] = {};
    LoadStringA(ctx.instance, MSG_SIZE_KB, size_template, sizeof size_template);
    wsprintfA(out, size_template, (unsigned long)kb);
}
