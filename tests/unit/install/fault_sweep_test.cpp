// Fault sweep over a whole install: a package shaped like the release one (shared libraries,
// regular files in a subdirectory, the plug-in module for two browsers, a read-me, extension
// files, a logo that is not installed) runs once cleanly to count its allocations, reads,
// writes and polls; then once per fault with the n-th allocation, the n-th read or the n-th
// write failing (reads and writes once answered Cancel, once Retry), or a stop at the n-th poll.
// Every run must end with 0 and the installed state, or with -1, at most one message and
// nothing of the run left behind; no memory or file handle may be lost, and files newer than
// the package's must never be touched. A summary line per kind of fault is printed.
#include "tests/unit/install/install_fixture.h"
#include "tests/unit/install/killed_run.h"

#include "common/status.h"
#include "install/extension_checksum.h"
#include "common/install_journal.h"
#include "install/install_sequence.h"
#include "platform/host/host_control.h"
#include "tests/support/bit_writer.h"
#include "tests/support/make_pe.h"

#include <dirent.h>
#include <sanitizer/lsan_interface.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using Snapshot = std::map<std::string, std::string>;   // host path below the test folder -> bytes

// Text of `size` bytes that compresses, but not to nothing.
std::string text_of(size_t size, unsigned seed) {
    std::string s;
    while (s.size() < size) s += "line " + std::to_string(seed++ * 7919u % 100003u) + " of the sweep\r\n";
    s.resize(size);
    return s;
}

// An extension file that passes the embedded-checksum test.
std::string valid_extension_file(const std::string& body) {
    std::string bytes = body;
    bytes.append(reinterpret_cast<const char*>(EXTENSION_MARKER), EXTENSION_MARKER_SIZE);
    size_t stored = bytes.size();
    bytes.append(4, '\0');
    bytes += "tail";
    uint32_t sum = extension_checksum_add(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          (uint32_t)bytes.size(), EXTENSION_CHECKSUM_SEED);
    for (int i = 0; i < 4; ++i) bytes[stored + i] = (char)(sum >> (8 * i));
    return bytes;
}

PackageEntry coded(PackageEntry e, const std::string& content, bool dynamic) {
    e.size_kb = (uint16_t)((content.size() + 1023) / 1024);
    e.data = dynamic ? bw::encode_dynamic(content) : bw::encode_fixed(content);
    return e;
}

int open_descriptors() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (readdir(d)) ++n;
    closedir(d);
    return n;
}

struct Tally {
    int cases = 0;
    int completed = 0;        // ended with 0 and the installed state
    int stopped = 0;          // ended with -1 and a clean state
    int silent_stops = 0;     // -1 without any message (a Cancel, a stop, or a status without text)
    int prompted_stops = 0;   // of those, stops after the user answered Cancel to a prompt
    int previous_versions_lost = 0;  // a failed run that left a file the user had missing or changed
    int left_over = 0;               // files and folders a failed run left that were not there before
    std::map<std::string, int> messages;
};

class FaultSweep : public InstallTest {
protected:
    void prepare() {
        reset_context();
        test_reset_platform();
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        set_path(ctx.target_directory, target());
        std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
        host_reset_registry();
        set_registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir", "C:\\old");
        // An earlier installation's records, and another program's use of a shared file.
        set_registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayVersion", "1.0.0");
        set_registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir", "C:\\earlier");
        set_registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, path("sys\\Old.dll").c_str(), 2);
        make_directory(path("target"));
        make_directory(path("sys"));
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        // What the user already has: newer copies that must survive anything, older ones
        // this run replaces, a valid extension file and a damaged one.
        write_file(path("sys\\Newer.dll"), make_pe_with_version(9, 0, 0, 0));
        write_file(path("sys\\Old.dll"), make_pe_with_version(1, 0, 0, 0));
        write_file(path("target\\kept.dll"), make_pe_with_version(3, 0, 0, 0));
        write_file(path("target\\npaudio.cox"), valid_extension_file(text_of(9000, 5)));
        write_file(path("target\\npbrush.mox"), "damaged extension file");
        write_file(explorer_plugins() + "nptnf32.dll", make_pe_with_version(1, 0, 0, 0));

