// The program's entry point. It stands in until the real start-up and main window land: it
// loads the package (which also detects the browsers and proposes the target directory),
// shows a failure through the message catalogue and ends; no wizard opens yet.
#include "common/install_context.h"
#include "common/status.h"
#include "detect/memory_blocks.h"
#include "package/load_package.h"
#include "ui/messages.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ctx.instance = instance;
    ctx.package_file = HFILE_ERROR;
    ctx.output_file = HFILE_ERROR;
    LoadStringA(instance, MSG_CAPTION, ctx.caption, sizeof ctx.caption);

    int status = allocate_path_buffers() ? load_package() : MSG_NO_MEMORY;
    report_status(nullptr, status);

    free_block(&ctx.file_table_block);
    ctx.file_table = nullptr;
    free_path_buffers();
    return status == STATUS_OK ? 0 : -1;
}
