// Every form a target folder may be entered in, through everything that takes it: the
// Directory page's check, /D= of a silent run, the install record the run writes and the
// uninstaller that reads it. A form is either taken into the one form (and then everything
// downstream takes it and the uninstall removes every file) or refused where it is entered.
#include "tests/unit/uninstall/lifecycle_fixture.h"

#include "common/command_line.h"
#include "common/status.h"
#include "ui/directory_check.h"
#include "uninstall/uninstall_ids.h"

#include <cstring>

namespace {

HWND const PAGE = reinterpret_cast<HWND>(0x40A);

struct Form {
    const char* label;
    const char* entry;   // %D: the test's folder (C:\bvtest), %d: the same with forward
                         // slashes, %W: the Windows folder, %P: the shell's Program Files
                         // folder, %S: the short name of "%D\Long folder name", %L: a name
                         // of 240 characters
    int refusal;         // 0, or the message that refuses it
    const char* form;    // the one form, when taken
};

const Form FORMS[] = {
    {"normal", "%D\\Apps\\B", 0, "%D\\Apps\\B\\"},
    {"forward slashes", "%d/Apps/B", 0, "%D\\Apps\\B\\"},
    {"a .. part", "%D\\Apps\\..\\B", 0, "%D\\B\\"},
    {"a doubled separator", "%D\\Apps\\\\B", 0, "%D\\Apps\\B\\"},
    {"a . part, a trailing dot and blank", "%D\\.\\Apps\\B. ", 0, "%D\\Apps\\B\\"},
    {"a lower-case drive", "c:\\bvtest\\Apps\\B", 0, "%D\\Apps\\B\\"},
    {"a short name", "%S\\B", 0, "%D\\Long folder name\\B\\"},
    {"relative to the drive's current folder", "C:bvtest\\B", MSG_INVALID_DIRECTORY, ""},
    {"a network path", "\\\\server\\share\\B", MSG_INVALID_DIRECTORY, ""},
    {"a drive root", "C:\\", MSG_INVALID_DIRECTORY, ""},
    {"above the drive root", "C:\\..\\B", MSG_INVALID_DIRECTORY, ""},
    {"a folder inside the Windows folder", "%W\\Brisvane", MSG_INVALID_DIRECTORY, ""},
    {"the Program Files folder itself", "%P", MSG_INVALID_DIRECTORY, ""},
    {"too long for the files", "%D\\%L",
     MSG_DIRECTORY_TOO_LONG, ""},
};

class TargetForms : public LifecycleTest, public ::testing::WithParamInterface<Form> {
protected:
    static std::string without_backslash(const std::string& folder) { return folder.substr(0, folder.size() - 1); }
    std::string expand(const char* text) {
        std::string base = dir().substr(0, dir().size() - 1), out;
        for (const char* p = text; *p; ++p) {
            if (*p != '%') {
                out += *p;
                continue;
            }
            switch (*++p) {
            case 'D': out += base; break;
            case 'd':
                for (char c : base) out += c == '\\' ? '/' : c;
                break;
            case 'W': out += without_backslash(folders.path[FOLDER_WINDOWS]); break;
            case 'P': out += without_backslash(folders.path[FOLDER_PROGRAM_FILES]); break;
            case 'L': out += std::string(240, 'X'); break;
            case 'S': {
                make_directory(path("Long folder name"));
                char short_name[MAX_PATH] = {};
                GetShortPathNameA(path("Long folder name").c_str(), short_name, sizeof short_name);
                out += short_name;
                break;
            }
            }
        }
        return out;
    }
    // What the test's folder holds.
    std::vector<std::string> listing() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(path("*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }
    // The Directory page's check of `entry`: Yes to creating the folder.
    bool page_check(const std::string& entry) {
        std::memset(ctx.target_directory, 0, PATH_BUFFER_SIZE);
        std::strcpy(ctx.target_directory, entry.c_str());
        test_script_message_boxes({IDYES});
        return check_target_directory(PAGE);
    }
};

void PrintTo(const Form& f, std::ostream* os) { *os << f.label; }

std::string name_of(const ::testing::TestParamInfo<Form>& info) {
    std::string name;
    for (const char* p = info.param.label; *p; ++p)
        if (std::isalnum((unsigned char)*p)) name += *p;
    return name;
}

}  // namespace

TEST_P(TargetForms, TakenIntoOneFormEverywhereOrRefusedWhereEntered) {
    const Form& f = GetParam();
    const std::string entry = expand(f.entry), form = expand(f.form);
    SCOPED_TRACE(entry);

    // The Directory page: refused with its message, before anything is made; or taken.
    const std::vector<std::string> before = listing();
    bool taken = page_check(entry);
    EXPECT_EQ(taken, f.refusal == 0);
    if (f.refusal) {
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
        char text[512];
        LoadStringA(ctx.instance, (UINT)f.refusal, text, sizeof text);
        EXPECT_EQ(test_recorded_message_boxes()[0].text, text);
        EXPECT_EQ(listing(), before);
    } else {
        EXPECT_EQ(ctx.target_directory, form);
    }
    remove_created_directory();

    // /D= of a silent run: the same answer, with no box.
    CommandLine command;
    parse_command_line(("/S /D=" + entry).c_str(), command);
    EXPECT_EQ(command.directory_refusal, 0);
    test_reset_platform();
    ctx.silent = true;
    ctx.last_message = 0;
    std::memset(ctx.target_directory, 0, PATH_BUFFER_SIZE);
    std::strcpy(ctx.target_directory, command.directory);
    EXPECT_EQ(check_target_directory(nullptr), f.refusal == 0);
    ctx.silent = false;
    EXPECT_TRUE(test_recorded_message_boxes().empty());
    EXPECT_EQ(ctx.last_message, f.refusal);
    if (f.refusal) return;
    EXPECT_EQ(ctx.target_directory, form);

    // The install record names the folder in that form, and every file inside it.
    ASSERT_EQ(install(form), 0);
    int files = 0;
    bool target_listed = false;
    for (const std::string& s : record_strings()) {
        target_listed |= s == "T" + form;
        if (s[0] == RECORD_FILE) {
            EXPECT_EQ(s.compare(1, form.size(), form), 0) << s;
            ++files;
        }
    }
    EXPECT_TRUE(target_listed);
    EXPECT_EQ(files, 2);

    // The uninstaller takes every entry and removes every file, the folder and the key.
    RemovalReport report{};
    EXPECT_EQ(uninstall(FIRST_PRODUCT, true, &report), UEXIT_REMOVED);
    EXPECT_EQ(report.failed, 0);
    EXPECT_FALSE(report.record_key_kept);
    EXPECT_FALSE(directory_exists(form));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(FIRST_PRODUCT)));
}

INSTANTIATE_TEST_SUITE_P(EveryForm, TargetForms, ::testing::ValuesIn(FORMS), name_of);
