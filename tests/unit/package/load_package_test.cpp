// Loading the package appended to the program file: the PE and package checksums, the
// table, required_kb, the proposed target directory, and every failure status.
#include "package/load_package.h"

#include "common/bytes.h"
#include "common/status.h"
#include "detect/browsers.h"
#include "package/checksum.h"
#include "package/setup_header.h"
#include "tests/support/browser_registry.h"
#include "tests/support/make_package.h"
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

#include <cstring>

namespace {

PackageEntry make_entry(const std::string& name, uint16_t flags, uint16_t size_kb, const std::string& data) {
    PackageEntry e;
    e.name = name;
    e.flags = flags;
    e.size_kb = size_kb;
    e.version_ms = 0x00020002;
    e.version_ls = 0x00000061;
    e.data = data;
    return e;
}

// Shared, regular, versioned and not-installed entries; the data is 7 + 5 + 3 + 1 bytes, so
// the package does not end on a whole word.
PackageLayout sample_spec() {
    PackageLayout layout;
    layout.entries = {
        make_entry("npbv32.dll", 0x0016, 276, "shared!"),
        make_entry("sub\\player.cox", 0x0010, 33, "codex"),
        make_entry("readme.txt", 0x0000, 1, "txt"),
        make_entry("logo.bmp", 0x0001, 58, "L"),
    };
    layout.table_fill = 37;
    return layout;
}

}  // namespace

class LoadPackage : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        clear_browser_registry();
    }
    void TearDown() override {
        restore_setup_header();
        clear_browser_registry();
        PlatformTest::TearDown();
    }
    // Writes the package as the program file and loads it.
    int load(const BuiltPackage& package) {
        reset_context();
        install_package(package, program());
        return load_package();
    }
    std::string program() const { return path("setup.exe"); }
    void expect_no_table() {
        EXPECT_EQ(ctx.file_table, nullptr);
        EXPECT_EQ(ctx.file_table_block, nullptr);
        EXPECT_STREQ(ctx.target_directory, "");
    }
};

TEST_F(LoadPackage, LoadsTableAndProposesTheDefaultDirectory) {
    BuiltPackage package = build_package(sample_spec());
    // The package does not end on a whole word: its last bytes are folded in one at a time.
    ASSERT_NE((package.bytes.size() - package.header.table_offset) % 4, 0u);
    ASSERT_EQ(load(package), STATUS_OK);
    EXPECT_STREQ(ctx.program_path, program().c_str());
    EXPECT_STREQ(ctx.error_file_name, program().c_str());
    EXPECT_EQ(ctx.target_directory, default_target_directory());
    // 276 -> 288, 33 -> 64, 1 -> 32; the logo counts nothing.
    EXPECT_EQ(ctx.required_kb, 288u + 64u + 32u);
    ASSERT_NE(ctx.file_table, nullptr);
    const SetupHeader& h = package.header;
    EXPECT_EQ(0, std::memcmp(ctx.file_table, package.bytes.data() + h.table_offset, h.table_size));
}

TEST_F(LoadPackage, WalkFindsEachEntrysFieldsWithAndWithoutVersionPair) {
    PackageLayout layout = sample_spec();
    BuiltPackage package = build_package(layout);
    ASSERT_EQ(load(package), STATUS_OK);
    const uint8_t* entry = ctx.file_table;
    for (size_t i = 0; i < layout.entries.size(); ++i, entry = next_file_entry(entry)) {
        const PackageEntry& want = layout.entries[i];
        EXPECT_EQ(entry, ctx.file_table + package.record_offsets[i]);
        EXPECT_STREQ(entry_name(entry), want.name.c_str());
        EXPECT_EQ(entry_flags(entry), want.flags);
        EXPECT_EQ(entry_has_version(entry), (want.flags & 0x0016) != 0) << want.name;
        EXPECT_EQ(entry_version_ms(entry), entry_has_version(entry) ? want.version_ms : 0u);
        EXPECT_EQ(entry_data_offset(entry), package.data_offsets[i]) << want.name;
        EXPECT_EQ(package.bytes.substr(entry_data_offset(entry), want.data.size()), want.data);
    }
}

TEST_F(LoadPackage, RequiredKilobytesRoundUpToMultiplesOf32) {
    struct { uint16_t size_kb; uint16_t flags; uint32_t required; } cases[] = {
        {0, 0, 0}, {1, 0, 32}, {31, 0, 32}, {32, 0, 32}, {33, 0, 64}, {64, 0x0010, 64},
        {65535, 0x0002, 65536}, {500, 0x0001, 0}, {1, 0x0011, 0},
    };
    for (const auto& c : cases) {
        PackageLayout layout;
        layout.entries = {make_entry("f.bin", c.flags, c.size_kb, "d")};
        ASSERT_EQ(load(build_package(layout)), STATUS_OK);
        EXPECT_EQ(ctx.required_kb, c.required) << c.size_kb << " flags " << c.flags;
    }
}

