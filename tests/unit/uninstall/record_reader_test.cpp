// Reading the install record: the value's form (a damaged one gives nothing at all) and the
// path checks (a hostile entry is left out and counted, the rest of the record stays usable).
#include "tests/unit/uninstall/uninstall_fixture.h"

#include "detect/browsers.h"

#include <cstring>

namespace {

std::vector<std::string> accepted(const InstallRecord& r) {
    std::vector<std::string> out;
    for (int i = 0; i < r.count; ++i) out.push_back(std::string(1, r.entries[i].kind) + r.entries[i].path);
    return out;
}

class RecordReader : public UninstallTest {};

}  // namespace

TEST_F(RecordReader, GoodRecordGivesEveryEntryFoldersFirst) {
    std::vector<std::string> entries = {
        "F" + target() + "bvdraw32.dll",   // before its folder: still checked against it
        "T" + target(),
        "F" + target() + "sub\\bvnet32.dll",
        "B" + plugins(),
        "P00000007" "01D2A3B4" "C0FFEE00" + plugins() + "NPTNF32.DLL",
        "G" + group(),
        "L" + group() + "Brisvane!.lnk",
        "S" + system_dir() + "bvrt32.dll",
        "S" + std::string(folders.path[FOLDER_WINDOWS]) + "bvsnd32.dll",
        "S" + target() + "bvtext32.ocx",
        // Shared files that are no libraries are counted and released like any other.
        "S" + system_dir() + "bvhelp.hlp",
        "U" + system_dir() + "bvtypes.tlb",
        std::string("R") + SETTINGS_KEY,
    };
    write_record(entries);
    InstallRecord r;
    ASSERT_EQ(read_record(r), RECORD_READ);
    EXPECT_EQ(r.refused, 0);
    EXPECT_EQ(accepted(r), (std::vector<std::string>{
        "T" + target(), "B" + plugins(), "G" + group(),
        "F" + target() + "bvdraw32.dll", "F" + target() + "sub\\bvnet32.dll",
        "P" + plugins() + "NPTNF32.DLL", "L" + group() + "Brisvane!.lnk",
        "S" + system_dir() + "bvrt32.dll", "S" + std::string(folders.path[FOLDER_WINDOWS]) + "bvsnd32.dll",
        "S" + target() + "bvtext32.ocx", "S" + system_dir() + "bvhelp.hlp", "U" + system_dir() + "bvtypes.tlb",
        std::string("R") + SETTINGS_KEY}));
    const RecordEntry& copy = r.entries[5];
    EXPECT_EQ(copy.stamp_size, 7u);
    EXPECT_EQ(copy.stamp_high, 0x01D2A3B4u);
    EXPECT_EQ(copy.stamp_low, 0xC0FFEE00u);
    free_install_record(r);
}

