#include "install/version_rule.h"

#include "common/install_context.h"
#include "common/run_log.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"
#include "package/package_format.h"

int check_file_version(const char* directory, const char* name, const uint8_t* entry) {
    if (!join_path(ctx.work_path, directory, name)) return VERSION_WRITE;
    if (!(entry_flags(entry) & ENTRY_VERSIONED)) return VERSION_WRITE;

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(ctx.work_path, &handle);
    if (size == 0) return VERSION_WRITE;
    HGLOBAL block_handle = nullptr;
    void* block = alloc_block(size, &block_handle);
    if (!block) return VERSION_NO_MEMORY;

    int result = VERSION_WRITE;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(ctx.work_path, handle, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<LPVOID*>(&info), &length) && info &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        uint32_t ms = entry_version_ms(entry), ls = entry_version_ls(entry);
        if (ms == info->dwFileVersionMS && ls == info->dwFileVersionLS)
            result = VERSION_SAME;
        else if (ms < info->dwFileVersionMS || (ms == info->dwFileVersionMS && ls < info->dwFileVersionLS))
            result = VERSION_INSTALLED_NEWER;
    }
    free_block(&block_handle);
    if (result == VERSION_INSTALLED_NEWER) log_line("Kept (the installed copy is newer): ", ctx.work_path);
    return result;
}