        load_package_entries({
            coded(package_entry("Old.dll", SHARED_FLAGS, "", 2, 0, 0, 0), text_of(70000, 1), true),
            package_entry("Newer.dll", SHARED_FLAGS, "NEWER IN PACKAGE", 2, 0, 0, 0),
            package_entry("Common.ocx", SHARED_FLAGS, "COMMON", 2, 0, 0, 0),
            coded(package_entry("player.dll", REGULAR_FLAGS, "", 2, 0, 0, 0), text_of(40000, 2), false),
            package_entry("kept.dll", REGULAR_FLAGS, "OLDER KEPT", 2, 0, 0, 0),
            coded(package_entry("data\\sub\\movie.tfn", 0x0000, ""), text_of(5000, 3), true),
            package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
            package_entry("ReadMe.txt", 0x0000, "README"),
            package_entry("npanim.cox", 0x0000, valid_extension_file("anim")),
            package_entry("logo.bmp", LOGO_FLAGS, "LOGO"),
        });
        test_script_ver_find_file({{0, path("sys"), path("sys")},
                                   {0, path("sys"), path("sys")},
                                   {0, "", path("sys")}});
        test_script_message_boxes({});
    }

    Snapshot snapshot() const {
        Snapshot s;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
            // A folder is listed by its name and a slash: one a failed run leaves is a stray.
            if (e.is_directory()) s[e.path().string().substr(root_.size()) + "/"] = "";
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            s[e.path().string().substr(root_.size())] = bytes.str();
        }
        return s;
    }

    void SetUp() override {
        InstallTest::SetUp();
        root_ = host_path_of(dir().c_str());
        ASSERT_FALSE(root_.empty());
        if (root_.back() != '/') root_ += '/';
        prepare();
        before_ = snapshot();
        long allocations = test_allocation_count(), reads = host_read_count(), writes = host_write_count();
        long polls = host_poll_count(), moves = host_move_count(), steps = host_step_count();
        ASSERT_EQ(run_install_steps(PAGE), 0);
        moves_ = host_move_count() - moves;
        steps_ = host_step_count() - steps;
        allocations_ = test_allocation_count() - allocations;
        reads_ = host_read_count() - reads;
        writes_ = host_write_count() - writes;
        polls_ = host_poll_count() - polls;
        installed_ = snapshot();
        descriptors_ = open_descriptors();   // the program file is closed again
        // The clean run itself: newer copies kept, older ones replaced, no temporary left.
        ASSERT_EQ(installed_.at("sys/Newer.dll"), before_.at("sys/Newer.dll"));
        ASSERT_EQ(installed_.at("target/kept.dll"), before_.at("target/kept.dll"));
        ASSERT_EQ(installed_.at("sys/Old.dll"), text_of(70000, 1));
        ASSERT_EQ(installed_.at("target/data/sub/movie.tfn"), text_of(5000, 3));
        ASSERT_EQ(installed_.at("ie/Plugins/nptnf32.dll"), "PLUGIN");
        ASSERT_EQ(installed_.count("target/npbrush.mox"), 0u);
        ASSERT_EQ(installed_.count("target/npaudio.cox"), 1u);
        ASSERT_TRUE(test_recorded_message_boxes().empty());
        ASSERT_TRUE(registry_key_exists(HKEY_CURRENT_USER, SETTINGS));
        ASSERT_GT(allocations_, 10);
        ASSERT_GT(reads_, 5);
        ASSERT_GT(writes_, 5);
    }

    // Runs the install with the fault armed by `arm`, then checks the outcome.
    void run_case(const std::string& label, const std::function<void()>& arm, Tally& tally) {
        SCOPED_TRACE(label);
        prepare();
        arm();
        int result = run_install_steps(PAGE);
        test_fail_allocation(0);
        host_fail_read(0);
        host_fail_write(0);
        host_stop_at_poll(0);
        host_fail_move(0);
        ctx.page_result = 0;
        ++tally.cases;

        EXPECT_EQ(ctx.package_file, HFILE_ERROR);
        EXPECT_EQ(ctx.output_file, HFILE_ERROR);
        EXPECT_EQ(open_descriptors(), descriptors_) << "a file handle was lost";
        EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "memory was lost";

        Snapshot after = snapshot();
        int ok_boxes = 0;
        for (const auto& box : test_recorded_message_boxes()) {
            if (box.style != BOX_WARNING_OK) continue;   // the prompts the user answered
            ++ok_boxes;
            ++tally.messages[box.text.substr(box.text.rfind('\\') + 1)];
        }
        EXPECT_LE(ok_boxes, 1) << "a status must be shown once";

        if (result == 0) {
            ++tally.completed;
            EXPECT_EQ(ok_boxes, 0);
            EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, OLD_KEY));
            // Installed: every file as in the clean run. Only a damaged extension file may
            // have survived (its test could not run) — never a temporary copy.
            for (const auto& [name, bytes] : installed_) {
                ASSERT_TRUE(after.count(name)) << name;
                EXPECT_EQ(after.at(name), bytes) << name;
            }
            for (const auto& [name, bytes] : after) {
            if (!installed_.count(name)) {
                EXPECT_EQ(name, "target/npbrush.mox");
            }
        }
            return;
        }

        EXPECT_EQ(result, -1);
        ++tally.stopped;
        if (ok_boxes == 0) ++tally.silent_stops;
        if (ok_boxes == 0 && !test_recorded_message_boxes().empty()) ++tally.prompted_stops;
        // The earlier installation's records as they were, none of this run's.
        EXPECT_EQ(registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir"), "C:\\earlier");
        EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayVersion"), "1.0.0");
        EXPECT_FALSE(registry_value_exists(HKEY_LOCAL_MACHINE, UNINSTALL, INSTALL_RECORD_VALUE));
        EXPECT_EQ(registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, path("sys\\Old.dll")), 2);
        // The earlier publisher's settings, which the next run reads, are still there.
        EXPECT_EQ(registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir"), "C:\\old");
        EXPECT_EQ(host_shortcut_runs(), 0);
        bool lost = false;
        for (const auto& [name, bytes] : after) {
            if (before_.count(name)) {
                // What was there is as it was, a damaged extension file included.
                EXPECT_EQ(bytes, before_.at(name)) << name;
                if (bytes != before_.at(name)) lost = true;
                continue;
            }
            // Nothing the run wrote stays: no new file, folder, temporary copy or backup.
            ADD_FAILURE() << "left by a failed run: " << name;
            ++tally.left_over;
        }
        for (const auto& [name, bytes] : before_) {
            if (after.count(name)) continue;
            // Every file the user had is back after a failed run, the older copies this run
            // was replacing included.
            ADD_FAILURE() << "previous version lost: " << name;
            lost = true;
        }
        if (lost) ++tally.previous_versions_lost;
    }

    // Each of `faults` faults in turn (`arm(n)` sets the n-th), answered Cancel into `cancel`,
    // then Retry into `retry`; both tallies printed under `kind`.
    void sweep_cancel_then_retry(const std::string& kind, long faults, void (*arm)(long), Tally& cancel,
                                 Tally& retry) {
        for (long n = 1; n <= faults; ++n) run_case(kind + " " + std::to_string(n), [&] { arm(n); }, cancel);
        for (long n = 1; n <= faults; ++n)
            run_case(kind + " " + std::to_string(n) + " retried", [&] {
                arm(n);
                test_script_message_boxes({IDRETRY});
            }, retry);
        print((kind + ", Cancel").c_str(), faults, cancel);
        print((kind + ", Retry").c_str(), faults, retry);
    }

    static void print(const char* kind, long faults, const Tally& t) {
        std::printf("[sweep] %-22s faults %3ld  completed %3d  stopped %3d (silent %3d)  previous versions lost %2d  left over %2d |",
                    kind, faults, t.completed, t.stopped, t.silent_stops, t.previous_versions_lost, t.left_over);
        for (const auto& [text, n] : t.messages) std::printf(" \"%s\" x%d", text.c_str(), n);
        std::printf("\n");
    }

    std::string root_;
    Snapshot before_, installed_;
    int descriptors_ = 0;
    long allocations_ = 0, reads_ = 0, writes_ = 0, polls_ = 0, moves_ = 0, steps_ = 0;
};

}  // namespace

