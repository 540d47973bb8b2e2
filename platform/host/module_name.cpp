// GetModuleFileNameA on the host: the program file's name, which a test may set.
#include "platform/host/host_state.h"

#include <cstring>

namespace {

const char DEFAULT_MODULE_FILE_NAME[] = "C:\\SETUP.EXE";
std::string module_file_name = DEFAULT_MODULE_FILE_NAME;

}  // namespace

namespace host {

void reset_module_name() { module_file_name = DEFAULT_MODULE_FILE_NAME; }

}  // namespace host

void test_set_module_file_name(const char* path) { module_file_name = path; }

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    if (size == 0) return 0;
    DWORD n = (DWORD)module_file_name.size();
    if (n + 1 > size) {
        std::memcpy(buffer, module_file_name.c_str(), size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    std::memcpy(buffer, module_file_name.c_str(), n + 1);
    return n;
}
