#include "install/version_rule.h"

#include "common/file_version.h"
#include "common/install_context.h"
#include "common/path_text.h"
#include "common/run_log.h"
#include "package/package_format.h"

int check_file_version(const char* directory, const char* name, const uint8_t* entry) {
    if (!join_path(ctx.work_path, directory, name)) return VERSION_WRITE;
    if (!(entry_flags(entry) & ENTRY_VERSIONED)) return VERSION_WRITE;

    uint32_t installed_ms = 0, installed_ls = 0;
    int read = read_file_version(ctx.work_path, &installed_ms, &installed_ls);
    if (read == FILE_VERSION_NO_MEMORY) return VERSION_NO_MEMORY;
    if (read != FILE_VERSION_READ) return VERSION_WRITE;

    int result = VERSION_WRITE;
    uint32_t ms = entry_version_ms(entry), ls = entry_version_ls(entry);
    if (ms == installed_ms && ls == installed_ls)
        result = VERSION_SAME;
    else if (ms < installed_ms || (ms == installed_ms && ls < installed_ls))
        result = VERSION_INSTALLED_NEWER;
    if (result == VERSION_INSTALLED_NEWER) log_line("Kept (the installed copy is newer): ", ctx.work_path);
    return result;
}