TEST_F(FaultSweep, EveryAllocationFailingInTurn) {
    Tally tally;
    for (long n = 1; n <= allocations_; ++n)
        run_case("allocation " + std::to_string(n), [n] { test_fail_allocation(n); }, tally);
    print("allocation", allocations_, tally);
    EXPECT_EQ(tally.cases, allocations_);
    EXPECT_GT(tally.stopped, 0);
    // Every run that memory stopped says so, once.
    EXPECT_EQ(tally.silent_stops, 0);
    EXPECT_EQ(tally.messages["Not enough memory!"], tally.stopped);
}

TEST_F(FaultSweep, EveryReadFailingInTurnAnsweredCancelThenRetry) {
    Tally cancel, retry;
    sweep_cancel_then_retry("read", reads_, [](long n) { host_fail_read(n); }, cancel, retry);
    EXPECT_GT(cancel.stopped, 0);
    EXPECT_EQ(cancel.prompted_stops, cancel.stopped);   // each stop is the user's Cancel
    // A read that fails once and is retried costs nothing: every such run installs.
    EXPECT_EQ(retry.completed + retry.stopped, (int)reads_);
}

TEST_F(FaultSweep, EveryWriteFailingInTurnAnsweredCancelThenRetry) {
    Tally cancel, retry;
    sweep_cancel_then_retry("write", writes_, [](long n) { host_fail_write(n); }, cancel, retry);
    EXPECT_EQ(cancel.completed, 0);   // every write matters
    EXPECT_EQ(cancel.prompted_stops, cancel.stopped);
    EXPECT_EQ(retry.completed, (int)writes_);
}

