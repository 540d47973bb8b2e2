// What the host stand-in and the Windows test hooks both do for a scripted message box and a
// program file name a test set, written once so that both platforms answer alike. Plain C++:
// it includes neither platform's headers.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

// `name` into `buffer` of `size` bytes as GetModuleFileNameA gives a program's name: its
// length when it fits; else cut to the buffer, terminated, and `size` returned.
inline uint32_t copy_module_file_name(const std::string& name, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    auto n = (uint32_t)name.size();
    if (n + 1 > size) {
        std::memcpy(buffer, name.c_str(), size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    std::memcpy(buffer, name.c_str(), n + 1);
    return n;
}

// A message box a test scripted: `box` is recorded and shown to `hook`, then answered with the
// next scripted answer, or Cancel (2) when none is left.
template <typename Box>
int answer_scripted_box(std::vector<Box>& boxes, std::deque<int>& answers, void (*hook)(const Box&), Box box) {
    boxes.push_back(std::move(box));
    if (hook) hook(boxes.back());
    if (answers.empty()) return 2;   // IDCANCEL
    int answer = answers.front();
    answers.pop_front();
    return answer;
}
