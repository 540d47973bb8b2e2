// MessageBoxA on the host: every box is recorded, and answered from the script a test set
// (Cancel when the script is empty).
#include "platform/host/host_state.h"
#include "platform/test_double_rules.h"

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
    return answer_scripted_box(boxes, box_answers, box_hook,
                               RecordedMessageBox{owner, text ? text : "", caption ? caption : "(null)", style});
}
