// The extension-file test before the main copy step: files whose embedded checksum does not
// match are listed for removal (they stay until the run succeeds); files it cannot test are
// kept and not listed.
#include "tests/unit/install/install_fixture.h"

#include "common/path_text.h"
#include "common/status.h"
#include "install/extension_files.h"
#include "install/pending_files.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string MARKER("\x44\x02\x01\x56\x27\x75", 6);

// `body` with the marker and the right checksum inserted at `at`; `damage` flips one byte
// afterwards so that the stored sum no longer matches.
std::string sealed(std::string body, size_t at, bool damage = false) {
    body.insert(at, MARKER + std::string(4, '\0'));
    uint32_t sum = 0x6B2E19D4;
    for (unsigned char b : body) sum = ((sum << 1) | (sum >> 31)) + b - 15;
    for (int i = 0; i < 4; ++i) body[at + 6 + i] = (char)(sum >> (8 * i));
    if (damage) body[0] = (char)(body[0] ^ 0x01);
    return body;
}

std::string filler(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = (char)(i * 7 + 3);
    return s;
}

using ExtensionFiles = InstallTest;

}  // namespace

TEST(ExtensionNames, TwentySixSortedBaseNamesThenTheTransportLibrary) {
    std::vector<std::string> names(extension_file_names, extension_file_names + EXTENSION_NAME_COUNT);
    EXPECT_EQ(names.back(), "TFTrans.dll");
    names.pop_back();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    int with_cox = 0;
    for (const std::string& n : names) {
        EXPECT_EQ(n.rfind("np", 0), 0u) << n;
        if (n.find('.') != std::string::npos) {
            EXPECT_TRUE(has_extension(n.c_str(), ".cox")) << n;
            ++with_cox;
        }
    }
    EXPECT_EQ(with_cox, 1);
}

TEST_F(ExtensionFiles, InvalidFilesAreListedValidOnesNot) {
    const std::string valid = sealed(filler(3000), 100);
    const std::string invalid = sealed(filler(3000), 100, true);
    write_file(target() + "npanim.cox", valid);
    write_file(target() + "npanim.mox", invalid);
    write_file(target() + "npsound.MOX", valid);
    write_file(target() + "nptimer.cox", invalid);
    write_file(target() + "nptimer.mox", invalid);   // not listed: "nptimer.cox" is tested as it stands
    write_file(target() + "TFTrans.dll", filler(5000));   // no marker at all
    write_file(target() + "npother.cox", invalid);   // not listed

    check_extension_files();
    const std::pair<const char*, bool> listed[] = {
        {"npanim.cox", false}, {"npanim.mox", true},   {"npsound.MOX", false}, {"nptimer.cox", true},
        {"nptimer.mox", false}, {"TFTrans.dll", true}, {"npother.cox", false},
    };
    for (const auto& [name, invalid] : listed) {
        EXPECT_EQ(string_listed(ctx.invalid_extensions, (target() + name).c_str()), invalid) << name;
        EXPECT_TRUE(file_exists(target() + name)) << name << ": nothing is deleted before the run succeeds";
    }

    // The run succeeded: the listed files go, the others stay.
    remove_invalid_extension_files();
    for (const auto& [name, invalid] : listed) EXPECT_EQ(file_exists(target() + name), !invalid) << name;
}

TEST_F(ExtensionFiles, VerifyReportsEachOutcome) {
    set_path(ctx.work_path, target() + "npanim.cox");
    EXPECT_EQ(verify_extension_file(), EXTENSION_ABSENT);
    // A marker whose value straddles the 8192-byte block boundary.
    write_file(target() + "npanim.cox", sealed(filler(20000), 8192 - 8));
    EXPECT_EQ(verify_extension_file(), EXTENSION_VALID);
    write_file(target() + "npanim.cox", sealed(filler(20000), 8192 - 8, true));
    EXPECT_EQ(verify_extension_file(), EXTENSION_INVALID);
    EXPECT_TRUE(file_exists(target() + "npanim.cox"));
    EXPECT_TRUE(string_listed(ctx.invalid_extensions, ctx.work_path));
}

TEST_F(ExtensionFiles, AFileThatCannotBeTestedIsKept) {
    write_file(target() + "npanim.cox", sealed(filler(3000), 10, true));
    set_path(ctx.work_path, target() + "npanim.cox");
    test_fail_allocation(1);
    EXPECT_EQ(verify_extension_file(), MSG_NO_MEMORY);
    EXPECT_TRUE(file_exists(target() + "npanim.cox"));

    test_fail_allocation(1);   // the first test of the walk
    EXPECT_EQ(check_extension_files(), MSG_NO_MEMORY);
    EXPECT_TRUE(file_exists(target() + "npanim.cox"));
    EXPECT_FALSE(string_listed(ctx.invalid_extensions, ctx.work_path));
    EXPECT_EQ(check_extension_files(), EXTENSION_ABSENT);   // the last name, TFTrans.dll, is absent
    EXPECT_TRUE(string_listed(ctx.invalid_extensions, (target() + "npanim.cox").c_str()));
}

TEST_F(ExtensionFiles, AFileThatCannotBeListedIsKeptAndNotRemoved) {
    write_file(target() + "npanim.cox", sealed(filler(3000), 10, true));
    set_path(ctx.work_path, target() + "npanim.cox");
    test_fail_allocation(2);   // the checksum buffer is had; the list is not
    EXPECT_EQ(verify_extension_file(), MSG_NO_MEMORY);
    remove_invalid_extension_files();
    EXPECT_TRUE(file_exists(target() + "npanim.cox"));
}
