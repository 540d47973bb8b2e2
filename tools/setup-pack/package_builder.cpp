#include "tools/setup-pack/package_builder.h"

#include "common/bytes.h"
#include "install/extension_checksum.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "package/table_checks.h"
#include "tools/setup-pack/installer_reader.h"

#include <cstring>

namespace {

// Offsets of the fields setup-pack writes into the 48-byte Setup header.
constexpr size_t HEADER_FILE_COUNT = 6;
constexpr size_t HEADER_TABLE_OFFSET = 8;
constexpr size_t HEADER_TABLE_SIZE = 12;
constexpr size_t HEADER_DATA_START = 16;
constexpr size_t HEADER_VERSION_MS = 32;
constexpr size_t HEADER_VERSION_LS = 36;
constexpr size_t HEADER_CHECKSUM = 44;

// The program seeks with signed 32-bit offsets.
constexpr size_t MAX_PROGRAM_FILE = 0x7FFFFFFF;

}  // namespace

bool find_setup_header(const std::vector<uint8_t>& image, size_t& offset, std::string& error) {
    size_t hits = 0;
    for (size_t p = 0; p + sizeof(SetupHeader) <= image.size(); ++p) {
        if (std::memcmp(image.data() + p, SETUP_MARKER, sizeof SETUP_MARKER) != 0) continue;
        if (hits++ == 0) offset = p;
    }
    if (hits == 1) return true;
    error = hits == 0 ? "no Setup header marker (77 77 67 54 29 48) in the program file"
                      : "the Setup header marker occurs " + std::to_string(hits) + " times; it must occur once";
    return false;
}

bool stamp_extension_checksum(std::vector<uint8_t>& data) {
    for (size_t p = 0; p < data.size(); ++p) {
        if (!extension_marker_at(data.data() + p, (uint32_t)(data.size() - p))) continue;
        uint8_t* stored = data.data() + p + EXTENSION_MARKER_SIZE;
        write_u32(stored, 0);
        write_u32(stored, extension_checksum_add(data.data(), (uint32_t)data.size(), EXTENSION_CHECKSUM_SEED));
        return true;
    }
    return false;
}

std::vector<uint8_t> make_entry_record(const std::string& name, uint16_t flags, uint16_t size_kb,
                                       uint32_t version_ms, uint32_t version_ls, uint32_t data_offset,
                                       uint32_t packed_size) {
    bool versioned = (flags & ENTRY_HAS_VERSION) != 0;
    size_t length = name.size() + ENTRY_FIXED_BYTES + (versioned ? ENTRY_VERSION_BYTES : 0);
    std::vector<uint8_t> r(length, 0);
    write_u16(&r[0], (uint16_t)length);
    write_u16(&r[2], flags);
    write_u16(&r[4], size_kb);
    std::memcpy(&r[6], name.data(), name.size());   // then the terminator and the reserved byte
    size_t p = 6 + name.size() + 2;
    if (versioned) {
        write_u32(&r[p], version_ms);
        write_u32(&r[p + 4], version_ls);
        p += ENTRY_VERSION_BYTES;
    }
    write_u16(&r[p], 1);   // reserved word, 1 in every entry
    write_u32(&r[p + 2], data_offset);
    write_u32(&r[p + 6], packed_size);
    return r;   // the last reserved word stays 0
}

