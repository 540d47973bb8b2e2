// The end-to-end driver: a console program that works another program's windows the way a
// person would, from outside its process. It finds windows by class or title and controls by
// id, clicks buttons and presses keys by posting (never sending: a click that opens a modal
// window would block a send until that window closed), types into edit fields, reads texts,
// answers message boxes, and writes what it saw. Every wait has a timeout.
//
//   driver [-m MARKER_DIR] [-o LOG] (-f SCRIPT | -c "COMMAND" ...)
//
// Commands, one per line (a line starting with # is a comment; "double quotes" keep spaces in
// an argument; * stands for "any"):
//   timeout MS                 how long the following waits may take (default 5000)
//   wait_window CLASS TITLE    a visible top-level window; it becomes the current window
//   wait_no_window CLASS TITLE until no such visible top-level window exists
//   wait_control ID            a visible control with this id inside the current window
//   click ID                   posts BM_CLICK to that control
//   command ID                 posts WM_COMMAND(ID, BN_CLICKED) to the control's parent
//   type ID TEXT               sets the control's text (WM_SETTEXT)
//   read ID                    writes the control's text
//   expect_text ID TEXT        waits until the control's text is TEXT
//   expect_parent_text ID TEXT waits until the text of the control's parent window is TEXT
//   expect_window_text TEXT    waits until the current window's own text is TEXT
//   key NAME                   posts a key press to the focused control of the current window
//                              (RETURN, ESCAPE, TAB, SPACE or a number)
//   box TITLE BUTTON [TEXT]    waits for a message box or dialog (#32770) titled TITLE, checks
//                              that its text contains TEXT, clicks button BUTTON and waits
//                              until the box has closed
//   post MSG [WPARAM [LPARAM]] posts a message to the current window
//   expect_enabled ID 0|1      waits until the control is disabled (0) or enabled (1)
//   expect_checked ID 0|1      waits until the check box is clear (0) or checked (1)
//   expect_no_control ID       checks that no visible control with this id exists (no wait)
//   wait_file PATH             until the file exists (checked every millisecond: for a step
//                              of another program that leaves no time to look at its windows)
//   hold PATH                  opens the file without sharing and keeps it open until the
//                              driver ends, as a program that has it in use
//   terminate                  ends the current window's process at once (TerminateProcess:
//                              none of its own code runs, as when the machine loses power)
//   expect_iconic 0|1 [ID N]   waits until the current window (or the N-th parent of control
//                              ID: 1 its page, 2 the page's panel) is restored (0) or minimised (1)
//   post_up ID N MSG [W [L]]   posts a message to the N-th parent of control ID
//   expect_focus ID            waits until control ID of the current window has the keyboard
//                              focus
//   list_pick ID TEXT          selects the entry TEXT of list box ID and tells its parent, as
//                              a click does (LBN_SELCHANGE)
//   list_open ID TEXT          the same, then a double-click (LBN_DBLCLK)
//   combo_pick ID TEXT         selects the entry TEXT of combo box ID (CBN_SELCHANGE)
//   snap NAME                  asks the shell for a screenshot: writes MARKER_DIR/NAME.ready
//                              and waits for MARKER_DIR/NAME.done
//   sleep MS
// Exit code: 0 when every command succeeded, 1 at the first failure, 64 for bad usage.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

DWORD wait_limit_ms = 5000;
HWND current = nullptr;
std::string marker_dir;
FILE* log_file = nullptr;

void say(const char* format, ...) {
    char line[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (log_file) {
        std::fputs(line, log_file);
        std::fputc('\n', log_file);
        std::fflush(log_file);
    }
}

// Calls `ready` every 10 ms until it returns true or the wait limit passes.
template <typename Ready>
bool wait_for(Ready ready) {
    DWORD start = GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (GetTickCount() - start > wait_limit_ms) return false;
        Sleep(10);
    }
}

std::string text_of(HWND window) {
    char text[4096] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                        &copied);
    return text;
}

