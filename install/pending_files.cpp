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

namespace {

// Builds `name`'s temporary name in `work_name` and its path in `full_path`, and removes a
// temporary copy found there. Returns false when the name cannot be built, else whether the
// name is free now.
bool remove_replacement_copy(const char* name, const char* directory, char* work_name, char* full_path) {
    work_name[0] = 0;
    append_text(work_name, PATH_BUFFER_SIZE, name);
    if (to_replacement_name(work_name) != NAME_SWAPPED || !join_path(full_path, directory, work_name)) return false;
    // A temporary copy of an earlier run is this program's own leftover: it goes, even when
    // write-protected, so that nothing but this run's copy can ever be committed.
    SetFileAttributesA(full_path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(full_path);
    return GetFileAttributesA(full_path) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void remove_stale_copy(const char* name, const char* directory) {
    char work_name[PATH_BUFFER_SIZE];
    char full_path[PATH_BUFFER_SIZE];
    remove_replacement_copy(name, directory, work_name, full_path);
}

int write_pending_file(const char* name, const uint8_t* entry, const char* directory) {
    char work_name[PATH_BUFFER_SIZE];
    char full_path[PATH_BUFFER_SIZE];
    full_path[0] = 0;
    while (!remove_replacement_copy(name, directory, work_name, full_path)) {
        if (ask_retry_cancel(ctx.progress_page, MSG_WRITE_ERROR, full_path[0] ? full_path : name) != IDRETRY)
            return STATUS_CANCELLED;
    }
    // Listed (and journaled) before it is written: unlisted, it would be neither committed nor
    // discarded, and a run killed while writing it would leave it unnamed.
    if (add_pending_file(full_path) != STATUS_OK) return MSG_NO_MEMORY;
    journal_list(JOURNAL_TEMPORARY, ctx.pending_files);
    return extract_entry(work_name, entry, directory);
}

void discard_pending_files() { delete_listed_files(ctx.pending_files); }

void remove_created_folders() {
    remove_listed_folders(ctx.created_folders);
    free_block(&ctx.created_folders_block);
    ctx.created_folders = nullptr;
}
