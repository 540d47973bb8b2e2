#include "package/extract_entry.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/run_log.h"
#include "common/status.h"
#include "decompress/decoder.h"
#include "install/pending_files.h"
#include "package/package_format.h"
#include "platform/win32.h"
#include "ui/messages.h"

#include <cstring>

namespace {

// Answer of create_subdirectories when a folder it would make could not be listed.
constexpr int FOLDER_NOT_LISTED = -2;

// Creates the missing subdirectories that `file_name` names below `directory`: for each
// backslash in the name, the directory plus the name up to that backslash. Each one made is
// listed in ctx.created_folders, so that a run that fails removes it again. Returns IDRETRY
// when the last missing one was created (so the file can be tried again at once), 0 when it
// could not be or none was missing, FOLDER_NOT_LISTED when the list could not hold it (it is
// then not made).
int create_subdirectories(const char* directory, const char* file_name) {
    char path[PATH_BUFFER_SIZE] = {};
    size_t dir_length = std::strlen(directory);
    int answer = 0;
    for (const char* p = file_name; *p; ++p) {
        if (*p != '\\') continue;
        size_t part = (size_t)(p - file_name);
        if (dir_length + part >= sizeof path) return 0;
        std::memcpy(path, directory, dir_length);
        std::memcpy(path + dir_length, file_name, part);
        path[dir_length + part] = 0;
        // A directory exists when it can be made the current one.
        if (SetCurrentDirectoryA(path)) continue;
        // Listed and journaled before it is made: a run killed in between leaves no folder
        // that no journal names (removing one that was never made does nothing).
        if (string_list_add(&ctx.created_folders_block, &ctx.created_folders, path) != STATUS_OK)
            return FOLDER_NOT_LISTED;
        journal_list(JOURNAL_FOLDERS, ctx.created_folders);
        answer = CreateDirectoryA(path, nullptr) ? IDRETRY : 0;
    }
    return answer;
}

}  // namespace

int extract_entry(const char* file_name, const uint8_t* entry, const char* directory) {
    // A path that does not fit is never created under a cut name: it fails like any
    // destination that cannot be created, and the prompt shows what fits of it.
    size_t dir_length = std::strlen(directory), name_length = std::strlen(file_name);
    bool fits = dir_length + name_length < PATH_BUFFER_SIZE;
    std::memset(ctx.work_path, 0, PATH_BUFFER_SIZE);
    std::strncpy(ctx.work_path, directory, PATH_BUFFER_SIZE - 1);
    if (dir_length < PATH_BUFFER_SIZE - 1)
        std::strncpy(ctx.work_path + dir_length, file_name, PATH_BUFFER_SIZE - 1 - dir_length);
    ctx.output_file = HFILE_ERROR;

    bool existed = false;
    if (fits) {
        HFILE probe = _lopen(ctx.work_path, OF_READ);
        if (probe != HFILE_ERROR) {
            _lclose(probe);
            existed = true;
        }
    }

    int answer;
    do {
        answer = 0;
        if (fits) ctx.output_file = _lcreat(ctx.work_path, 0);
        if (ctx.output_file != HFILE_ERROR) break;
        if (existed) {
            answer = ask_abort_retry_ignore(ctx.progress_page, MSG_WRITE_PROTECTED, ctx.work_path);
        } else {
            if (fits && std::strchr(file_name, '\\')) answer = create_subdirectories(directory, file_name);
            if (answer == FOLDER_NOT_LISTED) break;
            if (answer == 0) answer = ask_retry_cancel(ctx.progress_page, MSG_WRITE_ERROR, ctx.work_path);
        }
    } while (answer == IDRETRY);

    int status;
    if (answer == FOLDER_NOT_LISTED) {
        status = MSG_NO_MEMORY;
    } else if (answer == IDABORT) {
        status = STATUS_STOPPED;
    } else if (answer == IDIGNORE) {
        status = STATUS_OK;
    } else if (answer != 0) {
        status = STATUS_CANCELLED;
    } else {
        uint32_t offset = entry_data_offset(entry);
        uint32_t limit = ((uint32_t)entry_size_kb(entry) + 1) * 1024;
        if ((uint32_t)_llseek(ctx.package_file, (LONG)offset, FILE_BEGIN) != offset)
            status = MSG_READ_ERROR;
        else
            status = expand_entry(ctx.output_file, ctx.package_file, limit);
        // Memory that ran out while the decoder built its code tables is the same shortage
        // as any other, and the user is told so ("Not enough memory!"); 3 has no text.
        if (status == STATUS_TABLE_MEMORY) status = MSG_NO_MEMORY;
        // A stream that is damaged, ends early or decodes past its entry's size is data of
        // the program file that cannot be trusted; 1 and 4 have no text of their own. (2 is
        // the user's Cancel at a read or write prompt and stays as it is.)
        if (status == STATUS_BAD_DATA || status == STATUS_BAD_BLOCK) status = MSG_INVALID_DATA;
    }

    if (ctx.output_file != HFILE_ERROR) {
        _lclose(ctx.output_file);
        ctx.output_file = HFILE_ERROR;
        // The file was created (truncating any old copy) and not written whole: a torn file
        // must never stand under a name that a program or a later run takes for complete.
        if (status != STATUS_OK) DeleteFileA(ctx.work_path);
        else if (!(entry_flags(entry) & ENTRY_NOT_INSTALLED)) log_line("Written: ", ctx.work_path);
    }
    return status;
}

unsigned make_temp_file_name(const char* prefix, unsigned unique, char* out) {
    char* temp_directory = static_cast<char*>(LocalAlloc(LPTR, PATH_BUFFER_SIZE));
    if (!temp_directory) return 0;
    GetTempPathA(PATH_BUFFER_SIZE, temp_directory);
    unsigned result = GetTempFileNameA(temp_directory, prefix, unique, out);
    LocalFree(temp_directory);
    return result;
}
