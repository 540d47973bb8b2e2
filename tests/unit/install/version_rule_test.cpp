// The version rule: the package's copy against the installed one, by their version resources.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/version_rule.h"
#include "tests/support/make_pe.h"


using VersionRule = InstallTest;

TEST_F(VersionRule, ComparesTheStoredVersionWithTheInstalledCopy) {
    struct Case {
        const char* label;
        std::string installed;   // "" = no file
        uint16_t flags;
        uint16_t a, b, c, d;     // the entry's version
        int expected;
    };
    const Case cases[] = {
        {"equal", make_pe_with_version(2, 2, 0, 97), REGULAR_FLAGS, 2, 2, 0, 97, VERSION_SAME},
        {"installed major newer", make_pe_with_version(3, 0, 0, 0), REGULAR_FLAGS, 2, 9, 9, 9, VERSION_INSTALLED_NEWER},
        {"installed build newer", make_pe_with_version(2, 2, 0, 98), REGULAR_FLAGS, 2, 2, 0, 97, VERSION_INSTALLED_NEWER},
        {"entry newer in high word, older in low word", make_pe_with_version(2, 1, 9, 9), REGULAR_FLAGS, 2, 2, 0, 0,
         VERSION_WRITE},
        {"entry build newer", make_pe_with_version(2, 2, 0, 97), REGULAR_FLAGS, 2, 2, 0, 98, VERSION_WRITE},
        {"words compare unsigned", make_pe_with_version(0x8000, 0, 0, 0), REGULAR_FLAGS, 1, 0, 0, 0,
         VERSION_INSTALLED_NEWER},
        {"third part compares unsigned", make_pe_with_version(1, 0, 0x8000, 0), REGULAR_FLAGS, 1, 0, 1, 0,
         VERSION_INSTALLED_NEWER},
        {"entry not versioned", make_pe_with_version(9, 0, 0, 0), 0x0000, 1, 0, 0, 0, VERSION_WRITE},
        {"shared but not versioned", make_pe_with_version(9, 0, 0, 0), 0x0006, 1, 0, 0, 0, VERSION_WRITE},
        {"no installed copy", "", REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
        {"no version resource", make_pe(), REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
        {"not an executable", make_not_pe(), REGULAR_FLAGS, 1, 0, 0, 0, VERSION_WRITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DeleteFileA(path("target\\lib.dll").c_str());
        if (!c.installed.empty()) write_file(path("target\\lib.dll"), c.installed);
        std::string record = file_entry_record(package_entry("lib.dll", c.flags, "", c.a, c.b, c.c, c.d), 0);
        EXPECT_EQ(check_file_version(ctx.target_directory, "LIB.DLL",
                                     reinterpret_cast<const uint8_t*>(record.data())),
                  c.expected);
        EXPECT_EQ(std::string(ctx.work_path), target() + "LIB.DLL");
    }
}

TEST_F(VersionRule, NoMemoryForTheVersionBlockIsNoLicenceToWrite) {
    write_file(path("target\\lib.dll"), make_pe_with_version(9, 0, 0, 0));
    std::string record = file_entry_record(package_entry("lib.dll", REGULAR_FLAGS, "", 1, 0, 0, 0), 0);
    test_fail_allocation(1);
    EXPECT_EQ(check_file_version(ctx.target_directory, "lib.dll", reinterpret_cast<const uint8_t*>(record.data())),
              VERSION_NO_MEMORY);
}
