// The Web browser(s) page's check of a selected browser: executable, 32-bit signature,
// version, Plugins directory; and what each answer does.
#include "ui/browser_check.h"

#include "common/status.h"
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

#include <cstring>
#include <string>

namespace {

HWND const PAGE = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x403));
const BrowserChoice& NETSCAPE = BROWSER_CHOICES[0];
const BrowserChoice& EXPLORER = BROWSER_CHOICES[1];

// Browser executables are 32-bit programs (under Wine a 64-bit file named iexplore.exe is
// read as Wine's own built-in one).
std::string browser_exe(uint16_t major, uint16_t minor) {
    return make_pe_with_version(major, minor, 0, 0, PeMachine::i386);
}

// An MZ header whose offset at 60 points at `signature`.
std::string exe_with_offset(uint32_t offset, const std::string& tail) {
    std::string b(64, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    for (int i = 0; i < 4; ++i) b[60 + i] = (char)(offset >> (8 * i));
    return b + tail;
}

}  // namespace

class BrowserCheck : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        std::strcpy(ctx.netscape_exe_name, "netscape.exe");
        std::strcpy(ctx.explorer_exe_name, "iexplore.exe");
    }
    // A browser folder below the test folder, with its executable (unless `bytes` is empty)
    // and, when asked, a Plugins directory. Sets the browser's directory to it.
    std::string place(const BrowserChoice& browser, const std::string& bytes, bool plugins) {
        std::string folder = dir() + (browser.flag == BROWSER_NETSCAPE ? "Navigator" : "Explorer");
        make_directory(folder);
        if (!bytes.empty()) write_file(folder + "\\" + browser_exe_name(browser), bytes);
        if (plugins) make_directory(folder + "\\Plugins");
        std::strcpy(browser_directory(browser), folder.c_str());
        return folder;
    }
    static std::vector<std::string> shown() {
        std::vector<std::string> texts;
        for (const RecordedMessageBox& box : test_recorded_message_boxes()) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(BrowserCheck, OnlyAFileWithThePeSignatureIsA32BitProgram) {
    struct Case {
        const char* label;
        std::string bytes;
        bool is_32bit;
    } cases[] = {
        {"i386 PE", make_pe(PeMachine::i386), true},
        {"x86_64 PE", make_pe(PeMachine::x86_64), true},
        {"16-bit NE program", make_16bit_exe(), false},
        {"no executable at all", make_not_pe(), false},
        {"empty", "", false},
        {"ends inside the offset at 60", std::string(62, 'M'), false},
        {"ends before the offset at 60", std::string(59, 'M'), false},
        {"offset points past the end", exe_with_offset(1000, "PE\0\0"), false},
        {"only half the signature", exe_with_offset(64, "P"), false},
        {"signature right at the end", exe_with_offset(64, "PE"), true},
        {"offset beyond any file", exe_with_offset(0xFFFFFFFF, "PE"), false},
        {"offset back to the start", exe_with_offset(0, ""), false},
    };
    for (const Case& c : cases) {
        std::string file = path("probe.exe");
        write_file(file, c.bytes);
        EXPECT_EQ(is_32bit_executable(file.c_str()), c.is_32bit) << c.label;
    }
    EXPECT_FALSE(is_32bit_executable(path("missing.exe").c_str()));
}

TEST_F(BrowserCheck, AcceptedBrowserLeavesItsDirectoryAndEntersItsPlugins) {
    std::string folder = place(NETSCAPE, browser_exe(4, 5), true);
    EXPECT_TRUE(check_browser(PAGE, NETSCAPE));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(std::string(ctx.netscape_directory), folder);
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STRCASEEQ(current, (folder + "\\Plugins").c_str());
    // Without a version resource there is nothing to ask either.
    place(NETSCAPE, make_pe(PeMachine::i386), true);
    EXPECT_TRUE(check_browser(PAGE, NETSCAPE));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(BrowserCheck, ANon32BitExecutableIsRefusedBeforeAnyQuestion) {
    for (const BrowserChoice* browser : {&NETSCAPE, &EXPLORER}) {
        for (const std::string& bytes : {make_16bit_exe(), make_not_pe(), std::string(61, 'M')}) {
            std::string folder = place(*browser, bytes, false);   // no Plugins: that would be next
            test_reset_platform();
            EXPECT_FALSE(check_browser(PAGE, *browser));
            ASSERT_EQ(shown().size(), 1u);
            EXPECT_EQ(shown()[0], "The 32 bit version of Brisvane! doesn't work with a 16 bit Web browser. "
                                  "Please select another directory.");
            EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_STOP_OK);
            EXPECT_EQ(test_recorded_message_boxes()[0].owner, PAGE);
            EXPECT_EQ(std::string(browser_directory(*browser)), folder);
        }
    }
}

TEST_F(BrowserCheck, QuestionsGoOnOnlyWithYes) {
    struct Case {
        const char* label;
        const BrowserChoice* browser;
        std::string bytes;   // empty: no executable
        const char* question;
    } cases[] = {
        {"Navigator missing", &NETSCAPE, "",
         "This program didn't find Netscape Navigator at the specified location. Do you want to continue?"},
        {"Explorer missing", &EXPLORER, "",
         "This program didn't find Microsoft Internet Explorer at the specified location. Do you want to continue?"},
        {"Navigator 1.22", &NETSCAPE, browser_exe(1, 22),
         "Brisvane! may not work with this version of Netscape Navigator. Do you want to continue?"},
        {"Explorer 1.5", &EXPLORER, browser_exe(1, 5),
         "Brisvane! may not work with this version of Microsoft Internet Explorer. Do you want to continue?"},
    };
    for (const Case& c : cases) {
        std::string folder = place(*c.browser, c.bytes, true);
        for (int answer : {IDNO, IDYES}) {
            test_reset_platform();
            test_script_message_boxes({answer});
            EXPECT_EQ(check_browser(PAGE, *c.browser), answer == IDYES) << c.label;
            ASSERT_EQ(shown().size(), 1u) << c.label;
            EXPECT_EQ(shown()[0], c.question);
            EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_QUESTION_YES_NO);
            EXPECT_EQ(std::string(browser_directory(*c.browser)), folder) << c.label;
        }
    }
}

TEST_F(BrowserCheck, AMissingPluginsDirectoryIsRefusedEvenAfterYes) {
    std::string folder = place(NETSCAPE, browser_exe(4, 0), false);
    EXPECT_FALSE(check_browser(PAGE, NETSCAPE));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Cannot find the Plugins directory in the directory of Netscape Navigator. "
                          "Please select another directory.");
    EXPECT_EQ(test_recorded_message_boxes()[0].style, (UINT)BOX_STOP_OK);
    EXPECT_EQ(std::string(ctx.netscape_directory), folder);

    place(EXPLORER, "", false);
    test_reset_platform();
    test_script_message_boxes({IDYES});
    EXPECT_FALSE(check_browser(PAGE, EXPLORER));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[1], "Cannot find the Plugins directory in the directory of Microsoft Internet Explorer. "
                          "Please select another directory.");
}

TEST_F(BrowserCheck, AnEmptyDirectoryMeansTheCurrentOne) {
    std::string folder = place(NETSCAPE, browser_exe(4, 0), true);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    ctx.netscape_directory[0] = 0;
    EXPECT_TRUE(check_browser(PAGE, NETSCAPE));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_STREQ(ctx.netscape_directory, "");
}
