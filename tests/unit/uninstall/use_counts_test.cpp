// Use counts of shared files over a machine's life: every installation that needs a shared
// file adds one, whether it wrote the file or kept the copy there; a repair or an upgrade adds
// nothing; each installation's count is lowered exactly once, however often its uninstaller
// runs or however it was stopped; and a plug-in copy two products share stays while either
// still lists it.
#include "tests/unit/uninstall/lifecycle_fixture.h"

#include "common/install_record.h"
#include "common/run_log.h"
#include "common/status.h"
#include "install/install_sequence.h"
#include "tests/support/make_pe.h"
#include "uninstall/uninstall_ids.h"

#include <algorithm>

namespace {

class UseCounts : public LifecycleTest {
protected:
    std::string first() const { return path("first\\"); }
    std::string second() const { return path("second\\"); }
    std::string plugin(const std::string& plugins) const { return plugins + "nptnf32.dll"; }
    bool has_entry(const char* product, const std::string& entry) {
        std::vector<std::string> s = record_strings(product);
        return std::find(s.begin(), s.end(), entry) != s.end();
    }
};

// What a killed uninstaller leaves: the process ends inside the question about a shared file.
struct Killed {};
void kill_uninstaller(const RecordedMessageBox& box) {
    if (box.text.find("shared file") != std::string::npos) throw Killed{};
}

}  // namespace

TEST_F(UseCounts, AKeptSharedFileIsCountedLikeAWrittenOne) {
    // Another program placed a newer copy where the file belongs and counted its use.
    write_file(shared_file(), make_pe_with_version(3, 0, 0, 0));
    set_use_count(shared_file(), 1);
    ASSERT_EQ(install(first(), FIRST_PRODUCT, {{0, path("sys"), path("sys")}}), 0);
    EXPECT_EQ(use_count(shared_file()), 2);
    EXPECT_TRUE(has_entry(FIRST_PRODUCT, "S" + shared_file()));
    // The other program goes (its uninstaller lowers the count): this product still counts.
    set_use_count(shared_file(), 1);
    EXPECT_EQ(uninstall(), UEXIT_REMOVED);
    EXPECT_EQ(use_count(shared_file()), -1);   // the last use gone: the count value goes
    EXPECT_TRUE(file_exists(shared_file()));   // and silently the file stays
}

TEST_F(UseCounts, ARepairOrUpgradeAddsNothingAndOneUninstallTakesItsOne) {
    ASSERT_EQ(install(first()), 0);
    EXPECT_EQ(use_count(shared_file()), 1);
    ASSERT_EQ(install(first()), 0);   // repair: the file written again
    EXPECT_EQ(use_count(shared_file()), 1);
    write_file(shared_file(), make_pe_with_version(3, 0, 0, 0));
    ASSERT_EQ(install(first(), FIRST_PRODUCT, {{0, path("sys"), path("sys")}}), 0);   // kept this time
    EXPECT_EQ(use_count(shared_file()), 1);
    set_use_count(shared_file(), 2);   // another program counts it too
    EXPECT_EQ(uninstall(), UEXIT_REMOVED);
    EXPECT_EQ(use_count(shared_file()), 1);
}

TEST_F(UseCounts, TwoProductsEachAddOneAndTakeOneInEitherOrder) {
    for (bool first_goes_first : {true, false}) {
        SCOPED_TRACE(first_goes_first ? "first product removed first" : "second product removed first");
        ASSERT_EQ(install(first(), FIRST_PRODUCT), 0);
        ASSERT_EQ(install(second(), SECOND_PRODUCT), 0);
        EXPECT_EQ(use_count(shared_file()), 2);
        const char* order[] = {first_goes_first ? FIRST_PRODUCT : SECOND_PRODUCT,
                               first_goes_first ? SECOND_PRODUCT : FIRST_PRODUCT};
        EXPECT_EQ(uninstall(order[0]), UEXIT_REMOVED);
        EXPECT_EQ(use_count(shared_file()), 1);
        EXPECT_TRUE(file_exists(shared_file()));
        EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(order[0])));
        // The plug-in module both products placed in the same Plugins folders stays for the
        // other one, whichever wrote it last.
        EXPECT_TRUE(file_exists(plugin(netscape_plugins())));
        EXPECT_TRUE(file_exists(plugin(explorer_plugins())));
        EXPECT_EQ(uninstall(order[1]), UEXIT_REMOVED);
        EXPECT_EQ(use_count(shared_file()), -1);
        EXPECT_FALSE(file_exists(plugin(netscape_plugins())));
        EXPECT_FALSE(file_exists(plugin(explorer_plugins())));
        EXPECT_FALSE(directory_exists(first()));
        EXPECT_FALSE(directory_exists(second()));
        remove_tree(shared_file());
    }
}

