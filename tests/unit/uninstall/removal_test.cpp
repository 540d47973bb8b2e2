// The removal rules on a typical install: what goes, what stays (the user's files with their
// folders, a changed plug-in module, shared files still counted), and the registry records.
#include "tests/unit/uninstall/uninstall_fixture.h"

#include "common/status.h"
#include "detect/browsers.h"

namespace {

class Removal : public UninstallTest {};

}  // namespace

TEST_F(Removal, RemovesWhatTheInstallPlacedAndNothingElse) {
    write_record(install_layout());
    write_file(group() + "..\\Other program.lnk", "not ours");
    set_registry_string(HKEY_CURRENT_USER, "Software\\Quendlark\\Brisvane\\Main", "CurDir", target());
    set_registry_string(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", "Brisvane!");

    RemovalReport r = remove(true);

    EXPECT_EQ(r.removed, 7);   // 4 target files, the plug-in copy, 2 shortcuts
    EXPECT_EQ(r.at_restart, 0);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.kept_folder, std::string());
    EXPECT_FALSE(directory_exists(target()));
    EXPECT_FALSE(file_exists(plugins() + "nptnf32.dll"));
    EXPECT_TRUE(directory_exists(plugins()));   // the browser's folder stays
    EXPECT_FALSE(directory_exists(group()));
    EXPECT_TRUE(file_exists(programs() + "Other program.lnk"));
    // The shared file's count fell to zero: its value goes, and silently the file stays.
    EXPECT_EQ(shared_count(system_dir() + "bvrt32.dll"), -1);
    EXPECT_TRUE(file_exists(system_dir() + "bvrt32.dll"));
    EXPECT_EQ(r.shared_kept, 1);
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, "Software\\Quendlark"));
    EXPECT_TRUE(registry_key_exists(HKEY_CURRENT_USER, "Software"));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(test_recorded_message_boxes().empty());
}

TEST_F(Removal, UserFileStaysWithItsFolders) {
    write_record(install_layout());
    write_file(target() + "sub\\my notes.txt", "mine");
    make_directory(target() + "empty");   // not recorded: but it is empty and not the user's file

    RemovalReport r = remove(true);

    EXPECT_EQ(read_file(target() + "sub\\my notes.txt"), "mine");
    EXPECT_FALSE(file_exists(target() + "sub\\bvnet32.dll"));
    EXPECT_FALSE(file_exists(target() + "readme.txt"));
    EXPECT_EQ(r.kept_folder, target());
    EXPECT_TRUE(directory_exists(target() + "empty"));   // only folders of recorded files go
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(Removal, SettingsMakersKeyStaysWhileItHoldsSomethingElse) {
    write_record(install_layout());
    set_registry_string(HKEY_CURRENT_USER, "Software\\Quendlark\\Tinker", "Path", "x");
    remove(true);
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, "Software\\Quendlark\\Brisvane"));
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, "Software\\Quendlark\\Tinker", "Path"), "x");
}

TEST_F(Removal, RunningProgramIsLeftForItsCleanup) {
    write_record(install_layout());
    const std::string self = target() + "npu32.EXE";   // as the system may spell it
    RemovalReport r = remove(true, self.c_str());
    EXPECT_TRUE(r.self_recorded);
    EXPECT_TRUE(file_exists(target() + "NpU32.exe"));
    EXPECT_FALSE(file_exists(target() + "readme.txt"));
    EXPECT_FALSE(directory_exists(target() + "sub"));
    EXPECT_EQ(r.kept_folder, std::string());   // only the program itself is left: nothing kept
}

TEST_F(Removal, PluginCopyThatChangedStays) {
    write_record(install_layout());
    write_file(plugins() + "nptnf32.dll", "a browser's newer module");
    RemovalReport r = remove(true);
    EXPECT_EQ(read_file(plugins() + "nptnf32.dll"), "a browser's newer module");
    EXPECT_EQ(r.plugins_kept, 1);
    EXPECT_FALSE(directory_exists(target()));
}