TEST_F(FaultSweep, AStopAtEveryPoll) {
    Tally tally;
    for (long n = 1; n <= polls_; ++n)
        run_case("poll " + std::to_string(n), [n] { host_stop_at_poll(n); }, tally);
    print("stop at poll", polls_, tally);
    EXPECT_EQ(tally.stopped, (int)polls_);
    EXPECT_EQ(tally.silent_stops, (int)polls_);
}

// Every step of the commit: each move (an earlier copy to its backup name, a new copy to its
// final name) failing in turn as on a file held open, answered Cancel, then Retry.
TEST_F(FaultSweep, EveryCommitStepFailingInTurnAnsweredCancelThenRetry) {
    ASSERT_GT(moves_, 4);
    Tally cancel, retry;
    sweep_cancel_then_retry("commit step", moves_, [](long n) { host_fail_move(n); }, cancel, retry);
    EXPECT_EQ(cancel.stopped, (int)moves_);
    EXPECT_EQ(cancel.prompted_stops, cancel.stopped);
    EXPECT_EQ(cancel.previous_versions_lost, 0);
    EXPECT_EQ(retry.completed, (int)moves_);
}

// Each file the commit replaces held open in turn: answered Cancel, everything goes back; in a
// silent run it is replaced at the restart and everything else is installed.
TEST_F(FaultSweep, EachReplacedFileHeldOpenAtTheCommit) {
    const char* replaced[] = {"sys\\Old.dll", "ie\\Plugins\\nptnf32.dll"};
    Tally cancel;
    for (const char* name : replaced) {
        std::string held = path(name);
        run_case(std::string("held open, Cancel: ") + name, [&] { host_set_file_locked(held.c_str(), true); }, cancel);
        host_set_file_locked(held.c_str(), false);

        SCOPED_TRACE(std::string("held open, silent: ") + name);
        prepare();
        ctx.silent = true;
        host_set_file_locked(held.c_str(), true);
        EXPECT_EQ(run_install_steps(PAGE), 0);
        host_set_file_locked(held.c_str(), false);
        ctx.silent = false;
        EXPECT_TRUE(ctx.restart_needed);
        ASSERT_EQ(host_restart_replacements().size(), 1u);
        EXPECT_EQ(host_restart_replacements()[0].second, held);
        // The held file is as it was until the restart; its new copy waits beside it.
        Snapshot after = snapshot();
        std::string key = host_path_of(held.c_str()).substr(root_.size());
        EXPECT_EQ(after.at(key), before_.at(key));
        for (const auto& [file, bytes] : installed_) {
            if (file == key) continue;
            EXPECT_EQ(after.count(file) ? after.at(file) : "(missing)", bytes) << file;
        }
    }
    print("held open, Cancel", 2, cancel);
    EXPECT_EQ(cancel.stopped, 2);
    EXPECT_EQ(cancel.previous_versions_lost, 0);
}

