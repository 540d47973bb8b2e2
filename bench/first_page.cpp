// Waits for an installer's first page to be on the screen, for bench/startup:
//   first-page CLASS TITLE CONTROL_ID READY_FILE [TIMEOUT_MS]
// (CLASS or TITLE "*" for any). Started before the installer; writes READY_FILE once it is
// polling, then looks every millisecond for a visible top-level window of CLASS and TITLE
// holding a visible control CONTROL_ID. The page counts as drawn once that window and every
// visible window inside it have nothing left to paint (empty update regions: the installer
// has handled the paint messages of the page and its controls). Prints two times, the
// system clock in nanoseconds since 1970 (the clock of `date +%s%N`), when the control was
// first seen visible and when the page was drawn; then ends the installer's process, as
// nothing of the page's work is measured beyond that. Exit code 0, or 1 after the timeout.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Search {
    int control_id;
    HWND found;
};

BOOL CALLBACK find_control(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (GetDlgCtrlID(window) == search->control_id && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK any_to_paint(HWND window, LPARAM data) {
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
    }
    return TRUE;
}

long long now_ns() {
    FILETIME time;
    GetSystemTimePreciseAsFileTime(&time);
    long long ticks = (long long)time.dwHighDateTime << 32 | time.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;   // from 1601 in 100 ns to 1970 in ns
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: first-page CLASS TITLE CONTROL_ID READY_FILE [TIMEOUT_MS]\n");
        return 64;
    }
    const char* window_class = std::strcmp(argv[1], "*") ? argv[1] : nullptr;
    const char* title = std::strcmp(argv[2], "*") ? argv[2] : nullptr;
    Search search = {std::atoi(argv[3]), nullptr};
    DWORD timeout = argc > 5 ? (DWORD)std::atoi(argv[5]) : 20000;
    HANDLE ready = CreateFileA(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);

    DWORD start = GetTickCount();
    long long seen = 0;
    HWND top = nullptr;
    while (GetTickCount() - start < timeout) {
        if (!seen) {
            top = FindWindowA(window_class, title);
            if (top && IsWindowVisible(top)) {
                search.found = nullptr;
                EnumChildWindows(top, find_control, reinterpret_cast<LPARAM>(&search));
                if (search.found) seen = now_ns();
            }
        }
        if (seen) {
            bool to_paint = GetUpdateRect(top, nullptr, FALSE) != 0;
            if (!to_paint) EnumChildWindows(top, any_to_paint, reinterpret_cast<LPARAM>(&to_paint));
            if (!to_paint) {
                long long drawn = now_ns();
                std::printf("%lld %lld\n", seen, drawn);
                std::fflush(stdout);
                DWORD process_id = 0;
                GetWindowThreadProcessId(top, &process_id);
                if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, process_id)) {
                    TerminateProcess(process, 0);
                    CloseHandle(process);
                }
                return 0;
            }
        }
        Sleep(1);
    }
    std::fprintf(stderr, "first-page: no drawn page with control %d after %lu ms\n", search.control_id,
                 (unsigned long)timeout);
    return 1;
}