std::string class_of(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool matches(const std::string& pattern, const std::string& value) {
    return pattern == "*" || pattern == value;
}

struct TopSearch {
    std::string cls, title;
    HWND found;
};

BOOL CALLBACK find_top(HWND window, LPARAM lparam) {
    auto* s = reinterpret_cast<TopSearch*>(lparam);
    if (!IsWindowVisible(window)) return TRUE;
    if (matches(s->cls, class_of(window)) && matches(s->title, text_of(window))) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_top_window(const std::string& cls, const std::string& title) {
    TopSearch s{cls, title, nullptr};
    EnumWindows(find_top, (LPARAM)&s);
    return s.found;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK find_child(HWND window, LPARAM lparam) {
    auto* s = reinterpret_cast<ControlSearch*>(lparam);
    if (GetDlgCtrlID(window) == s->id && IsWindowVisible(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible control with `id` anywhere below `root` (nested dialogs included).
HWND find_control(HWND root, int id) {
    if (!root || !IsWindow(root)) return nullptr;
    ControlSearch s{id, nullptr};
    EnumChildWindows(root, find_child, (LPARAM)&s);
    return s.found;
}

int number(const std::string& s) { return (int)std::strtol(s.c_str(), nullptr, 0); }

// The `levels`-th parent of the visible control `id` of the current window (waiting for it).
HWND wait_control(int id, std::string& why);
HWND ancestor_of(int id, int levels, std::string& why) {
    HWND window = wait_control(id, why);
    for (int i = 0; window && i < levels; ++i) window = GetParent(window);
    if (!window && why.empty()) why = "control " + std::to_string(id) + " has no such parent";
    return window;
}

UINT key_code(const std::string& name) {
    if (name == "RETURN") return VK_RETURN;
    if (name == "ESCAPE") return VK_ESCAPE;
    if (name == "TAB") return VK_TAB;
    if (name == "SPACE") return VK_SPACE;
    return (UINT)number(name);
}

bool need(const Args& a, size_t n, std::string& why) {
    if (a.size() >= n + 1) return true;
    why = "needs " + std::to_string(n) + " argument(s)";
    return false;
}

// The control for a command, waiting for it to appear.
HWND wait_control(int id, std::string& why) {
    HWND control = nullptr;
    if (!wait_for([&] { return (control = find_control(current, id)) != nullptr; }))
        why = "no visible control " + std::to_string(id);
    return control;
}

bool run(const Args& a, std::string& why) {
    const std::string& c = a[0];
    if (c == "timeout") {
        if (!need(a, 1, why)) return false;
        wait_limit_ms = (DWORD)number(a[1]);
        return true;
    }
    if (c == "sleep") {
        if (!need(a, 1, why)) return false;
        Sleep((DWORD)number(a[1]));
        return true;
    }
    if (c == "wait_window") {
        if (!need(a, 2, why)) return false;
        if (!wait_for([&] { return (current = find_top_window(a[1], a[2])) != nullptr; })) {
            why = "no such window";
            return false;
        }
        return true;
    }
    if (c == "wait_no_window") {
        if (!need(a, 2, why)) return false;
        if (!wait_for([&] { return find_top_window(a[1], a[2]) == nullptr; })) {
            why = "the window is still there";
            return false;
        }
        return true;
    }
    if (c == "wait_file") {
        if (!need(a, 1, why)) return false;
        DWORD start = GetTickCount();
        while (GetFileAttributesA(a[1].c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start > wait_limit_ms) {
                why = "no such file";
                return false;
            }
            Sleep(1);
        }
        return true;
    }
    if (c == "snap") {
        if (!need(a, 1, why)) return false;
        if (marker_dir.empty()) return true;   // no shell is taking pictures
        std::string ready = marker_dir + "\\" + a[1] + ".ready";
        std::string done = marker_dir + "\\" + a[1] + ".done";
        DeleteFileA(done.c_str());
        std::ofstream(ready) << a[1] << "\n";
        bool taken = wait_for([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
        DeleteFileA(ready.c_str());
        DeleteFileA(done.c_str());
        if (!taken) why = "no screenshot was taken";
        return taken;
    }
    if (c == "hold") {
        if (!need(a, 1, why)) return false;
        HANDLE held = CreateFileA(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) why = "the file cannot be opened";
        return held != INVALID_HANDLE_VALUE;   // closed when the driver ends
    }
    if (c != "box" && (!current || !IsWindow(current))) {
        why = "no current window (use wait_window first)";
        return false;
    }
    if (c == "terminate") {
        DWORD process_id = 0;
        GetWindowThreadProcessId(current, &process_id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id);
        bool ended = process && TerminateProcess(process, 99) && WaitForSingleObject(process, wait_limit_ms) == WAIT_OBJECT_0;
        if (process) CloseHandle(process);
        if (!ended) why = "the process could not be ended";
        return ended;
    }
    if (c == "expect_window_text") {
        if (!need(a, 1, why)) return false;
        std::string seen;
        if (wait_for([&] { return (seen = text_of(current)) == a[1]; })) return true;
        why = "window text is \"" + seen + "\"";
        return false;
    }
    if (c == "expect_iconic") {
        if (!need(a, 1, why)) return false;
        bool want = number(a[1]) != 0;
        HWND window = current;
        if (a.size() > 3 && !(window = ancestor_of(number(a[2]), number(a[3]), why))) return false;
        if (wait_for([&] { return (IsIconic(window) != 0) == want; })) return true;
        why = want ? "the window is not minimised" : "the window is still minimised";
        return false;
    }
    if (c == "post_up") {
        if (!need(a, 3, why)) return false;
        HWND window = ancestor_of(number(a[1]), number(a[2]), why);
        if (!window) return false;
        WPARAM w = a.size() > 4 ? (WPARAM)number(a[4]) : 0;
        LPARAM l = a.size() > 5 ? (LPARAM)number(a[5]) : 0;
        return PostMessageA(window, (UINT)number(a[3]), w, l) != 0 || (why = "post failed", false);
    }
    if (c == "expect_focus") {
        if (!need(a, 1, why)) return false;
        int id = number(a[1]);
        HWND seen = nullptr;
        auto focused = [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            seen = GetGUIThreadInfo(GetWindowThreadProcessId(current, nullptr), &info) ? info.hwndFocus : nullptr;
            return seen && IsChild(current, seen) && GetDlgCtrlID(seen) == id;
        };
        if (wait_for(focused)) return true;
        why = !seen ? "nothing has the focus"
                    : "the focus is on " + class_of(seen) + " " + std::to_string(GetDlgCtrlID(seen)) +
                          (seen == current ? " (the window itself)" : "");
        return false;
    }
    if (c == "expect_no_control") {
        if (!need(a, 1, why)) return false;
        if (!find_control(current, number(a[1]))) return true;
        why = "control " + a[1] + " is there";
        return false;
    }
    if (c == "post") {
        if (!need(a, 1, why)) return false;
        WPARAM w = a.size() > 2 ? (WPARAM)number(a[2]) : 0;
        LPARAM l = a.size() > 3 ? (LPARAM)number(a[3]) : 0;
        return PostMessageA(current, (UINT)number(a[1]), w, l) != 0 || (why = "post failed", false);
    }
    if (c == "key") {
        if (!need(a, 1, why)) return false;
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        HWND target = current;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(current, nullptr), &info) && info.hwndFocus &&
            (info.hwndFocus == current || IsChild(current, info.hwndFocus)))
            target = info.hwndFocus;
        UINT vk = key_code(a[1]);
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        say("  key %s went to control %d", a[1].c_str(), GetDlgCtrlID(target));
        return true;
    }
    if (c == "box") {
        if (!need(a, 2, why)) return false;
        HWND box = nullptr;
        if (!wait_for([&] { return (box = find_top_window("#32770", a[1])) != nullptr; })) {
            why = "no box titled \"" + a[1] + "\"";
            return false;
        }
        if (a.size() > 3) {
            // The message text is control 65535 in a message box; search every static.
            HWND text = find_control(box, 0xFFFF);
            std::string seen = text ? text_of(text) : "";
            if (seen.find(a[3]) == std::string::npos) {
                why = "box text is \"" + seen + "\"";
                return false;
            }
        }
        HWND button = GetDlgItem(box, number(a[2]));
        if (!button) {
            why = "the box has no button " + a[2];
            return false;
        }
        PostMessageA(button, BM_CLICK, 0, 0);
        // The answered box is gone before the next command looks for another one.
        if (!wait_for([&] { return !IsWindow(box) || !IsWindowVisible(box); })) {
            why = "the box stayed open";
            return false;
        }
        return true;
    }
    if (!need(a, 1, why)) return false;
    int id = number(a[1]);
    HWND control = wait_control(id, why);
    if (!control) return false;
    if (c == "wait_control") return true;
    if (c == "click") return PostMessageA(control, BM_CLICK, 0, 0) != 0 || (why = "post failed", false);
    if (c == "command")
        return PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control) != 0 ||
               (why = "post failed", false);
    if (c == "expect_enabled" || c == "expect_checked") {
        if (!need(a, 2, why)) return false;
        bool want = number(a[2]) != 0;
        auto state = [&] {
            if (c == "expect_enabled") return IsWindowEnabled(control) != 0;
            DWORD_PTR r = 0;
            SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
            return r == BST_CHECKED;
        };
        if (wait_for([&] { return state() == want; })) return true;
        why = "the control's state stays " + std::string(want ? "off" : "on");
        return false;
    }
    if (c == "list_pick" || c == "list_open" || c == "combo_pick") {
        if (!need(a, 2, why)) return false;
        bool combo = c == "combo_pick";
        DWORD_PTR index = (DWORD_PTR)-1;
        SendMessageTimeoutA(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, (WPARAM)-1,
                            (LPARAM)a[2].c_str(), SMTO_ABORTIFHUNG, 2000, &index);
        if ((LRESULT)index < 0) {
            why = "no entry \"" + a[2] + "\"";
            return false;
        }
        DWORD_PTR r = 0;
        SendMessageTimeoutA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, 2000, &r);
        HWND parent = GetParent(control);
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE), (LPARAM)control);
        if (c == "list_open") PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), (LPARAM)control);
        return true;
    }
    if (c == "read") {
        say("  text %d: \"%s\"", id, text_of(control).c_str());
        return true;
    }
    if (c == "type") {
        if (!need(a, 2, why)) return false;
        DWORD_PTR r = 0;
        SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)a[2].c_str(), SMTO_ABORTIFHUNG, 2000, &r);
        return true;
    }
    if (c == "expect_text" || c == "expect_parent_text") {
        if (!need(a, 2, why)) return false;
        HWND of = c == "expect_text" ? control : GetParent(control);
        std::string seen;
        if (wait_for([&] { return (seen = text_of(of)) == a[2]; })) return true;
        why = "text is \"" + seen + "\"";
        return false;
    }
    why = "unknown command";
    return false;
}

