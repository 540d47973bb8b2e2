// The file version of an installed file, read through the system's version calls.
#include "common/file_version.h"

#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

using FileVersion = PlatformTest;

TEST_F(FileVersion, ReadsBothWordsOrSaysWhyNot) {
    write_file(path("v.exe"), make_pe_with_version(2, 2, 0x8000, 97));
    write_file(path("plain.exe"), make_pe());
    write_file(path("text.exe"), make_not_pe());
    struct {
        const char* name;
        int result;
        uint32_t ms, ls;   // what *ms and *ls hold afterwards (they start as 0xAAAAAAAA)
    } cases[] = {
        {"v.exe", FILE_VERSION_READ, 0x00020002u, 0x80000061u},
        {"plain.exe", FILE_VERSION_NONE, 0xAAAAAAAAu, 0xAAAAAAAAu},
        {"text.exe", FILE_VERSION_NONE, 0xAAAAAAAAu, 0xAAAAAAAAu},
        {"missing.exe", FILE_VERSION_NONE, 0xAAAAAAAAu, 0xAAAAAAAAu},
    };
    for (const auto& c : cases) {
        uint32_t ms = 0xAAAAAAAAu, ls = 0xAAAAAAAAu;
        EXPECT_EQ(read_file_version(path(c.name).c_str(), &ms, &ls), c.result) << c.name;
        EXPECT_EQ(ms, c.ms) << c.name;
        EXPECT_EQ(ls, c.ls) << c.name;
    }
    uint32_t ms = 0, ls = 0;
    test_fail_allocation(1);
    EXPECT_EQ(read_file_version(path("v.exe").c_str(), &ms, &ls), FILE_VERSION_NO_MEMORY);
}

TEST_F(FileVersion, QueryGivesTheHighWordsOrZero) {
    write_file(path("v.exe"), make_pe_with_version(2, 2, 0, 97));
    write_file(path("plain.exe"), make_pe());
    write_file(path("text.exe"), make_not_pe());
    EXPECT_EQ(query_file_version(path("v.exe").c_str()), 0x00020002u);
    EXPECT_EQ(query_file_version(path("plain.exe").c_str()), 0u);
    EXPECT_EQ(query_file_version(path("text.exe").c_str()), 0u);
    EXPECT_EQ(query_file_version(path("missing.exe").c_str()), 0u);
    test_fail_allocation(1);
    EXPECT_EQ(query_file_version(path("v.exe").c_str()), 0u);
}