bool build_installer(const std::vector<uint8_t>& stub, const Manifest& manifest, std::vector<uint8_t>& out,
                     BuildResult& result, std::string& error, const BuildProgress& progress) {
    result = BuildResult();
    size_t header;
    if (!find_setup_header(stub, header, error)) return false;
    if (read_u16(&stub[header + HEADER_FILE_COUNT]) != 0 || read_u32(&stub[header + HEADER_TABLE_OFFSET]) != 0) {
        error = "the program file already carries a package (its Setup header is filled in); give the bare stub";
        return false;
    }
    // A signature covers the file as it was signed: appending a package behind it breaks it,
    // and the certificate table would end up inside the package.
    uint32_t certificate_offset = 0, certificate_size = 0;
    if (program_security_directory(stub, certificate_offset, certificate_size) &&
        (certificate_offset != 0 || certificate_size != 0)) {
        error = "the stub is signed (its security directory names " + std::to_string(certificate_size) +
                " bytes at offset " + std::to_string(certificate_offset) +
                "); build from the unsigned stub and sign the built installer";
        return false;
    }

    // Compress first: the table needs every packed size.
    std::vector<std::vector<uint8_t>> streams;
    size_t count = manifest.entries.size();
    for (size_t i = 0; i < count; ++i) {
        const ManifestEntry& e = manifest.entries[i];
        if (progress) progress(i, count, e.name);
        std::vector<uint8_t> data = e.data;
        if (e.stamped && !stamp_extension_checksum(data)) {
            error = e.name + ": no checksum marker to stamp";
            return false;
        }
        std::vector<uint8_t> stream;
        CompressStats stats;
        if (!compress_stream(data.data(), data.size(), stream, error, &stats)) {
            error = e.name + ": " + error;
            return false;
        }
        result.totals.deflate_bytes += stats.deflate_bytes;
        result.totals.blocks.blocks += stats.blocks.blocks;
        result.totals.blocks.kept += stats.blocks.kept;
        result.totals.blocks.as_fixed += stats.blocks.as_fixed;
        result.totals.blocks.as_stored += stats.blocks.as_stored;
        result.entries.push_back({e.name, e.flags, data.size(), stream.size()});
        streams.push_back(std::move(stream));
    }

    size_t table_size = 0;
    for (const ManifestEntry& e : manifest.entries)
        table_size += e.name.size() + ENTRY_FIXED_BYTES + ((e.flags & ENTRY_HAS_VERSION) ? ENTRY_VERSION_BYTES : 0);
    size_t total = stub.size() + table_size;
    for (const auto& s : streams) total += s.size();
    // Zero fill at the end of the table area makes the installer a whole number of 8-byte
    // units long: a signer then puts its certificate table right behind the last stream and
    // inserts no alignment padding, so the package it signs is the package that was built.
    size_t fill = (8 - total % 8) % 8;
    size_t records = table_size;
    table_size += fill;
    total += fill;
    if (total > MAX_PROGRAM_FILE) {
        error = "the installer would be " + std::to_string(total) + " bytes; the program reads at most 2 GiB";
        return false;
    }

    out = stub;
    uint32_t table_offset = (uint32_t)stub.size();
    uint32_t data_start = (uint32_t)(table_offset + table_size);
    uint32_t data_offset = data_start;
    for (size_t i = 0; i < count; ++i) {
        const ManifestEntry& e = manifest.entries[i];
        uint16_t size_kb = (uint16_t)((e.data.size() + 1023) / 1024);
        std::vector<uint8_t> record = make_entry_record(e.name, e.flags, size_kb, e.version_ms, e.version_ls,
                                                        data_offset, (uint32_t)streams[i].size());
        out.insert(out.end(), record.begin(), record.end());
        data_offset += (uint32_t)streams[i].size();
    }
    out.insert(out.end(), table_size - records, 0);
    for (const auto& s : streams) out.insert(out.end(), s.begin(), s.end());

    // The table must pass the same soundness test the program runs.
    if (check_file_table(out.data() + table_offset, (uint32_t)table_size, (unsigned)count, data_start,
                         (uint32_t)out.size()) != 0) {
        error = "internal error: the File table written fails the program's soundness test";
        return false;
    }

    uint8_t* h = out.data() + header;
    write_u16(h + HEADER_FILE_COUNT, (uint16_t)count);
    write_u32(h + HEADER_TABLE_OFFSET, table_offset);
    write_u32(h + HEADER_TABLE_SIZE, (uint32_t)table_size);
    write_u32(h + HEADER_DATA_START, data_start);
    write_u32(h + HEADER_VERSION_MS, (uint32_t)manifest.major << 16 | manifest.minor);
    write_u32(h + HEADER_VERSION_LS, manifest.build);
    uint32_t sum = checksum_add(out.data() + table_offset, (uint32_t)(out.size() - table_offset), 0);
    write_u32(h + HEADER_CHECKSUM, sum);

    result.stub_size = stub.size();
    result.table_size = table_size;
    result.total_size = out.size();
    result.checksum = sum;
    return true;
}
