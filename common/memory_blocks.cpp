#include "common/memory_blocks.h"

#include "common/status.h"

void* alloc_block(DWORD size, HGLOBAL* handle) {
    *handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!*handle) return nullptr;
    void* p = GlobalLock(*handle);
    if (!p) {
        GlobalFree(*handle);
        *handle = nullptr;
    }
    return p;
}

void free_block(HGLOBAL* handle) {
    if (!*handle) return;
    GlobalUnlock(*handle);
    GlobalFree(*handle);
    *handle = nullptr;
}

int grow_block(DWORD size, HGLOBAL* handle, void** pointer) {
    if (!*handle) {
        *pointer = alloc_block(size, handle);
        return *pointer ? STATUS_OK : MSG_NO_MEMORY;
    }
    GlobalUnlock(*handle);
    int result = STATUS_OK;
    HGLOBAL grown = GlobalReAlloc(*handle, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (grown) *handle = grown;
    else result = MSG_NO_MEMORY;
    *pointer = GlobalLock(*handle);
    return result;
}
