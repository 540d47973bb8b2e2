// The uninstaller's command line: /S in any case, the usage text for anything else, and the
// copy's cleanup request, which is refused for any file but the uninstaller.
#include "uninstall/uninstall_command.h"

#include <gtest/gtest.h>

#include <string>

TEST(UninstallCommand, Modes) {
    struct Case {
        const char* line;
        int mode;
        bool silent;
    };
    const Case cases[] = {
        {nullptr, UNINSTALL_REMOVE, false},
        {"", UNINSTALL_REMOVE, false},
        {"  \t ", UNINSTALL_REMOVE, false},
        {"/S", UNINSTALL_SILENT, true},
        {"/s", UNINSTALL_SILENT, true},
        {"  /S  ", UNINSTALL_SILENT, true},
        {"/S /?", UNINSTALL_USAGE, true},     // silent: the usage code, without a window
        {"/S extra", UNINSTALL_USAGE, true},
        {"/?", UNINSTALL_USAGE, false},
        {"/Sx", UNINSTALL_USAGE, false},
        {"/D=C:\\x", UNINSTALL_USAGE, false},
        {"S", UNINSTALL_USAGE, false},
        {"-S", UNINSTALL_USAGE, false},
        {"/NORESTART /S", UNINSTALL_USAGE, true},   // /S anywhere: no window, whatever else
        {"/? /S", UNINSTALL_USAGE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line ? c.line : "(null)");
        UninstallCommand command;
        parse_uninstall_command(c.line, command);
        EXPECT_EQ(command.mode, c.mode);
        EXPECT_EQ(command.silent, c.silent);
    }
}

TEST(UninstallCommand, LogFileAsTheInstallerTakesIt) {
    struct Case {
        const char* line;
        int mode;
        const char* log;
    };
    const Case cases[] = {
        {"/S /LOG=C:\\remove.log", UNINSTALL_SILENT, "C:\\remove.log"},
        {"/LOG=\"C:\\My Logs\\remove.log\" /S", UNINSTALL_SILENT, "C:\\My Logs\\remove.log"},
        {"/log=C:\\remove.log", UNINSTALL_REMOVE, "C:\\remove.log"},
        {"/S /LOG=", UNINSTALL_USAGE, ""},
        {"/S /LOG=\"C:\\open", UNINSTALL_USAGE, ""},
        // A usage request still writes the log it asks for.
        {"/X /LOG=C:\\remove.log /S", UNINSTALL_USAGE, "C:\\remove.log"},
        {"\"/LOG=C:\\My Logs\\remove.log\" /S", UNINSTALL_SILENT, "C:\\My Logs\\remove.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        UninstallCommand command;
        parse_uninstall_command(c.line, command);
        EXPECT_EQ(command.mode, c.mode);
        EXPECT_EQ(std::string(command.log_file), c.log);
    }
}

TEST(UninstallCommand, CleanupOnlyForTheUninstallersFile) {
    UninstallCommand command;
    parse_uninstall_command("/_CLEANUP=4711 C:\\Program Files\\Brisvane\\NpU32.exe", command);
    EXPECT_EQ(command.mode, UNINSTALL_CLEANUP);
    EXPECT_EQ(command.process_id, 4711u);
    EXPECT_EQ(std::string(command.original), "C:\\Program Files\\Brisvane\\NpU32.exe");
    parse_uninstall_command("/_cleanup=1 D:\\apps\\npu32.EXE", command);
    EXPECT_EQ(command.mode, UNINSTALL_CLEANUP);
    parse_uninstall_command("/_cleanup=4294967295 D:\\apps\\npu32.EXE", command);   // the largest id
    EXPECT_EQ(command.mode, UNINSTALL_CLEANUP);
    EXPECT_EQ(command.process_id, 4294967295u);

    const char* refused[] = {
        "/_CLEANUP=4711 C:\\Windows\\notepad.exe",
        "/_CLEANUP=4711 C:\\Windows\\NpU32.exe.bak",
        "/_CLEANUP=4711 NpU32.exe",                    // not a full path
        "/_CLEANUP=4711",
        "/_CLEANUP= C:\\Program Files\\Brisvane\\NpU32.exe",
        "/_CLEANUP=47x11 C:\\Program Files\\Brisvane\\NpU32.exe",
        "/_CLEANUP=12345678901 C:\\Program Files\\Brisvane\\NpU32.exe",   // more digits than a process id has
        "/_CLEANUP=4294967297 C:\\Program Files\\Brisvane\\NpU32.exe",    // past a DWORD: would wrap to 1
    };
    for (const char* line : refused) {
        SCOPED_TRACE(line);
        parse_uninstall_command(line, command);
        EXPECT_EQ(command.mode, UNINSTALL_USAGE);
        EXPECT_TRUE(command.silent);   // a bad cleanup request shows nothing either
    }
}
