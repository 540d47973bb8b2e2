// Temporary names: the name a file is written under until the commit, and back.
#include "common/install_context.h"
#include "install/temporary_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(TemporaryNames, LibrariesAndProgramsSwapTheirExtensionOtherFilesGainATilde) {
    struct Case {
        const char* path;
        const char* temporary;
    };
    const Case cases[] = {
        {"C:\\sys\\Lib.DLL", "C:\\sys\\Lib.~ll"},
        {"C:\\sys\\tool.Exe", "C:\\sys\\tool.~xe"},
        {"a.dll", "a.~ll"},
        {"C:\\sys\\read.txt", "C:\\sys\\read.txt~"},
        {"C:\\sys\\a.dll.txt", "C:\\sys\\a.dll.txt~"},
        {"C:\\dir.dll\\file", "C:\\dir.dll\\file~"},
        {"C:\\sys\\noext", "C:\\sys\\noext~"},
        {"C:\\sys\\a.~ll", "C:\\sys\\a.~ll~"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char buffer[PATH_BUFFER_SIZE] = {};
        std::strcpy(buffer, c.path);
        EXPECT_EQ(to_replacement_name(buffer), NAME_SWAPPED);
        EXPECT_STREQ(buffer, c.temporary);
    }
    // A name that fills the buffer has no room for the "~"; an extension swap needs none.
    std::string full = "C:\\" + std::string(PATH_BUFFER_SIZE - 4, 'n');
    char buffer[PATH_BUFFER_SIZE] = {};
    std::strcpy(buffer, full.c_str());
    EXPECT_EQ(to_replacement_name(buffer), NAME_UNCHANGED);
    EXPECT_EQ(std::string(buffer), full);
    std::string full_dll = "C:\\" + std::string(PATH_BUFFER_SIZE - 8, 'n') + ".dll";
    std::strcpy(buffer, full_dll.c_str());
    EXPECT_EQ(to_replacement_name(buffer), NAME_SWAPPED);
    EXPECT_EQ(std::string(buffer), full_dll.substr(0, full_dll.size() - 4) + ".~ll");
    const char* finals[][2] = {
        {"C:\\sys\\Lib.~LL", "C:\\sys\\Lib.dll"},
        {"C:\\sys\\tool.~xe", "C:\\sys\\tool.exe"},
        {"C:\\sys\\read.txt~", "C:\\sys\\read.txt"},
    };
    for (auto& f : finals) {
        std::memset(buffer, 0, sizeof buffer);
        std::strcpy(buffer, f[0]);
        EXPECT_EQ(to_final_name(buffer), NAME_SWAPPED);
        EXPECT_STREQ(buffer, f[1]);
    }
    std::strcpy(buffer, "C:\\sys\\Lib.dll");
    EXPECT_EQ(to_final_name(buffer), NAME_UNCHANGED);
    EXPECT_STREQ(buffer, "C:\\sys\\Lib.dll");
}

// When a file of someone else's has the first temporary name, each later attempt adds its
// mark; the final name comes back from every one of them.
TEST(TemporaryNames, LaterAttemptsAddTheirMarkAndComeBackToTheFinalName) {
    const char* attempts[][3] = {{"C:\\notes.txt", "C:\\notes.txt~", "C:\\notes.txt~#"},
                                 {"C:\\sys\\Lib.DLL", "C:\\sys\\Lib.~ll", "C:\\sys\\Lib.~ll#"},
                                 {"C:\\wow!", "C:\\wow!~", "C:\\wow!~#"}};
    for (auto& a : attempts) {
        for (int attempt : {0, 2}) {
            SCOPED_TRACE(std::string(a[0]) + " attempt " + std::to_string(attempt));
            char buffer[PATH_BUFFER_SIZE] = {};
            std::strcpy(buffer, a[0]);
            EXPECT_EQ(to_replacement_name(buffer, attempt), NAME_SWAPPED);
            EXPECT_STREQ(buffer, a[attempt ? 2 : 1]);
            EXPECT_EQ(to_final_name(buffer), NAME_SWAPPED);
            EXPECT_STREQ(buffer, std::string(a[0]).find(".DLL") != std::string::npos ? "C:\\sys\\Lib.dll" : a[0]);
        }
    }
    // At the longest path the first attempt's "~" fits and a later attempt's mark does not.
    char longest[PATH_BUFFER_SIZE] = {};
    std::memset(longest, 'a', PATH_BUFFER_SIZE - 2);
    EXPECT_EQ(to_replacement_name(longest, 1), NAME_UNCHANGED);
    EXPECT_EQ(to_replacement_name(longest, 0), NAME_SWAPPED);
}