TEST_F(LoadPackage, PackageWithoutEntriesLoads) {
    for (uint32_t fill : {0u, 16u}) {
        PackageLayout layout;
        layout.table_fill = fill;
        ASSERT_EQ(load(build_package(layout)), STATUS_OK) << fill;
        EXPECT_EQ(ctx.required_kb, 0u);
        EXPECT_EQ(ctx.target_directory, default_target_directory());
    }
}

TEST_F(LoadPackage, RememberedDirectoryIsProposed) {
    set_setting("CurDir", "D:\\Games\\Brisvane");
    ASSERT_EQ(load(build_package(sample_spec())), STATUS_OK);
    EXPECT_STREQ(ctx.target_directory, "D:\\Games\\Brisvane\\");
}

TEST_F(LoadPackage, MissingProgramFileIsAReadError) {
    install_package(build_package(sample_spec()), program());
    test_set_module_file_name(path("elsewhere.exe").c_str());
    set_setting("CurDir", "D:\\Games");
    make_directory(path("ie"));
    write_file(path("ie\\iexplore.exe"), make_pe_with_version(5, 0, 0, 0, PeMachine::i386));
    register_app_path("iexplore.exe", path("ie\\iexplore.exe"));
    EXPECT_EQ(load_package(), MSG_READ_ERROR);
    EXPECT_STREQ(ctx.error_file_name, path("elsewhere.exe").c_str());
    expect_no_table();
    EXPECT_EQ(ctx.required_kb, 0u);
    // Detection ran before the package was read, and its results stay.
    EXPECT_EQ(ctx.browser_flags, (unsigned)BROWSER_EXPLORER);
    EXPECT_STREQ(ctx.explorer_directory, path("ie").c_str());
}

TEST_F(LoadPackage, NoMemoryForTheTable) {
    reset_context();
    install_package(build_package(sample_spec()), program());
    long before = test_allocation_count();
    ASSERT_EQ(load_package(), STATUS_OK);
    long made = test_allocation_count() - before;   // the table block is the last one made
    reset_context();
    test_fail_allocation(made);
    EXPECT_EQ(load_package(), MSG_NO_MEMORY);
    expect_no_table();
}

TEST_F(LoadPackage, NoMemoryForTheChecksumBlockIsAMismatch) {
    BuiltPackage package = build_package(sample_spec());
    install_package(package, program());
    test_fail_allocation(1);   // nothing is registered, so the checksum's block is the first
    EXPECT_EQ(load_package(), MSG_INVALID_DATA);
    expect_no_table();
}

TEST_F(LoadPackage, AnyChangedByteOfTheProgramFileIsInvalidData) {
    BuiltPackage good = build_package(sample_spec());
    const uint32_t start = good.header.table_offset;
    ASSERT_EQ(load(good), STATUS_OK);
    // The program part, its PE headers (the CheckSum field among them) included: one change
    // of each byte, the package checksum still matching.
    for (uint32_t at = 0; at < start; ++at) {
        BuiltPackage bad = good;
        bad.bytes[at] = (char)(bad.bytes[at] ^ (at % 2 ? 0x80 : 0x01));
        EXPECT_EQ(load(bad), MSG_INVALID_DATA) << "byte " << at;
        expect_no_table();
    }
    // The package: several changes of each byte.
    for (uint32_t at = start; at < good.bytes.size(); ++at) {
        const uint8_t old = (uint8_t)good.bytes[at];
        for (uint8_t value : {(uint8_t)(old ^ 0x01), (uint8_t)(old ^ 0x80), (uint8_t)0x00, (uint8_t)0xFF}) {
            if (value == old) continue;
            BuiltPackage bad = good;
            bad.bytes[at] = (char)value;
            EXPECT_EQ(load(bad), MSG_INVALID_DATA) << "byte " << at << " value " << (int)value;
            expect_no_table();
        }
    }
    // Every truncation, down to a file that ends before the table.
    for (size_t length = 0; length < good.bytes.size(); ++length) {
        BuiltPackage cut = good;
        cut.bytes.resize(length);
        EXPECT_EQ(load(cut), MSG_INVALID_DATA) << "cut at " << length;
        expect_no_table();
    }
    BuiltPackage longer = good;
    longer.bytes += '\0';
    EXPECT_EQ(load(longer), MSG_INVALID_DATA);
    BuiltPackage shorter = good;
    shorter.bytes.pop_back();
    EXPECT_EQ(load(shorter), MSG_INVALID_DATA);
    BuiltPackage checksum = good;
    checksum.header.checksum ^= 0x00010000;
    EXPECT_EQ(load(checksum), MSG_INVALID_DATA);
}

