// Browser detection against a seeded registry and test executables, and the proposed target
// directory.
#include "detect/browsers.h"

#include "tests/support/browser_registry.h"
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

#include <cstring>

namespace {

// Browser executables are 32-bit programs. (Under Wine a 64-bit file named iexplore.exe is
// read as Wine's own built-in one, version 9 or later, whatever its bytes say.)
std::string browser_exe(uint16_t major, uint16_t minor) {
    return make_pe_with_version(major, minor, 0, 0, PeMachine::i386);
}
std::string browser_exe_without_version() { return make_pe(PeMachine::i386); }

}  // namespace

class Detection : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        clear_browser_registry();
    }
    void TearDown() override {
        clear_browser_registry();
        PlatformTest::TearDown();
    }
    // Creates `dir` (below the test folder, one level at a time) and an executable in it;
    // returns the executable's full path.
    std::string install_browser(const std::string& dir, const std::string& exe, const std::string& bytes) {
        std::string at = path("");
        size_t start = 0;
        while (start <= dir.size()) {
            size_t end = dir.find('\\', start);
            if (end == std::string::npos) end = dir.size();
            at += dir.substr(start, end - start) + "\\";
            make_directory(at);
            start = end + 1;
        }
        write_file(at + exe, bytes);
        return at + exe;
    }
};

TEST_F(Detection, ShortNameRegistrationComesOutLongWithTheExeNameAsRegistered) {
    std::string exe = install_browser("Program Files\\Netscape Navigator\\Program", "NETSCAPE.EXE",
                                      browser_exe(4, 5));
    std::string registered = short_path(exe);
    ASSERT_NE(registered, exe);   // the directories really have short names that differ
    register_app_path("netscape.exe", registered);
    detect_browsers();
    EXPECT_EQ(ctx.browser_flags, (unsigned)BROWSER_NETSCAPE);
    EXPECT_STREQ(ctx.netscape_directory, path("Program Files\\Netscape Navigator\\Program").c_str());
    EXPECT_STREQ(ctx.netscape_exe_name, "NETSCAPE.EXE");
    EXPECT_STREQ(ctx.explorer_directory, "");
    EXPECT_STREQ(ctx.explorer_exe_name, "iexplore.exe");
}

TEST_F(Detection, VersionThresholds) {
    struct {
        const char* exe;
        uint16_t major, minor;
        bool found;
    } cases[] = {
        {"iexplore.exe", 4, 70, true}, {"iexplore.exe", 4, 69, false}, {"iexplore.exe", 5, 0, true},
        {"iexplore.exe", 3, 99, false}, {"netscape.exe", 1, 22, false}, {"netscape.exe", 2, 0, true},
        {"netscape.exe", 1, 99, false}, {"netscape.exe", 0, 1, false},
    };
    for (const auto& c : cases) {
        reset_context();
        clear_browser_registry();
        std::string exe = install_browser("B", c.exe, browser_exe(c.major, c.minor));
        register_app_path(c.exe, exe);
        detect_browsers();
        bool explorer = std::strcmp(c.exe, "iexplore.exe") == 0;
        const char* dir = explorer ? ctx.explorer_directory : ctx.netscape_directory;
        unsigned flag = explorer ? BROWSER_EXPLORER : BROWSER_NETSCAPE;
        std::string label = std::string(c.exe) + " " + std::to_string(c.major) + "." + std::to_string(c.minor);
        EXPECT_EQ(ctx.browser_flags, c.found ? flag : 0u) << label;
        EXPECT_STREQ(dir, c.found ? path("B").c_str() : "") << label;
    }
}

TEST_F(Detection, ExecutableWithoutVersionOrMissingCountsAsFound) {
    std::string netscape = install_browser("N", "netscape.exe", browser_exe_without_version());
    register_app_path("netscape.exe", netscape);
    register_app_path("iexplore.exe", path("IE\\iexplore.exe"));   // no such file
    detect_browsers();
    EXPECT_EQ(ctx.browser_flags, (unsigned)(BROWSER_NETSCAPE | BROWSER_EXPLORER));
    EXPECT_STREQ(ctx.netscape_directory, path("N").c_str());
    // The missing directory cannot be listed, so it stays as registered.
    EXPECT_STREQ(ctx.explorer_directory, path("IE").c_str());
}

TEST_F(Detection, AppPathsWinsOverSettingsButCurDirIsStillRead) {
    register_app_path("netscape.exe", install_browser("N", "netscape.exe", browser_exe_without_version()));
    register_app_path("iexplore.exe", install_browser("I", "iexplore.exe", browser_exe_without_version()));
    set_setting("bsr1", path("Other\\Plugins"));
    set_setting("bsr2", path("Other2\\Plugins"));
    set_setting("CurDir", "E:\\Brisvane");
    detect_browsers();
    EXPECT_STREQ(ctx.netscape_directory, path("N").c_str());
    EXPECT_STREQ(ctx.explorer_directory, path("I").c_str());
    read_default_target();
    EXPECT_STREQ(ctx.target_directory, "E:\\Brisvane\\");
}

