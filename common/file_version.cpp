#include "common/file_version.h"

#include "common/memory_blocks.h"
#include "platform/win32.h"

int read_file_version(const char* path, uint32_t* ms, uint32_t* ls) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return FILE_VERSION_NONE;
    HGLOBAL block_handle = nullptr;
    void* block = alloc_block(size, &block_handle);
    if (!block) return FILE_VERSION_NO_MEMORY;

    int result = FILE_VERSION_NONE;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(path, handle, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<LPVOID*>(&info), &length) && info &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        *ms = info->dwFileVersionMS;
        *ls = info->dwFileVersionLS;
        result = FILE_VERSION_READ;
    }
    free_block(&block_handle);
    return result;
}

uint32_t query_file_version(const char* path) {
    uint32_t ms = 0, ls = 0;
    return read_file_version(path, &ms, &ls) == FILE_VERSION_READ ? ms : 0;
}
