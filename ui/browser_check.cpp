// The check of a selected browser: executable, 32-bit, version, Plugins directory.
#include "ui/browser_check.h"

#include "common/bytes.h"
#include "common/file_version.h"
#include "common/install_context.h"
#include "common/paths.h"
#include "common/status.h"
#include "detect/browsers.h"
#include "resources/resource_ids.h"
#include "ui/messages.h"

#include <cstring>

namespace {
// Where a program file keeps the offset of its new-executable header, and the signature a
// 32-bit program has there.
constexpr LONG NEW_HEADER_OFFSET_FIELD = 60;
constexpr uint16_t PE_SIGNATURE = 0x4550;   // "PE"
}  // namespace

const BrowserChoice BROWSER_CHOICES[2] = {
    {BROWSER_NETSCAPE, CTL_NETSCAPE_CHECK, CTL_NETSCAPE_DIRECTORY, CTL_NETSCAPE_BROWSE,
     MSG_NETSCAPE_NOT_FOUND, MSG_NETSCAPE_OLD, MSG_NETSCAPE_NO_PLUGINS},
    {BROWSER_EXPLORER, CTL_EXPLORER_CHECK, CTL_EXPLORER_DIRECTORY, CTL_EXPLORER_BROWSE,
     MSG_EXPLORER_NOT_FOUND, MSG_EXPLORER_OLD, MSG_EXPLORER_NO_PLUGINS},
};

char* browser_directory(const BrowserChoice& browser) {
    return browser.flag == BROWSER_NETSCAPE ? ctx.netscape_directory : ctx.explorer_directory;
}

const char* browser_exe_name(const BrowserChoice& browser) {
    return browser.flag == BROWSER_NETSCAPE ? ctx.netscape_exe_name : ctx.explorer_exe_name;
}

bool is_32bit_executable(const char* path) {
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) return false;
    uint8_t offset_bytes[4] = {};
    uint8_t signature[2] = {};
    // Every read is checked: a short file must not leave its signature to chance.
    bool whole = _llseek(file, NEW_HEADER_OFFSET_FIELD, FILE_BEGIN) == NEW_HEADER_OFFSET_FIELD &&
                 _lread(file, offset_bytes, sizeof offset_bytes) == sizeof offset_bytes;
    if (whole) {
        uint32_t offset = read_u32(offset_bytes);
        whole = offset <= 0x7FFFFFFF && _llseek(file, (LONG)offset, FILE_BEGIN) == (LONG)offset &&
                _lread(file, signature, sizeof signature) == sizeof signature;
    }
    _lclose(file);
    return whole && read_u16(signature) == PE_SIGNATURE;
}

bool check_browser(HWND page, const BrowserChoice& browser) {
    char* directory = browser_directory(browser);
    size_t length = std::strlen(directory);
    int question = 0;

    // The executable's path, formed in the directory buffer itself and cut back afterwards.
    add_backslash(directory);
    std::strncat(directory, browser_exe_name(browser), PATH_BUFFER_SIZE - 1 - std::strlen(directory));
    HFILE probe = _lopen(directory, OF_READ);
    if (probe == HFILE_ERROR) {
        question = browser.not_found_message;
    } else {
        _lclose(probe);
        if (!is_32bit_executable(directory)) {
            directory[length] = 0;
            message_box(page, MSG_NEEDS_32BIT_BROWSER, BOX_STOP_OK);
            return false;
        }
        uint32_t version = query_file_version(directory);
        if (version != 0 && version < BROWSER_MIN_VERSION) question = browser.old_version_message;
    }
    directory[length] = 0;
    if (question && message_box(page, question, BOX_QUESTION_YES_NO) != ANSWER_YES) return false;

    add_backslash(directory);
    std::strncat(directory, "Plugins", PATH_BUFFER_SIZE - 1 - std::strlen(directory));
    bool found = SetCurrentDirectoryA(directory) != 0;
    directory[length] = 0;
    if (!found) {
        message_box(page, browser.no_plugins_message, BOX_STOP_OK);
        return false;
    }
    return true;
}
