// Signed program files: the package ends where the certificate table (or the signer's zero
// padding before it) begins; a security directory that names anything else is invalid data.
// The PE checksum covers the whole file, the certificate table included.
#include "package/load_package.h"

#include "common/status.h"
#include "package/checksum.h"
#include "package/setup_header.h"
#include "tests/support/browser_registry.h"
#include "tests/support/make_package.h"
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

#include <cstring>
#include <set>

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

// A package behind a real PE image; `fill` zero bytes end the table area, so the file length
// (and with it the padding a signer adds) can be chosen.
PackageLayout pe_layout(PeMachine machine, uint32_t fill) {
    PackageLayout layout;
    layout.stub = make_pe(machine);
    layout.entries = {
        make_entry("npbv32.dll", 0x0016, 276, "shared!"),
        make_entry("sub\\player.cox", 0x0010, 33, "codex"),
        make_entry("readme.txt", 0x0000, 1, "txt"),
        make_entry("logo.bmp", 0x0001, 58, std::string(40, 'L')),
    };
    layout.table_fill = fill;
    return layout;
}

uint32_t u32_at(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | (uint8_t)s[at + i];
    return v;
}

void put_u32_at(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

// The package checksum over [table_offset, end).
uint32_t checksum_to(const BuiltPackage& p, uint32_t end) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(p.bytes.data());
    return checksum_add(bytes + p.header.table_offset, end - p.header.table_offset, 0);
}

}  // namespace

class SignedPackage : public PlatformTest {
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
    int load(const BuiltPackage& package) {
        reset_context();
        install_package(package, path("setup.exe"));
        return load_package();
    }
    void expect_loaded(const BuiltPackage& package, const std::string& label) {
        EXPECT_EQ(ctx.required_kb, 288u + 64u + 32u) << label;
        ASSERT_NE(ctx.file_table, nullptr) << label;
        EXPECT_EQ(0, std::memcmp(ctx.file_table, package.bytes.data() + package.header.table_offset,
                                 package.header.table_size)) << label;
        EXPECT_EQ(ctx.target_directory, default_target_directory()) << label;
    }
    void expect_no_table(const std::string& label) {
        EXPECT_EQ(ctx.file_table, nullptr) << label;
        EXPECT_EQ(ctx.file_table_block, nullptr) << label;
        EXPECT_STREQ(ctx.target_directory, "") << label;
    }
};

TEST_F(SignedPackage, LoadsWithAndWithoutTheSignersPadding) {
    std::set<uint32_t> paddings;
    for (PeMachine machine : {PeMachine::i386, PeMachine::x86_64}) {
        for (uint32_t fill = 0; fill < 8; ++fill) {
            BuiltPackage unsigned_package = build_package(pe_layout(machine, fill));
            std::string label = "fill " + std::to_string(fill) + (machine == PeMachine::i386 ? " i386" : " x86_64");
            ASSERT_EQ(load(unsigned_package), STATUS_OK) << label;
            expect_loaded(unsigned_package, label);

            BuiltPackage package = unsigned_package;
            paddings.insert(sign_package(package, 16 + 8 * fill));
            ASSERT_EQ(load(package), STATUS_OK) << label;
            expect_loaded(package, label);
            // The table need not be the only one: a larger one with filler loads the same.
            BuiltPackage larger = unsigned_package;
            sign_package(larger, 4096);
            EXPECT_EQ(load(larger), STATUS_OK) << label;
        }
    }
    EXPECT_EQ(paddings.size(), 8u);   // every padding a signer can add, 0 to 7 bytes
}

TEST_F(SignedPackage, AnyChangedByteIsInvalidDataTheCertificateTableIncluded) {
    BuiltPackage good = build_package(pe_layout(PeMachine::i386, 1));
    uint32_t padding = sign_package(good, 64);
    ASSERT_GT(padding, 0u);
    ASSERT_EQ(load(good), STATUS_OK);
    // Every byte of the package, the signer's padding and the certificate table (the program
    // part is LoadPackage's). The certificate itself is for Windows to judge, but the PE
    // checksum covers its bytes as it covers every other.
    for (uint32_t at = good.header.table_offset; at < good.bytes.size(); ++at) {
        const uint8_t old = (uint8_t)good.bytes[at];
        for (uint8_t value : {(uint8_t)(old ^ 0x01), (uint8_t)(old ^ 0x80), (uint8_t)0x00, (uint8_t)0xFF}) {
            if (value == old) continue;
            BuiltPackage bad = good;
            bad.bytes[at] = (char)value;
            EXPECT_EQ(load(bad), MSG_INVALID_DATA) << "byte " << at << " value " << (int)value;
            expect_no_table("byte " + std::to_string(at));
        }
    }
    // A certificate replaced by another (signing again) is resealed by the signer and loads.
    BuiltPackage signed_again = good;
    const uint32_t table = (uint32_t)good.bytes.size() - 64;
    signed_again.bytes[table + 20] = (char)(signed_again.bytes[table + 20] ^ 0x5A);
    seal_pe_checksum(signed_again.bytes);
    EXPECT_EQ(load(signed_again), STATUS_OK);
    // Every truncation: the table no longer runs to the end of the file, or is gone.
    for (size_t length = good.header.table_offset; length < good.bytes.size(); ++length) {
        BuiltPackage cut = good;
        cut.bytes.resize(length);
        EXPECT_EQ(load(cut), MSG_INVALID_DATA) << "cut at " << length;
    }
    BuiltPackage longer = good;
    longer.bytes += std::string(8, '\0');
    EXPECT_EQ(load(longer), MSG_INVALID_DATA);
    BuiltPackage checksum = good;
    checksum.header.checksum ^= 0x00000100;
    EXPECT_EQ(load(checksum), MSG_INVALID_DATA);
}

