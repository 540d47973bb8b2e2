#include "common/install_context.h"

InstallContext ctx = {};

namespace {
// The ten path buffers in the order they are allocated and freed.
char** const path_buffers[] = {
    &ctx.target_directory, &ctx.program_path,       &ctx.work_path,          &ctx.error_file_name,
    &ctx.netscape_exe_name, &ctx.netscape_directory, &ctx.explorer_exe_name, &ctx.explorer_directory,
    &ctx.readme_file_name, &ctx.logo_temp_path,
};
}  // namespace

bool allocate_path_buffers() {
    bool all = true;
    for (char** buffer : path_buffers) {
        *buffer = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, PATH_BUFFER_SIZE));
        if (!*buffer) all = false;
    }
    return all;
}

void free_path_buffers() {
    for (char** buffer : path_buffers) {
        if (*buffer) LocalFree(*buffer);
        *buffer = nullptr;
    }
}