TEST_F(Detection, SettingsNameTheBrowsersAppPathsDoesNot) {
    std::string nav = install_browser("Nav\\Program", "netscape.exe", browser_exe(3, 0));
    make_directory(path("Nav\\Program\\Plugins"));
    std::string ie = install_browser("IE", "iexplore.exe", browser_exe(4, 72));
    set_setting("bsr1", path("Nav\\Program\\Plugins"));   // the plug-in went into Plugins
    set_setting("bsr2", path("IE"));                      // not selected: the browser's own directory
    detect_browsers();
    EXPECT_EQ(ctx.browser_flags, (unsigned)(BROWSER_NETSCAPE | BROWSER_EXPLORER));
    EXPECT_STREQ(ctx.netscape_directory, path("Nav\\Program").c_str());
    EXPECT_STREQ(ctx.netscape_exe_name, "netscape.exe");
    EXPECT_STREQ(ctx.explorer_directory, path("IE").c_str());
    EXPECT_STREQ(ctx.explorer_exe_name, "iexplore.exe");
}

TEST_F(Detection, SettingsValuesBecomeExecutablePaths) {
    struct { const char* bsr1; const char* directory; } cases[] = {
        {"Q:\\Nav\\Program\\Plugins", "Q:\\Nav\\Program"},
        {"Q:\\Nav\\Program\\plugins\\", "Q:\\Nav\\Program"},
        {"Q:\\Nav\\Program", "Q:\\Nav\\Program"},
        {"Q:\\Nav\\Program\\", "Q:\\Nav\\Program"},
        {"Q:\\Plugins", "Q:"},
    };
    for (const auto& c : cases) {
        reset_context();
        clear_browser_registry();
        set_setting("bsr1", c.bsr1);
        detect_browsers();
        EXPECT_EQ(ctx.browser_flags, (unsigned)BROWSER_NETSCAPE) << c.bsr1;
        EXPECT_STREQ(ctx.netscape_directory, c.directory) << c.bsr1;
        EXPECT_STREQ(ctx.netscape_exe_name, "netscape.exe") << c.bsr1;
    }
}

TEST_F(Detection, OldPublishersKeyIsReadOnlyWhenTheNewOneIsMissing) {
    set_setting("bsr2", "Q:\\Old\\Plugins", true);
    set_setting("CurDir", "Q:\\OldDir", true);
    detect_browsers();
    read_default_target();
    EXPECT_STREQ(ctx.explorer_directory, "Q:\\Old");
    EXPECT_STREQ(ctx.target_directory, "Q:\\OldDir\\");

    reset_context();
    set_setting("CurDir", "Q:\\NewDir");   // the new key exists now, without bsr2
    detect_browsers();
    read_default_target();
    EXPECT_EQ(ctx.browser_flags, 0u);
    EXPECT_STREQ(ctx.explorer_directory, "");
    EXPECT_STREQ(ctx.target_directory, "Q:\\NewDir\\");
}

TEST_F(Detection, WithoutAppPathsNoBrowserIsLookedUp) {
    delete_app_paths_key();
    set_setting("bsr1", "Q:\\Nav\\Plugins");
    set_setting("bsr2", "Q:\\IE\\Plugins");
    detect_browsers();
    EXPECT_EQ(ctx.browser_flags, 0u);
    EXPECT_STREQ(ctx.netscape_directory, "");
    EXPECT_STREQ(ctx.explorer_directory, "");
    EXPECT_STREQ(ctx.netscape_exe_name, "netscape.exe");
}

TEST_F(Detection, QuotedRegistrationIsUnquoted) {
    std::string exe = install_browser("Q Dir", "iexplore.exe", browser_exe_without_version());
    register_app_path("iexplore.exe", "\"" + exe + "\"");
    detect_browsers();
    EXPECT_STREQ(ctx.explorer_directory, path("Q Dir").c_str());
    EXPECT_STREQ(ctx.explorer_exe_name, "iexplore.exe");
}

// Without CurDir the proposal is the system's Program Files folder for this program's kind
// (ProgramFilesDir in its view of the registry: "Program Files (x86)" for a 32-bit program on
// 64-bit Windows), or C:\Program Files when that value cannot serve.
TEST_F(Detection, DefaultTargetIsTheSystemsProgramFilesFolder) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion";
    const std::string saved = registry_string(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir");
    const std::string too_long = "D:\\" + std::string(246, 'p');
    struct { const char* value; std::string expected; } cases[] = {
        {"D:\\Programs (x86)", "D:\\Programs (x86)\\Brisvane\\"},
        {"D:\\Programs\\", "D:\\Programs\\Brisvane\\"},
        {nullptr, "C:\\Program Files\\Brisvane\\"},    // no value
        {"", "C:\\Program Files\\Brisvane\\"},
        {"Programs", "C:\\Program Files\\Brisvane\\"},  // not a full path
        {"\\\\server\\share", "C:\\Program Files\\Brisvane\\"},
        {"D:\\", "C:\\Program Files\\Brisvane\\"},
        {too_long.c_str(), "C:\\Program Files\\Brisvane\\"},   // no room for the name
    };
    HKEY windows;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &windows, nullptr), ERROR_SUCCESS);
    for (const auto& c : cases) {
        reset_context();
        if (c.value) set_registry_string(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir", c.value);
        else RegDeleteValueA(windows, "ProgramFilesDir");
        read_default_target();
        EXPECT_EQ(ctx.target_directory, c.expected) << (c.value ? c.value : "(none)");
    }
    set_registry_string(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir", "D:\\Programs");
    reset_context();
    set_setting("bsr1", "x");   // the settings key exists, CurDir does not
    read_default_target();
    EXPECT_STREQ(ctx.target_directory, "D:\\Programs\\Brisvane\\");

    if (saved == "<missing>") RegDeleteValueA(windows, "ProgramFilesDir");
    else set_registry_string(HKEY_LOCAL_MACHINE, key, "ProgramFilesDir", saved);
    RegCloseKey(windows);
}