// Splits a line into arguments; "double quotes" keep spaces; a line starting with # is empty.
Args split(const std::string& line) {
    Args out;
    std::string word;
    bool quoted = false, any = false;
    for (char ch : line) {
        if (quoted) {
            if (ch == '"') quoted = false;
            else word += ch;
        } else if (ch == '"') {
            quoted = any = true;
        } else if (ch == '#' && out.empty() && !any) {
            break;   // a comment line (# inside a line is text: the dialog class is #32770)
        } else if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
            if (any) out.push_back(word);
            word.clear();
            any = false;
        } else {
            word += ch;
            any = true;
        }
    }
    if (any) out.push_back(word);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> lines;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "driver: %s needs a value\n", arg.c_str());
            return 64;
        }
        std::string value = argv[++i];
        if (arg == "-m") {
            marker_dir = value;
        } else if (arg == "-o") {
            log_file = std::fopen(value.c_str(), "w");
        } else if (arg == "-c") {
            lines.push_back(value);
        } else if (arg == "-f") {
            std::ifstream script(value);
            if (!script) {
                std::fprintf(stderr, "driver: cannot read %s\n", value.c_str());
                return 64;
            }
            for (std::string line; std::getline(script, line);) lines.push_back(line);
        } else {
            std::fprintf(stderr, "driver: unknown option %s\n", arg.c_str());
            return 64;
        }
    }
    if (lines.empty()) {
        std::fprintf(stderr, "usage: driver [-m MARKER_DIR] [-o LOG] (-f SCRIPT | -c COMMAND)...\n");
        return 64;
    }
    int line_number = 0;
    for (const std::string& line : lines) {
        ++line_number;
        Args a = split(line);
        if (a.empty()) continue;
        std::string why;
        DWORD start = GetTickCount();
        if (!run(a, why)) {
            say("FAIL line %d: %s: %s", line_number, line.c_str(), why.c_str());
            return 1;
        }
        say("ok   %s (%lu ms)", line.c_str(), (unsigned long)(GetTickCount() - start));
    }
    say("driver: all %d lines passed", line_number);
    return 0;
}