// A run killed at every file step in turn (each write of the copy, each move of the commit, each
// deletion of the clean-up), as by a power cut: nothing of its own code runs after the step.
// What the next run of the installer or uninstaller does first (recover_killed_run) leaves
// either the earlier installation, every file byte for byte and nothing of the killed run, or,
// when the run had already succeeded, the installed one without a backup. Registry writes are
// steps too: a kill inside the records phase (the shortcuts, the records, the use counts) is
// undone as well, the earlier records and use counts put back.
TEST_F(FaultSweep, ARunKilledAtEveryFileStepIsUndoneOrCompletedByTheNextRun) {
    ASSERT_GT(steps_, 10);
    int undone = 0, completed = 0, lost = 0;
    for (long n = 1; n <= steps_; ++n) {
        SCOPED_TRACE("killed at file step " + std::to_string(n));
        prepare();
        ASSERT_TRUE(run_install_steps_killed_at(n));
        start_next_run();

        recover_killed_run();
        EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, JOURNAL_KEY));
        Snapshot after = snapshot();
        after.erase("setup.exe");
        Snapshot before = before_, installed = installed_;
        before.erase("setup.exe");
        installed.erase("setup.exe");
        bool records_written = registry_string(HKEY_CURRENT_USER, SETTINGS, "CurDir") != "C:\\earlier";
        if (after == before && !records_written) {
            ++undone;
            // The records as they were: the earlier ones, none of this run's, the counts back.
            EXPECT_EQ(registry_string(HKEY_CURRENT_USER, OLD_KEY, "CurDir"), "C:\\old");
            EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, UNINSTALL, "DisplayVersion"), "1.0.0");
            EXPECT_FALSE(registry_value_exists(HKEY_LOCAL_MACHINE, UNINSTALL, INSTALL_RECORD_VALUE));
            EXPECT_EQ(registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, path("sys\\Old.dll")), 2);
            EXPECT_EQ(registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, path("sys\\Common.ocx")), -1);
        } else if (records_written) {
            ++completed;
            EXPECT_TRUE(registry_value_exists(HKEY_LOCAL_MACHINE, UNINSTALL, INSTALL_RECORD_VALUE));
            EXPECT_EQ(registry_dword(HKEY_LOCAL_MACHINE, SHARED_DLLS_KEY, path("sys\\Old.dll")), 3);
            // Done before the kill: the installed set, with at most the damaged extension file
            // its clean-up had not reached yet, and no backup.
            after.erase("target/npbrush.mox");
            EXPECT_EQ(after, installed);
        } else {
            ++lost;
            for (const auto& [name, bytes] : before)
                EXPECT_EQ(after.count(name) ? after.at(name) : "(missing)", bytes) << name;
            for (const auto& [name, bytes] : after)
                EXPECT_TRUE(before.count(name)) << "left by the killed run: " << name;
        }
    }
    std::printf("[sweep] killed at a step            steps %3ld  undone %3d  completed %3d  previous versions lost %2d\n",
                steps_, undone, completed, lost);
    EXPECT_EQ(lost, 0);
    EXPECT_GT(undone, 0);
}
