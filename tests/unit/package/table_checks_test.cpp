// The soundness test of File tables whose checksum matches: every way a record can point
// outside the table, the target directory or the data area is rejected.
#include "package/table_checks.h"

#include "common/status.h"
#include "tests/support/make_package.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t DATA_START = 1000;
constexpr uint32_t FILE_SIZE = 5000;

PackageEntry entry(const std::string& name, uint16_t flags = 0, uint32_t data_offset = DATA_START) {
    PackageEntry e;
    e.name = name;
    e.flags = flags;
    e.size_kb = 3;
    e.version_ms = 0x00020002;
    e.version_ls = 0x00000061;
    e.data_offset = data_offset;
    return e;
}

std::string table_of(const std::vector<PackageEntry>& entries) {
    std::string t;
    for (const PackageEntry& e : entries) t += file_entry_record(e, 0);
    return t;
}

int check(const std::string& table, unsigned count, uint32_t file_size = FILE_SIZE) {
    // The table is copied to its own allocation so that the sanitizers see any read past it.
    std::vector<uint8_t> copy(table.begin(), table.end());
    return check_file_table(copy.empty() ? nullptr : copy.data(), (uint32_t)copy.size(), count, DATA_START,
                            file_size);
}

PackageEntry with_length(PackageEntry e, uint16_t length) {
    e.record_length = length;
    return e;
}

struct Case {
    const char* label;
    std::string table;
    unsigned count;
    int expected;
};

}  // namespace

TEST(TableChecks, Cases) {
    const PackageEntry plain = entry("readme.txt");                       // 30 bytes
    const PackageEntry versioned = entry("np\\nptnf32.dll", 0x0010);      // 42 bytes
    std::string good = table_of({plain, versioned, entry("logo.bmp", 0x0001, FILE_SIZE - 1)});
    std::string unterminated = table_of({plain}).substr(0, 6 + 4);        // "read", no terminator
    unterminated += std::string(20, 'x');
    unterminated[0] = (char)unterminated.size();

    const std::vector<Case> cases = {
        {"sound table", good, 3, STATUS_OK},
        {"no entries", "", 0, STATUS_OK},
        {"more records than counted", good, 2, STATUS_OK},
        {"zero fill read as an entry", good + std::string(40, '\0'), 4, MSG_INVALID_DATA},
        {"count past the table", good, 4, MSG_INVALID_DATA},
        {"record longer than the table", table_of({with_length(plain, 31)}), 1, MSG_INVALID_DATA},
        {"record shorter than its fields", table_of({with_length(plain, 29)}) + "x", 1, MSG_INVALID_DATA},
        {"versioned record without room for the version",
         table_of({with_length(versioned, 41)}) + "x", 1, MSG_INVALID_DATA},
        {"record longer than its fields", table_of({with_length(plain, 34)}) + "pad.", 1, STATUS_OK},
        {"record length zero", table_of({with_length(plain, 0)}), 1, MSG_INVALID_DATA},
        {"name not terminated inside its record", unterminated, 1, MSG_INVALID_DATA},
        {"empty name", table_of({entry("")}), 1, MSG_INVALID_DATA},
        {"absolute name", table_of({entry("\\windows\\x.dll")}), 1, MSG_INVALID_DATA},
        {"drive-qualified name", table_of({entry("C:x.dll")}), 1, MSG_INVALID_DATA},
        {"colon inside the name", table_of({entry("a\\b:stream")}), 1, MSG_INVALID_DATA},
        {"forward slash", table_of({entry("a/b.txt")}), 1, MSG_INVALID_DATA},
        {"parent component first", table_of({entry("..\\x.dll")}), 1, MSG_INVALID_DATA},
        {"parent component inside", table_of({entry("a\\..\\..\\x.dll")}), 1, MSG_INVALID_DATA},
        {"parent component last", table_of({entry("a\\..")}), 1, MSG_INVALID_DATA},
        {"parent with trailing blank", table_of({entry("a\\.. \\x.dll")}), 1, MSG_INVALID_DATA},
        {"empty component", table_of({entry("a\\\\x.dll")}), 1, MSG_INVALID_DATA},
        {"trailing backslash", table_of({entry("dir\\")}), 1, MSG_INVALID_DATA},
        {"dots inside names are fine", table_of({entry("a..b\\..hidden.txt")}), 1, STATUS_OK},
        {"name of 259 characters", table_of({entry(std::string(259, 'n'))}), 1, STATUS_OK},
        {"name of 260 characters", table_of({entry(std::string(260, 'n'))}), 1, MSG_INVALID_DATA},
        {"bad name in a later entry", table_of({plain, entry("..\\evil.dll")}), 2, MSG_INVALID_DATA},
        {"data before the data area", table_of({entry("a.txt", 0, DATA_START - 1)}), 1, MSG_INVALID_DATA},
        {"data at the end of the file", table_of({entry("a.txt", 0, FILE_SIZE)}), 1, MSG_INVALID_DATA},
        {"data far past the end", table_of({entry("a.txt", 0, 0xFFFFFFFF)}), 1, MSG_INVALID_DATA},
        {"data offset of a versioned entry", table_of({entry("a.dll", 0x0002, 7)}), 1, MSG_INVALID_DATA},
    };
    for (const Case& c : cases) EXPECT_EQ(check(c.table, c.count), c.expected) << c.label;
}

TEST(TableChecks, TruncatedTablesAreRejectedAtEveryLength) {
    std::string good = table_of({entry("sub\\readme.txt"), entry("np.dll", 0x0016)});
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(check(good.substr(0, n), 2), MSG_INVALID_DATA) << n;
    EXPECT_EQ(check(good, 2), STATUS_OK);
}

// Opening a device name writes to the device, in any directory: such an entry is refused like
// any other name that leads outside the target. Names that only look alike are files.
TEST(TableChecks, DeviceNames) {
    const struct {
        std::string name;
        bool device;
    } cases[] = {
        {"CON", true},
        {"con", true},
        {"Prn", true},
        {"AUX", true},
        {"NUL", true},
        {"NUL.txt", true},
        {"nul.tar.gz", true},
        {"CON.", true},
        {"CON ", true},
        {"CON. .", true},
        {"AUX .txt", true},
        {"COM1", true},
        {"com9.log", true},
        {"COM0", true},
        {"LPT1", true},
        {"lpt9.txt", true},
        {"LPT0", true},
        {"COM\xB9", true},     // the superscript digits of the 8-bit character set
        {"LPT\xB2.txt", true},
        {"CONIN$", true},
        {"conout$.txt", true},
        {"CON\\readme.txt", true},   // a device as a folder
        {"docs\\NUL", true},
        {"docs\\com1.txt", true},
        {"CONSOLE", false},
        {"CONX.txt", false},
        {"ACON", false},
        {"NULL", false},
        {"CO", false},
        {"COM", false},
        {"COM10", false},
        {"COMA", false},
        {"LPT", false},
        {"LPT1x.txt", false},
        {"my.con", false},
        {"txt.NUL", false},
        {" CON", false},
        {"_AUX.dll", false},
        {"CONIN", false},
        {"prn-driver\\x.txt", false},
    };
    for (const auto& c : cases) {
        std::string table = table_of({entry(c.name)});
        EXPECT_EQ(check(table, 1), c.device ? MSG_INVALID_DATA : STATUS_OK) << c.name;
    }
}
