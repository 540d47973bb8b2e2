// The Directory page's checks of the target directory, in the order the user meets them.
#include "ui/directory_check.h"

#include "common/install_context.h"
#include "common/status.h"
#include "detect/paths.h"
#include "ui/messages.h"

#include <cstring>

namespace {

constexpr int SIZE_TEMPLATE_SIZE = 40;   // string 99 is loaded with a limit of 39 characters

// A network path, or a drive letter, a colon and at least one more character.
bool has_directory_form(const char* path) {
    if (path[0] == '\\' && path[1] == '\\') return true;
    return std::strlen(path) >= 3 && path[1] == ':';
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
    if (make_directory_path(ctx.target_directory) != 0) {
        message_box_formatted(page, MSG_CANNOT_CREATE, ctx.target_directory, BOX_WARNING_OK);
        return false;
    }
    return true;
}

}  // namespace

bool check_target_directory(HWND page) {
    if (!has_directory_form(ctx.target_directory)) {
        show_warning(page, MSG_INVALID_DIRECTORY);
        return false;
    }
    add_backslash(ctx.target_directory);
    if (holds_conflict_marker(ctx.target_directory)) {
        show_warning(page, MSG_CONFLICTING_PRODUCT);
        return false;
    }
    if (!space_accepted(page)) return false;
    if (!directory_accepted(page)) return false;
    add_backslash(ctx.target_directory);
    return true;
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
