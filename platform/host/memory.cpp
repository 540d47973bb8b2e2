// GlobalAlloc and LocalAlloc families on the host heap. Every block comes from malloc, so
// LeakSanitizer sees what the program forgets to free. The test switch makes a chosen
// allocation fail, so every "no memory" path can be taken.
#include "platform/host/host_state.h"

#include <cstdlib>
#include <cstring>

namespace {

// A movable block: the handle points at this record, GlobalLock hands out `data`.
struct GlobalBlock {
    uint32_t magic;
    SIZE_T size;
    void* data;
    int locks;
};
constexpr uint32_t GLOBAL_MAGIC = 0x474C4F42;

long allocations = 0;
long fail_at = 0;

GlobalBlock* as_block(HGLOBAL h) {
    auto* b = static_cast<GlobalBlock*>(h);
    return (b && b->magic == GLOBAL_MAGIC) ? b : nullptr;
}

}  // namespace

namespace host {

bool take_allocation_failure() {
    ++allocations;
    if (fail_at == 0) return false;
    return --fail_at == 0;
}

void reset_memory_counters() {
    allocations = 0;
    fail_at = 0;
}

}  // namespace host

void test_fail_allocation(long n) { fail_at = n; }
long test_allocation_count() { return allocations; }

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (host::take_allocation_failure()) { SetLastError(ERROR_NOT_ENOUGH_MEMORY); return nullptr; }
    void* data = (flags & GMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
    if (!data) return nullptr;
    if (!(flags & GMEM_MOVEABLE)) {
        // Fixed blocks are their own pointer; the stand-in still keeps a record so that
        // GlobalLock and GlobalFree work the same way on both kinds.
    }
    auto* b = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
    if (!b) { std::free(data); return nullptr; }
    *b = GlobalBlock{GLOBAL_MAGIC, bytes, data, 0};
    return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, SIZE_T bytes, UINT flags) {
    GlobalBlock* b = as_block(h);
    if (!b) { SetLastError(ERROR_INVALID_HANDLE); return nullptr; }
    if (host::take_allocation_failure()) { SetLastError(ERROR_NOT_ENOUGH_MEMORY); return nullptr; }
    void* data = std::realloc(b->data, bytes ? bytes : 1);
    if (!data) return nullptr;
    if ((flags & GMEM_ZEROINIT) && bytes > b->size)
        std::memset(static_cast<char*>(data) + b->size, 0, bytes - b->size);
    b->data = data;
    b->size = bytes;
    return b;
}

LPVOID GlobalLock(HGLOBAL h) {
    GlobalBlock* b = as_block(h);
    if (!b) { SetLastError(ERROR_INVALID_HANDLE); return nullptr; }
    ++b->locks;
    return b->data;
}

BOOL GlobalUnlock(HGLOBAL h) {
    GlobalBlock* b = as_block(h);
    if (!b || b->locks == 0) return FALSE;
    return --b->locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    GlobalBlock* b = as_block(h);
    if (!b) return h;
    b->magic = 0;
    std::free(b->data);
    std::free(b);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL h) {
    GlobalBlock* b = as_block(h);
    return b ? b->size : 0;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if (host::take_allocation_failure()) { SetLastError(ERROR_NOT_ENOUGH_MEMORY); return nullptr; }
    return (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
}

HLOCAL LocalFree(HLOCAL h) {
    std::free(h);
    return nullptr;
}
