// GetModuleFileNameA on the host: the program file's name, which a test may set.
#include "platform/host/host_state.h"
#include "platform/test_double_rules.h"

namespace {

const char DEFAULT_MODULE_FILE_NAME[] = "C:\\SETUP.EXE";
std::string module_file_name = DEFAULT_MODULE_FILE_NAME;

}  // namespace

namespace host {

void reset_module_name() { module_file_name = DEFAULT_MODULE_FILE_NAME; }

}  // namespace host

void test_set_module_file_name(const char* path) { module_file_name = path; }

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    return copy_module_file_name(module_file_name, buffer, size);
}
