// test_reset_platform: every part of the host stand-in back to its starting state.
#include "platform/host/host_state.h"

void test_reset_platform() {
    host::reset_files();
    host::reset_memory_counters();
    host::reset_message_boxes();
    host::reset_module_name();
    host::reset_version();
    host::reset_ui();
    host::reset_shell();
}
