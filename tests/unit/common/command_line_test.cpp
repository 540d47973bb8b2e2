// The command-line parser: what each switch gives, and a table of hostile lines that must
// neither overrun a field nor hand on a value unchecked.
#include "common/command_line.h"

#include "common/status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace {

// Parses a copy of `line` in a buffer of exactly its size, so that a read past the
// terminator is caught by the address sanitizer.
CommandLine parse(const std::string& line) {
    std::unique_ptr<char[]> copy(new char[line.size() + 1]);
    std::memcpy(copy.get(), line.c_str(), line.size() + 1);
    CommandLine out;
    std::memset(&out, 0x5A, sizeof out);   // cleared by the parser, whatever was there
    parse_command_line(copy.get(), out);
    // Whatever the line, both fields end inside themselves.
    EXPECT_LT(strnlen(out.directory, PATH_BUFFER_SIZE), (size_t)PATH_BUFFER_SIZE) << line;
    EXPECT_LT(strnlen(out.log_file, PATH_BUFFER_SIZE), (size_t)PATH_BUFFER_SIZE) << line;
    return out;
}

struct Case {
    const char* label;
    std::string line;
    bool silent;
    bool usage;
    int refusal;
    std::string directory;
    std::string log_file;
    std::string unknown = "";   // the argument named as not understood
};

void expect_case(const Case& c) {
    CommandLine got = parse(c.line);
    EXPECT_EQ(got.silent, c.silent) << c.label;
    EXPECT_EQ(got.usage, c.usage) << c.label;
    EXPECT_EQ(got.directory_refusal, c.refusal) << c.label;
    EXPECT_EQ(std::string(got.directory), c.directory) << c.label;
    EXPECT_EQ(std::string(got.log_file), c.log_file) << c.label;
    EXPECT_EQ(std::string(got.unknown), c.unknown) << c.label;
}

const std::string LONG_259 = "C:\\" + std::string(256, 'a');

}  // namespace

TEST(CommandLine, SwitchesAsAdministratorsWriteThem) {
    const Case cases[] = {
        {"nothing", "", false, false, 0, "", ""},
        {"blanks only", " \t  ", false, false, 0, "", ""},
        {"silent", "/S", true, false, 0, "", ""},
        {"silent, lower case", "/s", true, false, 0, "", ""},
        {"silent twice", "/S /s", true, false, 0, "", ""},
        {"usage", "/?", false, true, 0, "", ""},
        {"directory with spaces", "/S /D=C:\\Program Files\\Brisvane Plug in",
         true, false, 0, "C:\\Program Files\\Brisvane Plug in", ""},
        {"directory, lower-case switch, blanks after it", "/d=C:\\x y \t ", false, false, 0, "C:\\x y", ""},
        {"directory ends at the next switch", "/D=C:\\a b /S", true, false, 0, "C:\\a b", ""},
        {"directory first, then the log", "/D=C:\\Program Files\\X /LOG=C:\\x.log", false, false, 0,
         "C:\\Program Files\\X", "C:\\x.log"},
        {"directory quoted whole, as a launcher quotes", "/S \"/D=C:\\Program Files\\X\"", true, false, 0,
         "C:\\Program Files\\X", ""},
        {"directory with its value quoted", "/D=\"C:\\Program Files\\X\" /S", true, false, 0,
         "C:\\Program Files\\X", ""},
        {"a slash inside the directory is no switch", "/D=C:/Apps/B /S", true, false, 0, "C:/Apps/B", ""},
        {"silent against the next switch", "/S/D=C:\\X", true, false, 0, "C:\\X", ""},
        {"the last directory counts", "/D=C:\\a /D=C:\\b", false, false, 0, "C:\\b", ""},
        {"a quoted switch", "\"/S\"", true, false, 0, "", ""},
        {"log quoted whole", "\"/LOG=C:\\my logs\\a.log\" /S", true, false, 0, "", "C:\\my logs\\a.log"},
        {"network directory", "/S /D=\\\\server\\share\\dir", true, false, 0, "\\\\server\\share\\dir", ""},
        {"log", "/LOG=C:\\setup.log /S", true, false, 0, "", "C:\\setup.log"},
        {"log, lower case", "/log=x.log", false, false, 0, "", "x.log"},
        {"log in quotes with spaces", "/S /LOG=\"C:\\my logs\\a b.log\" /D=C:\\t",
         true, false, 0, "C:\\t", "C:\\my logs\\a b.log"},
        {"tabs between switches", "\t/S\t/LOG=l.txt\t", true, false, 0, "", "l.txt"},
        {"the longest directory that fits", "/D=" + LONG_259, false, false, 0, LONG_259, ""},
        {"the longest log name that fits", "/LOG=" + LONG_259, false, false, 0, "", LONG_259},
    };
    for (const Case& c : cases) expect_case(c);
}