TEST_F(LoadPackage, PeChecksumFieldMustHoldTheFilesChecksum) {
    BuiltPackage good = build_package(sample_spec());
    const uint32_t field = read_u32((const uint8_t*)good.bytes.data() + 0x3C) + 88;
    const uint32_t right = read_u32((const uint8_t*)good.bytes.data() + field);
    const uint32_t size = (uint32_t)good.bytes.size();
    ASSERT_EQ(right, pe_checksum_of((const uint8_t*)good.bytes.data(), size, field));
    const struct {
        const char* label;
        uint32_t value;
    } cases[] = {
        {"zero, as a linker leaves it unasked", 0},
        {"one more", right + 1},
        {"one less", right - 1},
        {"without the file's length", right - size},
        {"the sum folded with 0xFFFF for 0", right + 0xFFFF},
        {"in the high half", right << 16},
    };
    for (const auto& c : cases) {
        BuiltPackage bad = good;
        write_u32((uint8_t*)bad.bytes.data() + field, c.value);
        EXPECT_EQ(load(bad), MSG_INVALID_DATA) << c.label;
        expect_no_table();
    }
    // A changed byte of the program part is refused until the field is set to the file's new
    // checksum (the package checksum never saw the change).
    BuiltPackage changed = good;
    changed.bytes[601] = (char)(changed.bytes[601] ^ 0x40);
    EXPECT_EQ(load(changed), MSG_INVALID_DATA);
    seal_pe_checksum(changed.bytes);
    EXPECT_EQ(load(changed), STATUS_OK);
}

TEST_F(LoadPackage, MarkerAndReservedHeaderFieldsAreNotChecked) {
    BuiltPackage good = build_package(sample_spec());
    std::vector<BuiltPackage> variants(5, good);
    variants[0].header.marker[0] = 'X';
    variants[1].header.reserved_20 = 0;
    variants[2].header.reserved_24 = 0xFFFFFFFF;
    variants[3].header.reserved_40 = 7;
    variants[4].header.data_start = 0;   // never read: the data starts after the table
    for (size_t i = 0; i < variants.size(); ++i) {
        EXPECT_EQ(load(variants[i]), STATUS_OK) << i;
        EXPECT_EQ(ctx.required_kb, 384u) << i;
    }
}

TEST_F(LoadPackage, HostileTableWithMatchingChecksumIsRejected) {
    std::vector<PackageLayout> specs;
    PackageLayout escape = sample_spec();
    escape.entries[2].name = "..\\..\\windows\\system.ini";
    specs.push_back(escape);
    PackageLayout outside = sample_spec();
    outside.entries[1].data_offset = 3;   // inside the image
    specs.push_back(outside);
    PackageLayout overlong = sample_spec();
    overlong.entries[3].record_length = 2000;   // runs past the table
    specs.push_back(overlong);
    PackageLayout counted = sample_spec();
    counted.table_fill = 0;
    counted.file_count = 5;                     // one entry more than the table holds
    specs.push_back(counted);
    for (size_t i = 0; i < specs.size(); ++i) {
        BuiltPackage package = build_package(specs[i]);   // checksum computed over the bad bytes
        EXPECT_EQ(load(package), MSG_INVALID_DATA) << i;
        expect_no_table();
        EXPECT_EQ(ctx.required_kb, 0u);
    }
}

TEST_F(LoadPackage, HeaderPlacingTheTableOutsideTheFile) {
    BuiltPackage past_end = build_package(sample_spec());
    past_end.header.table_offset = (uint32_t)past_end.bytes.size() + 1;
    past_end.header.checksum = 0;   // the sum of nothing
    EXPECT_EQ(load(past_end), MSG_INVALID_DATA);
    expect_no_table();

    // A table area that runs past the end of the file is refused as invalid data before any
    // block is allocated for it: the checksum still matches (it covers the file to its end),
    // but such a header describes some other file. Sizes up to 4 GB and sums that wrap round
    // past 2^32 are among them.
    BuiltPackage good = build_package(sample_spec());
    const uint32_t offset = good.header.table_offset;
    const uint32_t to_end = (uint32_t)good.bytes.size() - offset;
    for (uint32_t size : {to_end + 1, (uint32_t)good.bytes.size(), 0x7FFFFFFFu, 0x80000000u,
                          0xFFFFFFFFu, 0xFFFFFFFFu - offset + 1, 0xFFFFFFFFu - offset + 2}) {
        BuiltPackage too_big = good;
        too_big.header.table_size = size;
        reset_context();
        install_package(too_big, program());
        long before = test_allocation_count();
        EXPECT_EQ(load_package(), MSG_INVALID_DATA) << size;
        expect_no_table();
        // Refused before the checksum's work block or any table block is made.
        EXPECT_EQ(test_allocation_count() - before, 0) << size;
    }
    // The table may end exactly at the end of the file.
    BuiltPackage exact = good;
    exact.header.table_size = to_end;
    exact.header.file_count = 0;
    EXPECT_EQ(load(exact), STATUS_OK);
}
