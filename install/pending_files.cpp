#include "install/pending_files.h"

#include "common/install_context.h"
#include "common/status.h"
#include "detect/memory_blocks.h"
#include "install/install_text.h"
#include "install/temporary_names.h"

#include <cstring>

namespace {

// Bytes in use: every string with its terminator, up to the ending empty string.
DWORD bytes_in_use(const char* list) {
    const char* p = list;
    while (*p) p += std::strlen(p) + 1;
    return (DWORD)(p - list);
}

bool is_listed(const char* list, const char* string) {
    for (const char* p = list; *p; p += std::strlen(p) + 1)
        if (same_name(p, string)) return true;
    return false;
}

}  // namespace

int string_list_add(HGLOBAL* block, char** list, const char* string) {
    if (!*block) {
        *list = static_cast<char*>(alloc_block(PENDING_LIST_FIRST_SIZE, block));
        if (!*list) return MSG_NO_MEMORY;
    }
    if (is_listed(*list, string)) return STATUS_OK;

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

void commit_pending_files() {
    if (!ctx.pending_files_block) return;
    char final_path[PATH_BUFFER_SIZE];
    for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1) {
        final_path[0] = 0;
        if (!append_text(final_path, PATH_BUFFER_SIZE, p)) continue;
        // Only a name that really is a temporary one is moved: deleting "its final name"
        // otherwise would delete the very file this run wrote.
        if (to_final_name(final_path) != NAME_SWAPPED) continue;
        DeleteFileA(final_path);
        MoveFileA(p, final_path);
    }
}

void discard_pending_files() {
    if (!ctx.pending_files_block) return;
    for (const char* p = ctx.pending_files; *p; p += std::strlen(p) + 1) DeleteFileA(p);
}