TEST(CommandLine, HostileLinesAreRefusedNeverCutOrPassedOn) {
    const std::string long_260 = LONG_259 + "b";
    const std::string huge(40000, 'A');
    const Case cases[] = {
        {"unknown switch", "/X", false, true, 0, "", "", "/X"},
        {"a longer switch that starts like one", "/SILENT", false, true, 0, "", "", "/SILENT"},
        {"dash instead of slash", "-S", false, true, 0, "", "", "-S"},
        {"a bare word", "setup", false, true, 0, "", "", "setup"},
        {"unknown after silent: silent kept, usage asked", "/S /Q", true, true, 0, "", "", "/Q"},
        {"unknown before silent: still silent", "/NORESTART /S", true, true, 0, "", "", "/NORESTART"},
        {"usage with silent: silent", "/? /S", true, true, 0, "", ""},
        {"the whole line is read past an unknown switch", "/FOO /D=C:\\x /LOG=l.txt /BAR", false, true, 0,
         "C:\\x", "l.txt", "/FOO"},
        {"empty directory", "/S /D=", true, true, 0, "", "", "/D="},
        {"directory of blanks", "/D=   ", false, true, 0, "", "", "/D="},
        {"directory quote never closed", "/S /D=\"C:\\a b", true, true, 0, "", "", "/D=C:\\a b"},
        {"directory one too long", "/S /D=" + long_260, true, false, MSG_DIRECTORY_TOO_LONG, "", ""},
        {"directory far too long", "/D=C:\\" + huge, false, false, MSG_DIRECTORY_TOO_LONG, "", ""},

        {"wildcard in directory", "/D=C:\\*", false, false, MSG_INVALID_DIRECTORY, "", ""},
        {"pipe in directory", "/D=C:\\a|b", false, false, MSG_INVALID_DIRECTORY, "", ""},
        {"control character in directory", std::string("/D=C:\\a\x01" "b"), false, false,
         MSG_INVALID_DIRECTORY, "", ""},
        {"line break in directory", "/D=C:\\a\r\nb", false, false, MSG_INVALID_DIRECTORY, "", ""},
        {"empty log", "/LOG= /S", true, true, 0, "", "", "/LOG="},
        {"empty log at the end", "/LOG=", false, true, 0, "", "", "/LOG="},
        {"empty quoted log", "/LOG=\"\"", false, true, 0, "", "", "/LOG="},
        {"log quote never closed: the rest of the line is its value", "/LOG=\"C:\\a b.log /S", false, true, 0, "",
         "", "/LOG=C:\\a b.log /S"},
        {"text glued to the closing quote joins the value", "/LOG=\"a\"b /S", true, false, 0, "", "ab"},
        {"quote inside an unquoted log, never closed", "/LOG=a\"b", false, true, 0, "", "", "/LOG=ab"},
        {"log one too long", "/LOG=" + long_260, false, true, 0, "", "", ("/LOG=" + long_260).substr(0, 63)},
        {"log far too long", "/LOG=" + huge, false, true, 0, "", "", ("/LOG=" + huge).substr(0, 63)},
        {"log with a wildcard", "/LOG=*.log", false, true, 0, "", "", "/LOG=*.log"},
        {"high-bit characters are path characters", "/D=C:\\\xe9t\xe9", false, false, 0, "C:\\\xe9t\xe9", ""},
        {"lone slash", "/", false, true, 0, "", "", "/"},
        {"switch cut short", "/LO", false, true, 0, "", "", "/LO"},
        {"a lone quote", "\"", false, true, 0, "", ""},
    };
    for (const Case& c : cases) expect_case(c);
}

TEST(CommandLine, NullLineIsNoArguments) {
    CommandLine out;
    std::memset(&out, 0x5A, sizeof out);
    parse_command_line(nullptr, out);
    EXPECT_FALSE(out.silent);
    EXPECT_FALSE(out.usage);
    EXPECT_EQ(out.directory_refusal, 0);
    EXPECT_EQ(out.directory[0], 0);
    EXPECT_EQ(out.log_file[0], 0);
}

TEST(ExitCodes, EachFailureClassHasItsOwnCode) {
    struct { int message; int code; } cases[] = {
        {MSG_INVALID_DATA, EXIT_PACKAGE_DAMAGED},
        {MSG_READ_ERROR, EXIT_PACKAGE_DAMAGED},
        {MSG_INVALID_DIRECTORY, EXIT_TARGET_REFUSED},
        {MSG_DIRECTORY_TOO_LONG, EXIT_TARGET_REFUSED},
        {MSG_CONFLICTING_PRODUCT, EXIT_TARGET_REFUSED},
        {MSG_CANNOT_CREATE, EXIT_TARGET_REFUSED},
        {MSG_NOT_ENOUGH_SPACE, EXIT_NO_SPACE},
        {MSG_DISK_FULL, EXIT_NO_SPACE},
        {MSG_WRITE_ERROR, EXIT_WRITE_FAILED},
        {MSG_WRITE_PROTECTED, EXIT_WRITE_FAILED},
        {MSG_FILE_IN_USE, EXIT_WRITE_FAILED},
        {MSG_NETSCAPE_NO_PLUGINS, EXIT_NO_BROWSER},
        {MSG_EXPLORER_NOT_FOUND, EXIT_NO_BROWSER},
        {MSG_NEEDS_32BIT_BROWSER, EXIT_NO_BROWSER},
        {MSG_NO_MEMORY, EXIT_CANNOT_RUN},
        {MSG_WINDOW_PROBLEM, EXIT_CANNOT_RUN},
        {0, EXIT_CANNOT_RUN},
    };
    for (const auto& c : cases) EXPECT_EQ(exit_code_for_message(c.message), c.code) << c.message;
    std::set<int> codes = {EXIT_INSTALLED, EXIT_USAGE, EXIT_CANCELLED, EXIT_PACKAGE_DAMAGED,
                           EXIT_TARGET_REFUSED, EXIT_NO_SPACE, EXIT_WRITE_FAILED, EXIT_NO_BROWSER,
                           EXIT_CANNOT_RUN, EXIT_REBOOT_PENDING};
    EXPECT_EQ(codes.size(), 10u);
    // Codes a crash gives under Wine (abort 3, access violation 5) are never a failure class.
    EXPECT_EQ(codes.count(3) + codes.count(5), 0u);
}