TEST_F(SignedPackage, HostileSecurityDirectoriesAreInvalidData) {
    BuiltPackage good = build_package(pe_layout(PeMachine::x86_64, 3));
    sign_package(good, 256);
    const uint32_t size = (uint32_t)good.bytes.size();
    const uint32_t table = size - 256;
    const uint32_t table_offset = good.header.table_offset;
    const uint32_t data_start = table_offset + good.header.table_size;
    const uint32_t last_data = good.data_offsets.back();
    ASSERT_EQ(load(good), STATUS_OK);
    ASSERT_GT(last_data & ~7u, data_start);
    ASSERT_LT(table_offset + 8, data_start);

    const struct {
        const char* label;
        uint32_t offset, size;
        uint32_t first_length;   // written at `offset` when it lies in the file; 0: left alone
    } cases[] = {
        {"inside the image", 8, size - 8, 0},
        {"at the start of the File table", table_offset, size - table_offset, 0},
        {"inside the File table", table_offset + 8, size - table_offset - 8, 0},
        {"inside the last entry's data", last_data & ~7u, size - (last_data & ~7u), size - (last_data & ~7u)},
        {"running past the end of the file", table, 264, 0},
        {"ending before the end of the file", table, 248, 0},
        {"far past the end of the file", 0x7FFFFFF8u, 256, 0},
        {"wrapping round 4 GB to the end of the file", 0xFFFFFFF8u, size + 8, 0},
        {"not on an 8-byte boundary", table - 4, 260, 0},
        {"with an offset but no size", table, 0, 0},
        {"with a size but no offset", 0, 256, 0},
        {"holding only an entry header", size - 8, 8, 8},
        {"whose entry is only a header", table, 256, 8},
        {"whose entry is longer than the table", table, 256, 257},
        {"whose entry has length 0", table, 256, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        BuiltPackage bad = good;
        set_security_directory(bad, c.offset, c.size);
        if (c.first_length && c.offset < size) put_u32_at(bad.bytes, c.offset, c.first_length == 0xFFFFFFFF ? 0 : c.first_length);
        seal_pe_checksum(bad.bytes);   // the directory is the only fault
        // Sealed as if the package ran to the end of the file, and as if it ended where the
        // directory says: neither may get past the directory's test.
        std::vector<uint32_t> ends = {size};
        if (c.offset >= table_offset && c.offset <= size) ends.push_back(c.offset);
        for (uint32_t end : ends) {
            bad.header.checksum = checksum_to(bad, end);
            EXPECT_EQ(load(bad), MSG_INVALID_DATA) << c.label << ", sealed to " << end;
            expect_no_table(c.label);
        }
    }
}

TEST_F(SignedPackage, ProgramFileWithoutPeHeadersWhereTheyBelongIsInvalidData) {
    // Without PE headers in the first 512 bytes the program finds no CheckSum field to
    // verify: signed or not, the file is refused, even with the field at its old place
    // holding the checksum of the changed file.
    BuiltPackage good = build_package(pe_layout(PeMachine::i386, 0));
    const uint32_t pe = u32_at(good.bytes, 0x3C);
    const uint32_t optional = pe + 24;
    const uint32_t field = optional + 64;
    const struct {
        const char* label;
        size_t at;
        uint32_t value;
        int width;
    } variants[] = {
        {"PE headers past the first 512 bytes", 0x3C, 512 - 175, 4},
        {"PE headers past the end of the file", 0x3C, 0x7FFFFFF0u, 4},
        {"PE headers beyond any seek", 0x3C, 0xFFFFFFF0u, 4},
        {"no PE signature", pe, 0x00004C45, 4},
        {"an optional header of another kind", optional, 0x0107, 2},
        {"four data directories", optional + 92, 4, 4},
    };
    auto apply = [&](BuiltPackage& p, size_t at, uint32_t value, int width) {
        for (int i = 0; i < width; ++i) p.bytes[at + i] = (char)((value >> (8 * i)) & 0xFF);
        put_u32_at(p.bytes, field, pe_checksum_of((const uint8_t*)p.bytes.data(), (uint32_t)p.bytes.size(), field));
    };
    ASSERT_EQ(load(good), STATUS_OK);
    BuiltPackage signed_good = good;
    sign_package(signed_good, 64);
    ASSERT_EQ(load(signed_good), STATUS_OK);
    for (const auto& v : variants) {
        for (const BuiltPackage* original : {&good, &signed_good}) {
            BuiltPackage variant = *original;
            apply(variant, v.at, v.value, v.width);
            EXPECT_EQ(load(variant), MSG_INVALID_DATA) << v.label << (original == &good ? "" : ", signed");
            expect_no_table(v.label);
        }
    }
}
