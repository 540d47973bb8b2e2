#include "tests/unit/install/killed_run.h"

#include "common/install_context.h"
#include "install/install_sequence.h"
#include "platform/host/host_control.h"
#include "tests/unit/install/install_fixture.h"

#include <sanitizer/lsan_interface.h>

bool run_install_steps_killed_at(long n) {
    host_kill_at_step(n);
    bool killed = false;
    // What the killed process held goes with it: not a leak of the program's.
    __lsan_disable();
    try {
        run_install_steps(PAGE);
    } catch (const HostKilled&) {
        killed = true;
    }
    __lsan_enable();
    host_kill_at_step(0);
    // The process is gone: its handles close.
    if (ctx.output_file != HFILE_ERROR) _lclose(ctx.output_file);
    if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
    ctx.output_file = ctx.package_file = HFILE_ERROR;
    return killed;
}