TEST_F(Removal, SharedFilesFollowTheirUseCount) {
    struct Case {
        const char* label;
        long count;           // -1: no value
        bool silent;
        std::vector<int> answers;
        long count_after;
        bool file_kept;
        size_t boxes;
    };
    const Case cases[] = {
        {"still used by another program: count lowered, file kept", 2, false, {}, 1, true, 0},
        {"last use, the user keeps it (the default)", 1, false, {ANSWER_NO}, -1, true, 1},
        {"last use, the user removes it", 1, false, {ANSWER_YES}, -1, false, 1},
        {"last use, silent: kept without a question", 1, true, {}, -1, true, 0},
        {"a count already at zero counts as the last use", 0, false, {ANSWER_YES}, -1, false, 1},
        {"no count: not ours to judge", -1, false, {}, -1, true, 0},
    };
    const std::string shared = system_dir() + "bvrt32.dll";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test_reset_platform();
        write_file(shared, "runtime");
        write_record({"T" + target(), "S" + shared});
        if (c.count >= 0) set_shared_count(shared, (DWORD)c.count);
        else if (shared_count(shared) >= 0) {
            HKEY key;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, 0, KEY_ALL_ACCESS, &key);
            RegDeleteValueA(key, shared.c_str());
            RegCloseKey(key);
        }
        test_script_message_boxes(c.answers);
        remove(c.silent);
        EXPECT_EQ(shared_count(shared), c.count_after);
        EXPECT_EQ(file_exists(shared), c.file_kept);
        ASSERT_EQ(test_recorded_message_boxes().size(), c.boxes);
        if (c.boxes) {
            const RecordedMessageBox& box = test_recorded_message_boxes()[0];
            EXPECT_NE(box.text.find("The system indicates that the following shared file is no longer used by any programs"),
                      std::string::npos);
            EXPECT_NE(box.text.find(shared), std::string::npos);
            EXPECT_EQ(box.style, BOX_QUESTION_YES_NO | MB_DEFBUTTON2);   // Yes/No, No the default
        }
    }
}

TEST_F(Removal, SecondRunFindsNoRecordAndTouchesNoFile) {
    write_record(install_layout());
    write_file(target() + "my notes.txt", "mine");
    remove(true);
    ASSERT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));

    // The second run: no record. What is left of the registry records goes, nothing on disk.
    set_registry_string(HKEY_CURRENT_USER, SETTINGS_KEY, "CurDir", target());
    set_registry_string(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", "Brisvane!");
    InstallRecord record;
    EXPECT_EQ(read_record(record), RECORD_MISSING);
    free_install_record(record);
    remove_leftover_records();
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, "Software\\Quendlark"));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_EQ(read_file(target() + "my notes.txt"), "mine");
}

TEST_F(Removal, DamagedRecordLeavesTheDiskAlone) {
    std::vector<std::string> entries = install_layout();
    entries.push_back("Xjunk");
    write_record(entries);
    InstallRecord record;
    EXPECT_EQ(read_record(record), RECORD_DAMAGED);
    free_install_record(record);
    remove_leftover_records();
    EXPECT_TRUE(file_exists(target() + "bvdraw32.dll"));
    EXPECT_TRUE(file_exists(plugins() + "nptnf32.dll"));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(Removal, HostileEntriesRemoveNothingOutsideTheRecordedFolders) {
    write_file(path("precious.txt"), "keep");
    write_file(system_dir() + "other.dll", "someone else's");
    std::vector<std::string> entries = install_layout();
    entries.push_back("F" + target() + "..\\precious.txt");
    entries.push_back("F" + path("precious.txt"));
    entries.push_back("S" + system_dir() + "..\\precious.txt");
    entries.push_back("P000000070000000000000000" + path("precious.txt"));
    write_record(entries);
    InstallRecord record;
    ASSERT_EQ(read_record(record), RECORD_READ);
    EXPECT_EQ(record.refused, 4);
    free_install_record(record);
    remove(true);
    EXPECT_EQ(read_file(path("precious.txt")), "keep");
    EXPECT_EQ(read_file(system_dir() + "other.dll"), "someone else's");
    EXPECT_FALSE(directory_exists(target()));
}

TEST_F(Removal, UpgradeRecordRemovesThePluginCopyOfEitherInstall) {
    // An upgrade's record holds the earlier install's stamp for the same copy beside its own.
    std::vector<std::string> entries = install_layout();
    const std::string copy = plugins() + "nptnf32.dll";
    entries.insert(entries.begin() + 6, "P000000010000000000000000" + copy);   // the earlier copy's
    write_record(entries);
    RemovalReport r = remove(true);
    EXPECT_FALSE(file_exists(copy));
    EXPECT_EQ(r.plugins_kept, 0);

    // Neither stamp matches: kept, and counted once.
    test_reset_platform();
    entries = install_layout();
    entries.insert(entries.begin() + 6, "P000000010000000000000000" + copy);
    write_record(entries);
    write_file(copy, "a browser's newer module");
    r = remove(true);
    EXPECT_TRUE(file_exists(copy));
    EXPECT_EQ(r.plugins_kept, 1);
}
