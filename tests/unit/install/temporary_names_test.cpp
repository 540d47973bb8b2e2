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