TEST_F(RecordReader, MissingRecordIsToldApartFromDamage) {
    InstallRecord r;
    EXPECT_EQ(read_record(r), RECORD_MISSING);   // no uninstall key
    free_install_record(r);
    set_registry_string(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", "Brisvane!");
    EXPECT_EQ(read_record(r), RECORD_MISSING);   // a key without the value
    free_install_record(r);
}

TEST_F(RecordReader, DamagedFormsGiveNothing) {
    const std::string tag = INSTALL_RECORD_TAG;
    const std::string t = "T" + target(), f = "F" + target() + "a.dll";
    const std::string z(1, '\0');
    struct Case {
        const char* label;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {
        {"text value, not a list", REG_SZ, tag + z},
        {"binary value", REG_BINARY, tag + z + t + z + "E1" + z + z},
        {"no tag", REG_MULTI_SZ, t + z + "E1" + z + z},
        {"another tag", REG_MULTI_SZ, "Brisvane install record 2" + z + t + z + "E1" + z + z},
        {"count too high", REG_MULTI_SZ, tag + z + t + z + f + z + "E3" + z + z},
        {"count too low", REG_MULTI_SZ, tag + z + t + z + f + z + "E1" + z + z},
        {"count not a number", REG_MULTI_SZ, tag + z + t + z + "E1x" + z + z},
        {"count missing", REG_MULTI_SZ, tag + z + t + z + "E" + z + z},
        {"no end string", REG_MULTI_SZ, tag + z + t + z + f + z + z},
        {"no double zero", REG_MULTI_SZ, tag + z + t + z + "E1" + z},
        {"no zero at all", REG_MULTI_SZ, tag + z + t + z + "E1"},
        {"cut in an entry", REG_MULTI_SZ, tag + z + t.substr(0, 5)},
        {"empty entry", REG_MULTI_SZ, tag + z + t + z + z + f + z + "E2" + z + z},
        {"entries after the end", REG_MULTI_SZ, tag + z + t + z + "E1" + z + f + z + z},
        {"unknown kind", REG_MULTI_SZ, tag + z + t + z + "X" + target() + "a.dll" + z + "E2" + z + z},
        {"kind without a path", REG_MULTI_SZ, tag + z + t + z + "F" + z + "E2" + z + z},
        {"stamp not hexadecimal", REG_MULTI_SZ,
         tag + z + "B" + plugins() + z + "P0000000701D2A3B4C0FFEE0g" + plugins() + "nptnf32.dll" + z + "E2" + z + z},
        {"stamp too short", REG_MULTI_SZ, tag + z + "B" + plugins() + z + "P00000007" + z + "E2" + z + z},
        {"empty value", REG_MULTI_SZ, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        write_record_value(c.type, c.data);
        InstallRecord r;
        EXPECT_EQ(read_record(r), RECORD_DAMAGED);
        EXPECT_EQ(r.count, 0);
        free_install_record(r);
    }
}

TEST_F(RecordReader, HostileEntriesAreLeftOutAndCounted) {
    const std::string windows = folders.path[FOLDER_WINDOWS];
    struct Case {
        const char* label;
        std::vector<std::string> extra;   // added to a record of T, B and G
        int refused;
    };
    const Case cases[] = {
        {"file going up with ..", {"F" + target() + "..\\..\\boot.ini"}, 1},
        {"file with a . component", {"F" + target() + ".\\a.dll"}, 1},
        {"file outside every target folder", {"F" + path("elsewhere\\a.dll")}, 1},
        {"file on another drive", {"FD:\\app\\a.dll"}, 1},
        {"relative file", {"Fapp\\a.dll"}, 1},
        {"file with a forward slash", {"F" + target() + "sub/a.dll"}, 1},
        {"file with a doubled backslash", {"F" + target() + "sub\\\\a.dll"}, 1},
        {"file with a colon after the drive", {"F" + target() + "a.dll:stream"}, 1},
        {"file with a wildcard", {"F" + target() + "*.dll"}, 1},
        {"component ending in a dot", {"F" + target() + "sub.\\a.dll"}, 1},
        {"component ending in a blank", {"F" + target() + "a.dll "}, 1},
        {"file named like a folder", {"F" + target() + "sub\\"}, 1},
        {"file named as a device", {"F" + target() + "nul.txt"}, 1},
        {"folder named as a device, with its file", {"T" + path("Apps\\COM1\\"), "F" + path("Apps\\COM1\\a.dll")}, 2},
        {"file that is the target folder", {"F" + target().substr(0, target().size() - 1)}, 1},
        {"target folder is a drive root, with its file", {"TC:\\", "FC:\\a.dll"}, 2},
        {"target folder is the Windows folder, with its file", {"T" + windows, "F" + windows + "a.dll"}, 2},
        {"target folder inside the Windows folder", {"T" + windows + "Brisvane\\"}, 1},
        {"target folder is the system folder", {"T" + system_dir()}, 1},
        {"target folder holds the system folder", {"T" + path("")}, 1},
        {"target folder is Program Files", {"T" + path("Program Files\\")}, 1},
        {"target folder is the Programs folder", {"T" + programs()}, 1},
        {"target folder without a backslash", {"T" + path("other")}, 1},
        {"plug-in copy not named as the module", {"P000000070000000000000000" + plugins() + "evil.dll"}, 1},
        {"plug-in copy outside the Plugins folders",
         {"P000000070000000000000000" + target() + "nptnf32.dll"}, 1},
        {"plug-in copy below a Plugins folder",
         {"P000000070000000000000000" + plugins() + "sub\\nptnf32.dll"}, 1},
        {"browser folder not named Plugins, with its copy",
         {"B" + path("browser\\"), "P000000070000000000000000" + path("browser\\nptnf32.dll")}, 2},
        {"shortcut outside the group", {"L" + programs() + "Other.lnk"}, 1},
        {"shortcut that is no shortcut", {"L" + group() + "a.exe"}, 1},
        {"group folder outside the Programs folders, with its shortcut",
         {"G" + path("menu\\"), "L" + path("menu\\a.lnk")}, 2},
        {"group folder that is the Programs folder itself", {"G" + programs()}, 1},
        {"target folder is the other Program Files", {"T" + path("Program Files (x86)\\")}, 1},
        {"target folder is the users' folder", {"T" + path("Users\\")}, 1},
        {"target folder is all users' data", {"T" + path("ProgramData\\")}, 1},
        {"target folder is Program Files by its short name", {"T" + short_name(path("Program Files")) + "\\"}, 1},
        {"target folder in the Windows folder by its short name",
         {"T" + short_name(windows.substr(0, windows.size() - 1)) + "\\Brisvane\\"}, 1},
        {"released shared file elsewhere", {"U" + path("elsewhere\\a.dll")}, 1},
        {"shared file below the system folder", {"S" + system_dir() + "drivers\\a.dll"}, 1},
        {"shared file elsewhere", {"S" + path("elsewhere\\a.dll")}, 1},
        {"another user key", {"RSoftware\\Microsoft\\Windows"}, 1},
        {"the settings key's parent", {"RSoftware\\Quendlark"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<std::string> entries = {"T" + target(), "B" + plugins(), "G" + group()};
        entries.insert(entries.end(), c.extra.begin(), c.extra.end());
        write_record(entries);
        InstallRecord r;
        ASSERT_EQ(read_record(r), RECORD_READ);
        EXPECT_EQ(r.refused, c.refused);
        EXPECT_EQ(accepted(r), (std::vector<std::string>{"T" + target(), "B" + plugins(), "G" + group()}));
        free_install_record(r);
    }
}
