// String resources, formatting, message boxes and the module's own name on the host.
#include "platform/host/host_state.h"

#include <cstdio>
#include <cstring>
#include <deque>

namespace {

struct CatalogueString {
    UINT id;
    const char* text;
};

// The same catalogue the Windows builds compile into their string table.
const CatalogueString catalogue[] = {
#define STRING(id, text) {id, text},
#include "resources/product_name.h"
#include "resources/strings.inc"
#include "uninstall/strings.inc"
#undef STRING
};

std::deque<int> box_answers;
std::vector<RecordedMessageBox> boxes;
void (*box_hook)(const RecordedMessageBox&) = nullptr;

}  // namespace

namespace host {

std::string module_file_name = "C:\\SETUP.EXE";

void reset_strings() {
    box_answers.clear();
    boxes.clear();
    box_hook = nullptr;
    module_file_name = "C:\\SETUP.EXE";
}

}  // namespace host

void test_script_message_boxes(const std::vector<int>& answers) {
    box_answers.assign(answers.begin(), answers.end());
}

const std::vector<RecordedMessageBox>& test_recorded_message_boxes() { return boxes; }
void test_on_message_box(void (*hook)(const RecordedMessageBox&)) { box_hook = hook; }

void test_set_module_file_name(const char* path) { host::module_file_name = path; }

void test_reset_platform() {
    host::reset_files();
    host::reset_memory_counters();
    host::reset_strings();
    host::reset_version();
    host::reset_ui();
    host::reset_shell();
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    for (const CatalogueString& s : catalogue) {
        if (s.id != id) continue;
        int n = (int)std::strlen(s.text);
        if (n > size - 1) n = size - 1;   // cut at the buffer, as LoadStringA does
        std::memcpy(buffer, s.text, (size_t)n);
        buffer[n] = 0;
        return n;
    }
    buffer[0] = 0;
    return 0;
}

int wvsprintfA(LPSTR out, LPCSTR format, va_list args) {
    // wsprintfA writes at most 1024 characters and its terminator.
    int n = std::vsnprintf(out, 1025, format, args);
    return n > 1024 ? 1024 : n;
}

int wsprintfA(LPSTR out, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(out, format, args);
    va_end(args);
    return n;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    boxes.push_back({owner, text ? text : "", caption ? caption : "(null)", style});
    if (box_hook) box_hook(boxes.back());
    if (box_answers.empty()) return IDCANCEL;
    int answer = box_answers.front();
    box_answers.pop_front();
    return answer;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    if (size == 0) return 0;
    DWORD n = (DWORD)host::module_file_name.size();
    if (n + 1 > size) {
        std::memcpy(buffer, host::module_file_name.c_str(), size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    std::memcpy(buffer, host::module_file_name.c_str(), n + 1);
    return n;
}
