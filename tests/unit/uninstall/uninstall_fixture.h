// What the uninstaller's tests stand on: an installed layout in the test's folder (target
// folder with a subfolder, a browser's Plugins folder, a program group under a Programs folder
// of the test's own, a system folder of the test's own for shared files), and the install
// record that names it, written to the uninstall record as the installer writes it.
#pragma once

#include "common/install_record.h"
#include "tests/support/test_env.h"
#include "uninstall/record_reader.h"
#include "uninstall/removal.h"

#include <string>
#include <vector>

class UninstallTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The folders the checks compare against: the system's Windows folder, the test's own
    // system, Program Files and Programs folders.
    SystemFolders folders{};
    std::string target() const { return path("app\\"); }
    std::string plugins() const { return path("browser\\Plugins\\"); }
    std::string programs() const { return path("programs\\"); }
    std::string group() const { return path("programs\\Brisvane!\\"); }
    std::string system_dir() const { return path("sys\\"); }

    // Stores `strings` (tag, entries and end string as given) as the record value: each
    // string and its zero, then the list's zero.
    void write_record_strings(const std::vector<std::string>& strings);
    // Stores the tag, `entries` and the matching end string.
    void write_record(const std::vector<std::string>& entries);
    // Stores raw bytes with the given value type.
    void write_record_value(DWORD type, const std::string& data);
    // Reads the record back through the uninstall key, as the uninstaller does.
    int read_record(InstallRecord& record);

    // The stamp of a plug-in copy as it is now on the disk (24 hexadecimal digits).
    std::string stamp_of(const std::string& file);

    // The folders of the layout (again, after a removal).
    void make_folders();
    // Places the files of a typical install (making its folders) and returns its record's entries.
    std::vector<std::string> install_layout();

    // The short (8.3) spelling of `folder`, which is made first when missing.
    std::string short_name(const std::string& folder);

    void set_shared_count(const std::string& file, DWORD count);
    // The count, or -1 when there is no value.
    long shared_count(const std::string& file);

    // Removes with the record as read; silent or with the scripted boxes.
    RemovalReport remove(bool silent, const char* running_program = nullptr);
};

std::vector<std::string> box_texts();