TEST_F(UseCounts, AnUninstallRunAgainLowersNothingAgain) {
    set_use_count(shared_file(), 1);   // another program's use
    ASSERT_EQ(install(first()), 0);
    EXPECT_EQ(use_count(shared_file()), 2);
    // An entry the uninstaller refuses: it keeps the record and the uninstall key, and says so.
    std::vector<std::string> strings = record_strings();
    strings.insert(strings.end() - 1, "F" + path("elsewhere.txt"));
    strings.back() = "E" + std::to_string(strings.size() - 2);
    write_record_strings(FIRST_PRODUCT, strings);
    write_file(path("elsewhere.txt"), "not ours");
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        // Silent: what stayed, and why, is in the log.
        ASSERT_TRUE(open_run_log(path("remove.log").c_str()));
        EXPECT_EQ(uninstall(), UEXIT_REFUSED);
        close_run_log();
        const std::string log = read_file(path("remove.log"));
        EXPECT_NE(log.find("Refused, not a place the installation writes to: " + path("elsewhere.txt") + "\r\n"),
                  std::string::npos) << log;
        EXPECT_NE(log.find("The uninstall record was kept"), std::string::npos) << log;
        EXPECT_EQ(log.find("Kept, still used by other programs: ") != std::string::npos, run == 1) << log;
        EXPECT_EQ(use_count(shared_file()), 1);
        EXPECT_TRUE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(FIRST_PRODUCT)));
        EXPECT_TRUE(has_entry(FIRST_PRODUCT, "U" + shared_file()));
        EXPECT_EQ(read_file(path("elsewhere.txt")), "not ours");
        EXPECT_FALSE(file_exists(first() + "player.dll"));
    }
}

TEST_F(UseCounts, AKilledUninstallLowersEachCountOnceWhenRunAgain) {
    // Two shared files: the first still used by two other programs, the second only by us.
    const std::string other = path("sys\\Other.dll");
    load_package_entries({package_entry("Shared.dll", SHARED_FLAGS, "SHARED", 2, 0, 0, 0),
                          package_entry("Other.dll", SHARED_FLAGS, "OTHER", 2, 0, 0, 0),
                          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0)});
    test_script_ver_find_file({{0, "", path("sys")}, {0, "", path("sys")}});
    set_use_count(shared_file(), 2);
    ASSERT_EQ(run_install_steps(reinterpret_cast<HWND>(0x409)), 0);
    EXPECT_EQ(use_count(shared_file()), 3);
    EXPECT_EQ(use_count(other), 1);

    // Killed at the question about the second file: the first count was lowered, the second
    // file's count had reached zero.
    test_on_message_box(kill_uninstaller);
    test_script_message_boxes({ANSWER_NO});
    EXPECT_THROW(uninstall(FIRST_PRODUCT, false), Killed);
    test_on_message_box(nullptr);
    EXPECT_EQ(use_count(shared_file()), 2);
    EXPECT_EQ(use_count(other), -1);
    EXPECT_TRUE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(FIRST_PRODUCT)));

    // Run again: neither count is lowered a second time; the rest goes.
    EXPECT_EQ(uninstall(), UEXIT_REMOVED);
    EXPECT_EQ(use_count(shared_file()), 2);
    EXPECT_EQ(use_count(other), -1);
    EXPECT_TRUE(file_exists(other));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(FIRST_PRODUCT)));
    EXPECT_FALSE(directory_exists(target()));

    // An installation over what the killed run left counts again what it released.
    ASSERT_EQ(install(first()), 0);
    EXPECT_EQ(use_count(shared_file()), 3);
}

TEST_F(UseCounts, ASharedFileThatIsNoLibraryIsCountedAndReleased) {
    load_package_entries({package_entry("Shared.hlp", SHARED_FLAGS, "HELP", 2, 0, 0, 0),
                          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0)});
    test_script_ver_find_file({{0, "", path("sys")}});
    ASSERT_EQ(run_install_steps(reinterpret_cast<HWND>(0x409)), 0);
    const std::string help = path("sys\\Shared.hlp");
    EXPECT_EQ(use_count(help), 1);
    set_use_count(help, 2);
    RemovalReport report{};
    EXPECT_EQ(uninstall(FIRST_PRODUCT, true, &report), UEXIT_REMOVED);
    EXPECT_EQ(use_count(help), 1);
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, record_key(FIRST_PRODUCT)));
}
