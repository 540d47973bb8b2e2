#include "install/restart_deletions.h"

#include "common/install_context.h"
#include "common/install_record.h"
#include "common/memory_blocks.h"
#include "common/path_text.h"

#include <cstring>

namespace {

// The system's form of a path, "\??\C:\...": the prefix is not part of the file's name.
const char* without_device_prefix(const char* path) {
    bool prefixed = path[0] == '\\' && path[1] == '?' && path[2] == '?' && path[3] == '\\';
    return prefixed ? path + 4 : path;
}

// Whether this run placed `path`: a file entry of the record made so far.
bool placed_by_this_run(const char* path) {
    if (!ctx.record) return false;
    for (const char* p = ctx.record; *p; p += std::strlen(p) + 1) {
        const char* entry_path = p + 1;
        if (p[0] == RECORD_PLUGIN_COPY) entry_path += RECORD_STAMP_DIGITS;
        else if (p[0] != RECORD_FILE && p[0] != RECORD_SHARED_FILE) continue;
        if (same_name(entry_path, path)) return true;
    }
    return false;
}

}  // namespace

void keep_recorded_paths_at_restart() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    DWORD size = 0, type = 0;
    HGLOBAL block = nullptr;
    char* data = nullptr;
    if (RegQueryValueExA(key, PENDING_RENAMES_VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ)
        data = static_cast<char*>(alloc_block(size + 4, &block));   // zeros after it end every walk
    if (data && RegQueryValueExA(key, PENDING_RENAMES_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                 &size) == ERROR_SUCCESS) {
        // Pairs copied down over the ones taken out; `end` is the first byte after the pairs.
        const char* end = data + size;
        char* out = data;
        bool changed = false;
        for (const char* source = data; source < end && *source;) {
            const char* destination = source + std::strlen(source) + 1;
            const char* next = destination + std::strlen(destination) + 1;
            if (!*destination && placed_by_this_run(without_device_prefix(source))) {
                changed = true;
            } else {
                std::memmove(out, source, (size_t)(next - source));
                out += next - source;
            }
            source = next;
        }
        // Nothing left is the empty list, which the system reads as no operation at all.
        *out++ = 0;
        if (changed)
            RegSetValueExA(key, PENDING_RENAMES_VALUE, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(data), (DWORD)(out - data));
    }
    free_block(&block);
    RegCloseKey(key);
}
