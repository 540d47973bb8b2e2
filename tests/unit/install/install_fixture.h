// A program file with a package built for the test, its File table loaded into the Install
// context and the program file open as package_file, as the install steps find them.
#pragma once

#include "common/install_record.h"

#include "tests/support/make_package.h"
#include "tests/support/test_env.h"

#include <cstdint>
#include <string>
#include <vector>

// Entry data as one stored block: the stream needs no compressor.
std::string stored_stream(const std::string& content);

// A File entry whose data is `content`, with version a.b.c.d when `flags` carry one.
PackageEntry package_entry(const std::string& name, uint16_t flags, const std::string& content,
                           uint16_t a = 0, uint16_t b = 0, uint16_t c = 0, uint16_t d = 0);

// The product's registry keys as a run writes them, spelled out here rather than taken from the
// program's headers, so that a key written elsewhere shows. (Start-up sets
// ctx.uninstall_key_name to the program's UNINSTALL_KEY_NAME; the tests do the same.)
inline constexpr char SETTINGS[] = "Software\\Quendlark\\Brisvane\\Main";
inline constexpr char OLD_KEY[] = "Software\\Halvo\\Brisvane\\Main";
inline constexpr char UNINSTALL[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisvane!";
// The progress page of a run on the host, which has no windows: the steps only pass it on.
inline HWND const PAGE = reinterpret_cast<HWND>(0x405);

constexpr uint16_t SHARED_FLAGS = 0x0016;     // shared, versioned
constexpr uint16_t REGULAR_FLAGS = 0x0010;    // versioned regular file
constexpr uint16_t LOGO_FLAGS = 0x0001;       // not installed

class InstallTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the program file "setup.exe" in the test folder from `entries`, loads its table
    // into ctx.file_table and opens it as ctx.package_file.
    void load_package_entries(const std::vector<PackageEntry>& entries);
    uint8_t* entry(int index) const;

    // The target directory, "<test folder>target\" (made by SetUp).
    std::string target() const { return path("target\\"); }
    // Browser plug-in directories "<test folder>ns\Plugins\" and "<test folder>ie\Plugins\".
    std::string netscape_plugins() const { return path("ns\\Plugins\\"); }
    std::string explorer_plugins() const { return path("ie\\Plugins\\"); }
    // Sets browser_flags and the plug-in directories as run_install leaves them.
    void select_browsers(unsigned flags);
    // The start of another run on the same machine: a fresh Install context with the target
    // directory, the uninstall record's name and `browsers` selected, as start-up and the
    // wizard leave them for the install steps.
    void start_next_run(unsigned browsers = BROWSER_NETSCAPE | BROWSER_EXPLORER);

private:
    std::vector<uint32_t> record_offsets_;
};

// A whole run's starting point: the uninstall record's key name, the registry parents every
// Windows installation has, a system folder "sys" and both browsers selected.
class WholeRunTest : public InstallTest {
protected:
    void SetUp() override;
    // A shared library (placed in "sys" by the version service), a regular library, the
    // plug-in module, a read-me named `readme` and the logo.
    void load_release_like_package(const std::string& readme = "ReadMe.txt");
};

void set_path(char* buffer, const std::string& value);
// Frees ctx.pending_files, as if no shared file had been listed yet.
void forget_pending_list();
