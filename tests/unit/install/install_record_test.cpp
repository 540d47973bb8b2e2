// The install record a successful run leaves in its uninstall record: what it lists, what it
// leaves out, how a repair and an upgrade merge with the record already there, and the use
// counts of shared files.
#include "tests/unit/install/install_fixture.h"

#include "common/install_record.h"
#include "install/install_sequence.h"
#include "platform/host/host_control.h"
#include "tests/support/make_pe.h"

#include <algorithm>
#include <cstring>

namespace {

std::vector<std::string> split_strings(const std::vector<char>& data) {
    std::vector<std::string> strings;
    for (size_t at = 0; at < data.size() && data[at];) {
        std::string s(&data[at]);
        at += s.size() + 1;
        strings.push_back(s);
    }
    return strings;
}

std::vector<char> join_strings(const std::vector<std::string>& strings) {
    std::vector<char> data;
    for (const auto& s : strings) data.insert(data.end(), s.c_str(), s.c_str() + s.size() + 1);
    data.push_back(0);
    return data;
}

class InstallRecord : public WholeRunTest {
protected:
    void load_sample_package() { load_release_like_package("docs\\ReadMe.txt"); }
    // One more run of the same package, as a repair or an upgrade finds the machine.
    void run_again() {
        start_next_run();
        load_sample_package();
        ASSERT_EQ(run_install_steps(PAGE), 0);
    }
    std::vector<char> record_data(DWORD* type = nullptr) {
        std::vector<char> data;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL, 0, KEY_READ, &key) != ERROR_SUCCESS) return data;
        DWORD size = 0, value_type = 0;
        if (RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &value_type, nullptr, &size) == ERROR_SUCCESS) {
            data.resize(size);
            RegQueryValueExA(key, INSTALL_RECORD_VALUE, nullptr, &value_type, reinterpret_cast<BYTE*>(data.data()),
                             &size);
        }
        if (type) *type = value_type;
        RegCloseKey(key);
        return data;
    }
    std::vector<std::string> record() { return split_strings(record_data()); }
    void set_record(DWORD type, const std::vector<char>& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, INSTALL_RECORD_VALUE, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       (DWORD)data.size());
        RegCloseKey(key);
    }
    // The use count of `file`, or -1 when it has none.
    long use_count(const std::string& file) { return registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, file); }
    static bool has(const std::vector<std::string>& strings, const std::string& s) {
        return std::find(strings.begin(), strings.end(), s) != strings.end();
    }
    // The plug-in copy entries for `path`, stamps stripped.
    static int plugin_copies(const std::vector<std::string>& strings, const std::string& path) {
        int n = 0;
        for (const auto& s : strings)
            if (s.size() > 1u + RECORD_STAMP_DIGITS && s[0] == RECORD_PLUGIN_COPY &&
                s.substr(1 + RECORD_STAMP_DIGITS) == path)
                ++n;
        return n;
    }
    std::vector<std::string> expected_entries() {
        return {"S" + path("sys\\Shared.dll"), "F" + target() + "player.dll", "F" + target() + "docs\\ReadMe.txt",
                "T" + target(), "B" + netscape_plugins(), "B" + explorer_plugins(),
                "R" + std::string(SETTINGS)};
    }
};

}  // namespace

TEST_F(InstallRecord, ListsEveryFileTheRunPlacedAndEndsWithTheCount) {
    load_sample_package();
    write_file(path("sys\\Shared.dll"), "older shared copy");   // replaced through the commit
    ASSERT_EQ(run_install_steps(PAGE), 0);

    DWORD type = 0;
    std::vector<char> data = record_data(&type);
    EXPECT_EQ(type, (DWORD)REG_MULTI_SZ);
    std::vector<std::string> strings = split_strings(data);
    ASSERT_GE(strings.size(), 2u);
    EXPECT_EQ(strings.front(), INSTALL_RECORD_TAG);
    EXPECT_EQ(strings.back(), "E" + std::to_string(strings.size() - 2));
    for (const auto& entry : expected_entries()) EXPECT_TRUE(has(strings, entry)) << entry;
    // The plug-in module in both Plugins folders, stamped with its size (6 bytes).
    EXPECT_EQ(plugin_copies(strings, netscape_plugins() + "nptnf32.dll"), 1);
    EXPECT_EQ(plugin_copies(strings, explorer_plugins() + "nptnf32.dll"), 1);
    for (const auto& s : strings) {
        if (s[0] == RECORD_PLUGIN_COPY) {
            EXPECT_EQ(s.substr(1, 8), "00000006") << s;
        }
    }
    // Nothing the run did not write: neither the logo nor a temporary name.
    for (const auto& s : strings) {
        EXPECT_EQ(s.find("logo.bmp"), std::string::npos) << s;
        EXPECT_EQ(s.find(".~"), std::string::npos) << s;
    }
    EXPECT_EQ(strings.size(), expected_entries().size() + 4);   // tag, two plug-in copies, end
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), 1);

    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "InstallLocation"), path("target"));
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "QuietUninstallString"),
              "\"" + target() + "NpU32.exe\" /S");
    EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "Publisher"), "Quendlark");
}

