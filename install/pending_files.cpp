#include "install/pending_files.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"
#include "common/run_log.h"
#include "common/status.h"
#include "install/temporary_names.h"
#include "package/extract_entry.h"
#include "ui/messages.h"

#include <cstring>

namespace {

// Bytes in use: every string with its terminator, up to the ending empty string.
DWORD bytes_in_use(const char* list) {
    const char* p = list;
    while (*p) p += std::strlen(p) + 1;
    return (DWORD)(p - list);
}

}  // namespace

DWORD string_list_size(const char* list) { return bytes_in_use(list) + 1; }

bool string_listed(const char* list, const char* string) {
    if (!list) return false;
    for (const char* p = list; *p; p += std::strlen(p) + 1)
        if (same_name(p, string)) return true;
    return false;
}

int string_list_add(HGLOBAL* block, char** list, const char* string) {
    if (!*block) {
        *list = static_cast<char*>(alloc_block(PENDING_LIST_FIRST_SIZE, block));
        if (!*list) return MSG_NO_MEMORY;
    }
    if (string_listed(*list, string)) return STATUS_OK;

    DWORD used = bytes_in_use(*list);
    DWORD length = (DWORD)std::strlen(string);
    DWORD capacity = (DWORD)GlobalSize(*block);
    while (used + length + 3 > capacity) {
        void* pointer = *list;
        capacity += PENDING_LIST_GROWTH;
        int status = grow_block(capacity, block, &pointer);
        *list = static_cast<char*>(pointer);
        if (status != STATUS_OK) return status;
    }
    std::memcpy(*list + used, string, length + 1);
    (*list)[used + length + 1] = 0;   // the ending empty string
    return STATUS_OK;
}

int add_pending_file(const char* path) {
    return string_list_add(&ctx.pending_files_block, &ctx.pending_files, path);
}

int write_pending_file(const char* name, const uint8_t* entry, const char* directory) {
    char work_name[PATH_BUFFER_SIZE];
    char full_path[PATH_BUFFER_SIZE];
    full_path[0] = 0;
    // A temporary name of its own. A file that has one already is not this program's (the
    // temporary copies of a killed run went with its journal when this run started), unless
    // this run listed it (an entry written twice): an editor's "notes.txt~", say. It is kept
    // as it is, and the next name is tried.
    for (int attempt = 0;; ++attempt) {
        if (attempt == TEMPORARY_NAME_ATTEMPTS) {
            if (ask_retry_cancel(ctx.progress_page, MSG_WRITE_ERROR, full_path[0] ? full_path : name) != IDRETRY)
                return STATUS_CANCELLED;
            attempt = 0;
        }
        work_name[0] = 0;
        append_text(work_name, PATH_BUFFER_SIZE, name);
        if (to_replacement_name(work_name, attempt) == NAME_SWAPPED && join_path(full_path, directory, work_name) &&
            (GetFileAttributesA(full_path) == INVALID_FILE_ATTRIBUTES || string_listed(ctx.pending_files, full_path)))
            break;
    }
    // Listed (and journaled) before it is written: unlisted, it would be neither committed nor
    // discarded, and a run killed while writing it would leave it unnamed.
    if (add_pending_file(full_path) != STATUS_OK) return MSG_NO_MEMORY;
    journal_list(JOURNAL_TEMPORARY, ctx.pending_files);
    return extract_entry(work_name, entry, directory);
}

bool replaced_by_pending_file(const char* final_path) {
    char name[PATH_BUFFER_SIZE];
    for (const char* p = ctx.pending_files; p && *p; p += std::strlen(p) + 1) {
        name[0] = 0;
        if (append_text(name, PATH_BUFFER_SIZE, p) && to_final_name(name) == NAME_SWAPPED && same_name(name, final_path))
            return true;
    }
    return false;
}

void discard_pending_files() { delete_listed_files(ctx.pending_files); }

void remove_created_folders() {
    remove_listed_folders(ctx.created_folders);
    free_block(&ctx.created_folders_block);
    ctx.created_folders = nullptr;
}
