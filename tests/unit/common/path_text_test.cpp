// Text operations on names and paths: case folding, prefixes, depth, components, extensions
// and the bounded joins.
#include "common/path_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(PathText, NamesCompareWithoutRegardToAsciiCaseOnly) {
    struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"ReadMe.TXT", "readme.txt", true},
        {"", "", true},
        {"a", "", false},
        {"", "a", false},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"[x]", "{x}", false},            // 0x5B/0x7B: only A to Z fold
        {"\xC4.dll", "\xE4.dll", false},  // bytes past ASCII compare as they are
    };
    for (const auto& c : cases) {
        EXPECT_EQ(same_name(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(same_name(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
    EXPECT_EQ(ascii_lower('A'), 'a');
    EXPECT_EQ(ascii_lower('Z'), 'z');
    EXPECT_EQ(ascii_lower('@'), '@');
    EXPECT_EQ(ascii_lower('['), '[');
    EXPECT_EQ(ascii_lower('\xC4'), '\xC4');
}

TEST(PathText, AfterPrefixGivesTheRestOrNull) {
    const char* text = "/_CleanUp=12";
    EXPECT_EQ(after_prefix(text, "/_cleanup="), text + 10);
    EXPECT_EQ(after_prefix(text, ""), text);
    EXPECT_EQ(after_prefix(text, text), text + std::strlen(text));
    EXPECT_EQ(after_prefix("/_clean", "/_cleanup="), nullptr);   // the text ends first
    EXPECT_EQ(after_prefix("/_cleanXp=1", "/_cleanup="), nullptr);
    EXPECT_STREQ(after_prefix("C:\\PROGRAM FILES\\x", "c:\\program files\\"), "x");
    EXPECT_EQ(after_prefix("C:\\Program Filesx", "c:\\program files\\"), nullptr);
}

TEST(PathText, DepthComponentAndExtension) {
    EXPECT_EQ(path_depth(""), 0);
    EXPECT_EQ(path_depth("C:\\"), 1);
    EXPECT_EQ(path_depth("C:\\a\\"), 2);
    EXPECT_EQ(path_depth("C:\\a\\b.txt"), 2);
    EXPECT_EQ(path_depth("\\\\server\\share\\"), 4);

    EXPECT_STREQ(last_component("C:\\dir\\file.dll"), "file.dll");
    EXPECT_STREQ(last_component("file.dll"), "file.dll");
    EXPECT_STREQ(last_component("C:\\dir\\"), "");

    EXPECT_STREQ(name_extension("C:\\dir\\a.b.DLL"), ".DLL");
    EXPECT_EQ(name_extension("C:\\dir.old\\file"), nullptr);   // a dot in a folder name does not count
    EXPECT_STREQ(name_extension("C:\\dir\\file."), ".");
    EXPECT_TRUE(has_extension("C:\\dir\\npanim.COX", ".cox"));
    EXPECT_FALSE(has_extension("C:\\dir.cox\\npanim", ".cox"));
    EXPECT_FALSE(has_extension("C:\\dir\\npanim.coxx", ".cox"));
}

TEST(PathText, JoinsThatDoNotFitLeaveNoCutPath) {
    char out[PATH_BUFFER_SIZE];
    ASSERT_TRUE(join_path(out, "C:\\dir\\", "file.dll"));
    EXPECT_STREQ(out, "C:\\dir\\file.dll");
    // 259 characters and the terminator fill the buffer exactly; one more does not fit.
    std::string first = "C:\\" + std::string(250, 'd') + "\\";
    ASSERT_TRUE(join_path(out, first.c_str(), "abcde"));
    EXPECT_EQ(std::strlen(out), (size_t)PATH_BUFFER_SIZE - 1);
    EXPECT_FALSE(join_path(out, first.c_str(), "abcdef"));
    EXPECT_STREQ(out, "");

    char small[8] = "abc";
    EXPECT_TRUE(append_text(small, sizeof small, "defg"));   // 7 characters and the terminator
    EXPECT_STREQ(small, "abcdefg");
    EXPECT_FALSE(append_text(small, sizeof small, "h"));
    EXPECT_STREQ(small, "abcdefg");                          // unchanged
}
