// MessageBoxA on the host: every box is recorded, and answered from the script a test set
// (Cancel when the script is empty).
#include "platform/host/host_state.h"

#include <deque>

namespace {

std::deque<int> box_answers;
std::vector<RecordedMessageBox> boxes;
void (*box_hook)(const RecordedMessageBox&) = nullptr;

}  // namespace

namespace host {

void reset_message_boxes() {
    box_answers.clear();
    boxes.clear();
    box_hook = nullptr;
}

}  // namespace host

void test_script_message_boxes(const std::vector<int>& answers) {
    box_answers.assign(answers.begin(), answers.end());
}

const std::vector<RecordedMessageBox>& test_recorded_message_boxes() { return boxes; }
void test_on_message_box(void (*hook)(const RecordedMessageBox&)) { box_hook = hook; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    boxes.push_back({owner, text ? text : "", caption ? caption : "(null)", style});
    if (box_hook) box_hook(boxes.back());
    if (box_answers.empty()) return IDCANCEL;
    int answer = box_answers.front();
    box_answers.pop_front();
    return answer;
}
