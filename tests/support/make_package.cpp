#include "tests/support/make_package.h"

#include "package/checksum.h"
#include "package/setup_header.h"
#include "platform/test_control.h"
#include "tests/support/seal_pe.h"
#include "tests/support/test_env.h"

#include <cstring>

namespace {

const SetupHeader build_time_header = setup_header_storage;

void put_u16(std::string& s, uint16_t v) {
    s += (char)(v & 0xFF);
    s += (char)(v >> 8);
}

void put_u32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += (char)((v >> (8 * i)) & 0xFF);
}

uint32_t checksum_of(const std::string& bytes, uint32_t from) {
    if (from >= bytes.size()) return 0;
    return checksum_add(reinterpret_cast<const uint8_t*>(bytes.data()) + from, (uint32_t)(bytes.size() - from), 0);
}

}  // namespace

std::string file_entry_record(const PackageEntry& e, uint32_t data_offset) {
    bool version = (e.flags & ENTRY_HAS_VERSION) != 0;
    std::string r;
    uint16_t length = (uint16_t)(e.name.size() + ENTRY_FIXED_BYTES + (version ? ENTRY_VERSION_BYTES : 0));
    put_u16(r, e.record_length.value_or(length));
    put_u16(r, e.flags);
    put_u16(r, e.size_kb);
    r += e.name;
    r += '\0';
    r += '\0';   // reserved byte
    if (version) {
        put_u32(r, e.version_ms);
        put_u32(r, e.version_ls);
    }
    put_u16(r, 1);   // reserved word
    put_u32(r, e.data_offset.value_or(data_offset));
    put_u32(r, (uint32_t)e.data.size());
    put_u16(r, 0);   // reserved word
    return r;
}

BuiltPackage build_package(const PackageLayout& layout) {
    BuiltPackage out{};
    const uint32_t table_offset = (uint32_t)layout.stub.size();

    // The table's size does not depend on the data offsets, so lay it out once to learn it.
    std::string table;
    if (layout.table_bytes) {
        table = *layout.table_bytes;
    } else {
        for (const PackageEntry& e : layout.entries) table += file_entry_record(e, 0);
    }
    const uint32_t table_size = (uint32_t)table.size() + layout.table_fill;
    const uint32_t data_start = table_offset + table_size;

    if (!layout.table_bytes) {
        table.clear();
        uint32_t data_at = data_start;
        for (const PackageEntry& e : layout.entries) {
            out.record_offsets.push_back((uint32_t)table.size());
            out.data_offsets.push_back(e.data_offset.value_or(data_at));
            table += file_entry_record(e, data_at);
            data_at += (uint32_t)e.data.size();
        }
    }

    out.bytes = layout.stub + table + std::string(layout.table_fill, '\0');
    if (!layout.table_bytes)
        for (const PackageEntry& e : layout.entries) out.bytes += e.data;

    out.header = build_time_header;
    std::memcpy(out.header.marker, SETUP_MARKER, sizeof SETUP_MARKER);
    out.header.file_count = layout.file_count.value_or((uint16_t)layout.entries.size());
    out.header.table_offset = table_offset;
    out.header.table_size = table_size;
    out.header.data_start = data_start;
    out.header.product_version_ms = layout.product_version_ms;
    out.header.product_version_ls = layout.product_version_ls;
    out.header.checksum = layout.checksum.value_or(checksum_of(out.bytes, table_offset));
    seal_pe_checksum(out.bytes);
    return out;
}

void reseal_package(BuiltPackage& package) {
    package.header.checksum = checksum_of(package.bytes, package.header.table_offset);
    seal_pe_checksum(package.bytes);
}

void seal_pe_checksum(std::string& bytes) { seal_pe_checksum(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()); }

void install_package(const BuiltPackage& package, const std::string& windows_path) {
    write_file(windows_path, package.bytes);
    setup_header_storage = package.header;
    test_set_module_file_name(windows_path.c_str());
}

void restore_setup_header() { setup_header_storage = build_time_header; }

namespace {

// Offset of the security directory entry in the PE headers of `bytes`.
size_t security_entry(const std::string& bytes) {
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | (uint8_t)bytes[at + i];
        return v;
    };
    size_t pe = u32(0x3C);
    size_t optional = pe + 24;
    bool wide = (uint8_t)bytes[optional] == 0x0B && (uint8_t)bytes[optional + 1] == 0x02;
    return optional + (wide ? 112 : 96) + 4 * 8;
}

void put_u32_at(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

}  // namespace

void set_security_directory(BuiltPackage& package, uint32_t offset, uint32_t size) {
    size_t entry = security_entry(package.bytes);
    put_u32_at(package.bytes, entry, offset);
    put_u32_at(package.bytes, entry + 4, size);
    seal_pe_checksum(package.bytes);
}

uint32_t sign_package(BuiltPackage& package, uint32_t table_size) {
    uint32_t padding = (uint32_t)((8 - package.bytes.size() % 8) % 8);
    package.bytes.append(padding, '\0');
    uint32_t offset = (uint32_t)package.bytes.size();
    std::string table;
    put_u32(table, table_size);
    put_u16(table, 0x0200);   // revision 2
    put_u16(table, 0x0002);   // signed data
    for (uint32_t i = 8; i < table_size; ++i) table += (char)(0x30 + i % 71);
    package.bytes += table;
    set_security_directory(package, offset, table_size);
    return padding;
}
