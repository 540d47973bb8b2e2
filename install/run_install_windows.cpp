// The install sequence's entry on Windows: the parts that need real windows around the
// steps of run_install_steps.
#include "install/install_sequence.h"

#include "common/install_context.h"
#include "common/run_log.h"
#include "common/status.h"
#include "resources/resource_ids.h"
#include "ui/directory_check.h"
#include "ui/messages.h"
#include "ui/progress_page.h"

int run_install() {
    // The exit code of a failed install names a failure of the install, not of the pages.
    ctx.last_message = 0;
    log_line("Target: ", ctx.target_directory);
    int status = open_install_package();
    if (status != STATUS_OK) {
        // Nothing was shown or placed yet: the message, then the failure page.
        report_status(ctx.backdrop_window, status);
        return -1;
    }
    ctx.page_result = PAGE_NONE;
    // A silent run shows no page: the steps run without one.
    HWND page = ctx.silent ? nullptr
                           : CreateDialogParamA(ctx.instance, MAKEINTRESOURCEA(DLG_PROGRESS), ctx.logo_panel,
                                                progress_page_proc, 0);
    int result = run_install_steps(page);
    // The files are in the target: a folder the Directory page made for them stays.
    if (result == 0) forget_created_directory();
    return result;
}
