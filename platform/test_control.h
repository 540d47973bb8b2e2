// Controls that the unit tests use to drive the platform: scripted message boxes, failing
// allocations, the program file's name and scripted VerFindFileA results. The host stand-in
// implements them natively; the Windows test builds implement them as thin hooks in front of
// the real calls (platform/windows/test_hooks.cpp), so one suite runs on both.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

struct RecordedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;   // "(null)" when no caption was passed
    UINT style;
};

// Forget every script, record and failure switch.
void test_reset_platform();

// Answers for the next message boxes, in order. When the script runs out, boxes answer
// IDCANCEL (and are recorded all the same).
void test_script_message_boxes(const std::vector<int>& answers);
const std::vector<RecordedMessageBox>& test_recorded_message_boxes();
// Called with each box just recorded, before its answer is given: a test can change what the
// user would change while the box is open (clear a read-only flag, close a program). Null: none.
void test_on_message_box(void (*hook)(const RecordedMessageBox& box));

// Make the n-th allocation from now fail (1 = the next one); 0 switches failures off.
// Counts GlobalAlloc, GlobalReAlloc and LocalAlloc.
void test_fail_allocation(long n);
long test_allocation_count();   // allocations made since the last reset

// The path GetModuleFileNameA reports for this program.
void test_set_module_file_name(const char* path);

// Scripted VerFindFileA results, used in order; when the script is empty the platform's own
// answer is used.
struct ScriptedVerFind {
    DWORD result;
    std::string current_dir;
    std::string dest_dir;
};
void test_script_ver_find_file(const std::vector<ScriptedVerFind>& results);
