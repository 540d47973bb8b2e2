// Whole installations and removals one after another, as a machine lives through them: the
// install steps write their records, the uninstaller's rules read and act on them. Products are
// told apart by their uninstall record's name ("Brisvane!", or another for a second product
// built from the same package).
#pragma once

#include "tests/unit/install/install_fixture.h"
#include "uninstall/record_reader.h"
#include "uninstall/removal.h"

#include <string>
#include <vector>

constexpr const char FIRST_PRODUCT[] = "Brisvane!";
constexpr const char SECOND_PRODUCT[] = "Brisvane2";

class LifecycleTest : public WholeRunTest {
protected:
    void SetUp() override;

    // The folders the uninstaller compares against: the system's, with the test's "sys" as
    // the system folder (where the scripted version service puts shared files).
    SystemFolders folders{};

    // Installs the release-like package into `target` (ending with a backslash) as `product`,
    // with a fresh Install context; the shared file goes to "sys" unless `ver_find` says else.
    // Returns run_install_steps' result.
    int install(const std::string& target, const char* product = FIRST_PRODUCT,
                const std::vector<ScriptedVerFind>& ver_find = {});
    // Reads `product`'s record and removes it, silent unless answers are scripted; returns
    // the uninstaller's exit code (12 when there is no readable record).
    int uninstall(const char* product = FIRST_PRODUCT, bool silent = true, RemovalReport* report = nullptr);

    std::string shared_file() const { return path("sys\\Shared.dll"); }
    // The use count of `file`, or -1 when it has none.
    long use_count(const std::string& file);
    void set_use_count(const std::string& file, DWORD count);
    static std::string record_key(const char* product);
    // The strings of `product`'s record (tag and end included); empty when there is none.
    std::vector<std::string> record_strings(const char* product = FIRST_PRODUCT);
    void write_record_strings(const char* product, const std::vector<std::string>& strings);
};
