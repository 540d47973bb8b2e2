// The program's own entry point: the Windows builds of the program link no C runtime, so
// nothing else runs before WinMain. It first closes the DLL search to planted libraries and
// binds the version library from the system directory, runs the static constructors (the
// program has none today; the list is there so that one added later is not silently skipped),
// finds the instance, the command line after the program's name and the show state, calls
// WinMain and ends the process with its result.
#include "platform/windows/system_libraries.h"
#include "common/command_line.h"
#include "common/status.h"

extern "C" {
// The constructor list the linker lays out: a -1 sentinel, the constructors, a 0 terminator.
typedef void (*StaticConstructor)();
extern StaticConstructor __CTOR_LIST__[];
}

namespace {

void run_static_constructors() {
    StaticConstructor* end = __CTOR_LIST__ + 1;
    while (*end) ++end;
    // In reverse, the order the toolchain's own start-up code uses.
    while (--end > __CTOR_LIST__) (*end)();
}

// The command line less the program's name (quoted or not) and the blanks after it, as the
// C runtime hands it to WinMain.
char* arguments_after_program_name(char* line) {
    if (*line == '"') {
        ++line;
        while (*line && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

// "version.dll is missing!": without it no installed copy's version can be compared.
void report_missing_version_library(HINSTANCE instance) {
    char format[64], text[96], caption[64];
    LoadStringA(instance, MSG_FILE_MISSING, format, sizeof format);
    LoadStringA(instance, MSG_CAPTION, caption, sizeof caption);
    wsprintfA(text, format, "version.dll");
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

// Windows starts a 32-bit program with the stack aligned to 4 bytes only; the compiler's code
// expects 16, so the entry realigns it.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
    restrict_dll_search();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char* arguments = arguments_after_program_name(GetCommandLineA());
    if (!bind_version_library()) {
        // A silent run shows nothing, and ends with the code of a run that cannot run.
        CommandLine command;
        parse_command_line(arguments, command);
        if (!command.silent) report_missing_version_library(instance);
        ExitProcess(*arguments ? EXIT_CANNOT_RUN : (UINT)-1);
    }
    run_static_constructors();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    int code = WinMain(instance, nullptr, arguments, show);
    ExitProcess((UINT)code);
}