TEST_F(InstallRecord, FilesKeptBecauseTheInstalledCopyIsNewerAreNotListedButSharedOnesAreCounted) {
    load_sample_package();
    write_file(target() + "player.dll", make_pe_with_version(3, 0, 0, 0));
    write_file(explorer_plugins() + "nptnf32.dll", make_pe_with_version(3, 0, 0, 0));
    write_file(path("sys\\Shared.dll"), make_pe_with_version(3, 0, 0, 0));
    test_script_ver_find_file({{0, path("sys"), path("sys")}});   // the service finds the newer copy
    ASSERT_EQ(run_install_steps(PAGE), 0);

    std::vector<std::string> strings = record();
    EXPECT_FALSE(has(strings, "F" + target() + "player.dll"));
    EXPECT_EQ(plugin_copies(strings, explorer_plugins() + "nptnf32.dll"), 0);
    EXPECT_EQ(plugin_copies(strings, netscape_plugins() + "nptnf32.dll"), 1);
    // The shared file kept where it belongs is used by this installation all the same: it is
    // listed, and its use is counted, as if the run had written it.
    EXPECT_TRUE(has(strings, "S" + path("sys\\Shared.dll")));
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), 1);
}

TEST_F(InstallRecord, ARepairKeepsTheRecordAndRaisesNoUseCountAgain) {
    load_sample_package();
    ASSERT_EQ(run_install_steps(PAGE), 0);
    std::vector<std::string> first = record();
    run_again();
    std::vector<std::string> second = record();
    for (const auto& s : expected_entries()) EXPECT_TRUE(has(second, s)) << s;
    EXPECT_EQ(second.back(), "E" + std::to_string(second.size() - 2));
    // The plug-in copies were written again, with new stamps: each is listed once, with the
    // stamp of the copy now there, so the record is as long as it was.
    EXPECT_EQ(plugin_copies(second, netscape_plugins() + "nptnf32.dll"), 1);
    EXPECT_EQ(plugin_copies(second, explorer_plugins() + "nptnf32.dll"), 1);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), 1);
    // Another program's use of the same file was counted by its own installer and stays.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD two = 2;
    RegSetValueExA(key, path("sys\\Shared.dll").c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two);
    RegCloseKey(key);
    run_again();
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), 2);
}

TEST_F(InstallRecord, AnUpgradeKeepsTheEarlierInstallationsEntries) {
    // The earlier version placed a file this one no longer has, and counted its shared file.
    const std::string old_file = "F" + target() + "retired.dll";
    set_record(REG_MULTI_SZ, join_strings({INSTALL_RECORD_TAG, old_file, "S" + path("sys\\Shared.dll"), "E2"}));
    load_sample_package();
    ASSERT_EQ(run_install_steps(PAGE), 0);
    std::vector<std::string> strings = record();
    EXPECT_TRUE(has(strings, old_file));
    for (const auto& s : expected_entries()) EXPECT_TRUE(has(strings, s)) << s;
    EXPECT_EQ(std::count(strings.begin(), strings.end(), "S" + path("sys\\Shared.dll")), 1);
    EXPECT_EQ(strings.back(), "E" + std::to_string(strings.size() - 2));
    // Counted when the earlier record listed it; this installation adds no use.
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), -1);
}

TEST_F(InstallRecord, AnEarlierRecordThatIsNotSoundIsReplacedNotMerged) {
    const std::string old_file = "F" + target() + "retired.dll";
    struct Case {
        const char* label;
        DWORD type;
        std::vector<char> data;
    };
    std::vector<char> cut = join_strings({INSTALL_RECORD_TAG, old_file, "E1"});
    cut.resize(cut.size() - 5);   // cut inside its last string: no end, no closing empty string
    const Case cases[] = {
        {"not a string list", REG_SZ, join_strings({INSTALL_RECORD_TAG, old_file, "E1"})},
        {"another form", REG_MULTI_SZ, join_strings({"Some other record 7", old_file, "E1"})},
        {"no end", REG_MULTI_SZ, join_strings({INSTALL_RECORD_TAG, old_file})},
        {"cut short", REG_MULTI_SZ, cut},
        // What the uninstaller refuses whole is not merged either: one record check.
        {"a wrong count", REG_MULTI_SZ, join_strings({INSTALL_RECORD_TAG, old_file, "E2"})},
        {"an entry of an unknown kind", REG_MULTI_SZ,
         join_strings({INSTALL_RECORD_TAG, old_file, "X" + target() + "odd.dll", "E2"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        set_record(c.type, c.data);
        run_again();
        std::vector<std::string> strings = record();
        EXPECT_FALSE(has(strings, old_file));
        for (const auto& s : expected_entries()) EXPECT_TRUE(has(strings, s)) << s;
        EXPECT_EQ(strings.back(), "E" + std::to_string(strings.size() - 2));
        // The record written is one the uninstaller takes.
        DWORD count = 0;
        std::vector<char> data = record_data();
        EXPECT_TRUE(install_record_form(data.data(), (DWORD)data.size(), count));
    }
}

TEST_F(InstallRecord, AFailedRunLeavesTheEarlierRecordAsItWas) {
    std::vector<char> earlier = join_strings({INSTALL_RECORD_TAG, "F" + target() + "retired.dll", "E1"});
    set_record(REG_MULTI_SZ, earlier);
    load_sample_package();
    host_stop_at_poll(3);
    EXPECT_EQ(run_install_steps(PAGE), -1);
    host_stop_at_poll(0);
    EXPECT_EQ(record_data(), earlier);
    EXPECT_EQ(use_count(path("sys\\Shared.dll")), -1);
}
