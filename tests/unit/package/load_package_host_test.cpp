// Read failures while the package is loaded (host only: the stand-in fails chosen reads).
#include "package/load_package.h"

#include "common/status.h"
#include "platform/host/host_control.h"
#include "tests/support/make_package.h"
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

class LoadPackageReads : public PlatformTest {
protected:
    void TearDown() override {
        restore_setup_header();
        PlatformTest::TearDown();
    }
};

TEST_F(LoadPackageReads, FailedChecksumReadIsInvalidDataFailedTableReadIsReadError) {
    PackageLayout layout;
    PackageEntry e;
    e.name = "a.txt";
    e.size_kb = 1;
    e.data = std::string(40000, 'x');   // one read of the PE headers, one of the program part,
    layout.entries = {e};               // three of the package, then the table read
    install_package(build_package(layout), path("setup.exe"));
    // A failed read of the PE headers finds no CheckSum field: invalid data, as is any failed
    // read of the checking pass.
    struct { long fail_at; int status; } cases[] = {{1, MSG_INVALID_DATA}, {2, MSG_INVALID_DATA}, {3, MSG_INVALID_DATA},
                                                    {5, MSG_INVALID_DATA}, {6, MSG_READ_ERROR}, {0, STATUS_OK}};
    for (const auto& c : cases) {
        reset_context();
        host_fail_read(c.fail_at);
        EXPECT_EQ(load_package(), c.status) << c.fail_at;
        EXPECT_EQ(ctx.file_table == nullptr, c.status != STATUS_OK);
        host_fail_read(0);
    }

    // In a signed file, a failed read of its PE headers hides the certificate table, and a
    // failed read of the table's entry header refuses it: both are invalid data.
    BuiltPackage package = build_package(layout);
    sign_package(package, 64);
    install_package(package, path("setup.exe"));
    for (long fail_at : {1L, 2L, 3L}) {
        reset_context();
        host_fail_read(fail_at);
        EXPECT_EQ(load_package(), MSG_INVALID_DATA) << fail_at;
        host_fail_read(0);
    }
    reset_context();
    EXPECT_EQ(load_package(), STATUS_OK);
}
