// Read failures while the package is loaded (host only: the stand-in fails chosen reads).
#include "package/load_package.h"

#include "common/status.h"
#include "platform/host/host_control.h"
#include "tests/support/make_package.h"
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
    e.data = std::string(40000, 'x');   // three checksum reads, then the table read
    layout.entries = {e};
    install_package(build_package(layout), path("setup.exe"));
    struct { long fail_at; int status; } cases[] = {{1, MSG_INVALID_DATA}, {3, MSG_INVALID_DATA}, {4, MSG_READ_ERROR}, {0, STATUS_OK}};
    for (const auto& c : cases) {
        reset_context();
        host_fail_read(c.fail_at);
        EXPECT_EQ(load_package(), c.status) << c.fail_at;
        EXPECT_EQ(ctx.file_table == nullptr, c.status != STATUS_OK);
        host_fail_read(0);
    }
}
