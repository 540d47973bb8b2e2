// The hooks behind platform/windows/test_hooks.h. This file includes <windows.h> itself so
// that it reaches the real calls.
#include <windows.h>

#include "platform/test_double_rules.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

int WINAPI hooked_MessageBoxA(HWND, LPCSTR, LPCSTR, UINT);

// The shared declarations, without the redirecting macros.
struct RecordedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
struct ScriptedVerFind {
    DWORD result;
    std::string current_dir;
    std::string dest_dir;
};

namespace {
std::deque<int> box_answers;
std::vector<RecordedMessageBox> boxes;
void (*box_hook)(const RecordedMessageBox&) = nullptr;
long allocations = 0;
long fail_at = 0;
std::string module_file_name;
std::deque<ScriptedVerFind> ver_find_script;

bool take_allocation_failure() {
    ++allocations;
    if (fail_at == 0) return false;
    return --fail_at == 0;
}

void copy_out(const std::string& text, LPSTR out, PUINT length, DWORD& result) {
    if (!out || !length) return;
    if (text.size() + 1 > *length) {
        if (*length > 0) {
            std::memcpy(out, text.c_str(), *length - 1);
            out[*length - 1] = 0;
        }
        result |= 4;   // VFF_BUFFTOOSMALL
    } else {
        std::memcpy(out, text.c_str(), text.size() + 1);
    }
    *length = (UINT)text.size() + 1;
}
}  // namespace

void test_reset_platform() {
    box_answers.clear();
    boxes.clear();
    box_hook = nullptr;
    allocations = 0;
    fail_at = 0;
    module_file_name.clear();
    ver_find_script.clear();
}

void test_script_message_boxes(const std::vector<int>& answers) {
    box_answers.assign(answers.begin(), answers.end());
}
const std::vector<RecordedMessageBox>& test_recorded_message_boxes() { return boxes; }
void test_on_message_box(void (*hook)(const RecordedMessageBox&)) { box_hook = hook; }
void test_fail_allocation(long n) { fail_at = n; }
long test_allocation_count() { return allocations; }
void test_set_module_file_name(const char* path) { module_file_name = path; }
void test_script_ver_find_file(const std::vector<ScriptedVerFind>& results) {
    ver_find_script.assign(results.begin(), results.end());
}

int WINAPI hooked_MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    // Unit tests never show a real box: it would wait for a person.
    return answer_scripted_box(boxes, box_answers, box_hook,
                               RecordedMessageBox{owner, text ? text : "", caption ? caption : "(null)", style});
}

HGLOBAL WINAPI hooked_GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (take_allocation_failure()) return nullptr;
    return GlobalAlloc(flags, bytes);
}

HGLOBAL WINAPI hooked_GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
    if (take_allocation_failure()) return nullptr;
    return GlobalReAlloc(block, bytes, flags);
}

HLOCAL WINAPI hooked_LocalAlloc(UINT flags, SIZE_T bytes) {
    if (take_allocation_failure()) return nullptr;
    return LocalAlloc(flags, bytes);
}

DWORD WINAPI hooked_GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module_file_name.empty()) return GetModuleFileNameA(module, buffer, size);
    return copy_module_file_name(module_file_name, buffer, size);
}

DWORD WINAPI hooked_VerFindFileA(DWORD flags, LPSTR file_name, LPSTR windows_dir, LPSTR app_dir,
                                 LPSTR current_dir, PUINT current_length, LPSTR dest_dir,
                                 PUINT dest_length) {
    if (ver_find_script.empty())
        return VerFindFileA(flags, file_name, windows_dir, app_dir, current_dir, current_length,
                            dest_dir, dest_length);
    ScriptedVerFind s = ver_find_script.front();
    ver_find_script.pop_front();
    DWORD result = s.result;
    copy_out(s.current_dir, current_dir, current_length, result);
    copy_out(s.dest_dir, dest_dir, dest_length, result);
    return result;
}
