#include "tools/setup-pack/package_builder.h"

#include "common/bytes.h"
#include "install/extension_checksum.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "package/signature.h"
#include "package/table_checks.h"
#include "tools/setup-pack/file_util.h"
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

bool check_stub(const std::vector<uint8_t>& stub, size_t& header, std::string& error) {
    if (!find_setup_header(stub, header, error)) return false;
    if (read_u16(&stub[header + HEADER_FILE_COUNT]) != 0 || read_u32(&stub[header + HEADER_TABLE_OFFSET]) != 0) {
        error = "the program file already carries a package (its Setup header is filled in); give the bare stub";
        return false;
    }
    // The program verifies its PE checksum before anything else: without PE headers where it
    // looks for them, it could not.
    uint32_t stored, computed;
    if (!program_pe_checksum(stub, stored, computed)) {
        error = "the stub has no PE headers in its first 512 bytes; the program could not verify its checksum";
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
    return true;
}

namespace {

// Moves the `length` bytes at `from` up by `by` bytes, last piece first (the ranges overlap).
bool move_up(int fd, uint64_t from, uint64_t length, uint64_t by, std::string& error) {
    std::vector<uint8_t> piece(1u << 20);
    while (length > 0) {
        size_t n = length < piece.size() ? (size_t)length : piece.size();
        length -= n;
        if (!pread_all(fd, piece.data(), n, from + length, error) || !pwrite_all(fd, piece.data(), n, from + length + by, error))
            return false;
    }
    return true;
}

// The package checksum of the file from `from` to its end `end`, read back piece by piece.
bool checksum_of_file(int fd, uint64_t from, uint64_t end, uint32_t& sum, std::string& error) {
    std::vector<uint8_t> piece(1u << 20);   // a multiple of 4: the pieces fold as one pass
    sum = 0;
    for (uint64_t at = from; at < end;) {
        size_t n = end - at < piece.size() ? (size_t)(end - at) : piece.size();
        if (!pread_all(fd, piece.data(), n, at, error)) return false;
        sum = checksum_add(piece.data(), (uint32_t)n, sum);
        at += n;
    }
    return true;
}

// Sets the PE CheckSum field (at `field`) of the finished file of `total` bytes to the
// checksum of its bytes, read back piece by piece.
bool seal_pe_checksum(int fd, uint64_t total, uint32_t field, std::string& error) {
    std::vector<uint8_t> piece(1u << 20);
    uint32_t sum = 0;
    for (uint64_t at = 0; at < total;) {
        size_t n = total - at < piece.size() ? (size_t)(total - at) : piece.size();
        if (!pread_all(fd, piece.data(), n, at, error)) return false;
        if (at == 0) write_u32(&piece[field], 0);   // the field lies in the stub's first 512 bytes
        sum = pe_checksum_add(piece.data(), (uint32_t)n, (uint32_t)at, sum);
        at += n;
    }
    uint8_t value[4];
    write_u32(value, pe_checksum_finish(sum, (uint32_t)total));
    return pwrite_all(fd, value, sizeof value, field, error);
}

}  // namespace

bool build_installer(const std::vector<uint8_t>& stub, const Manifest& manifest, int fd, const BuildOptions& options,
                     BuildResult& result, std::string& error, const BuildProgress& progress) {
    result = BuildResult();
    size_t header;
    if (!check_stub(stub, header, error)) return false;
    size_t count = manifest.entries.size();
    size_t records = 0;
    for (const ManifestEntry& e : manifest.entries)
        records += e.name.size() + ENTRY_FIXED_BYTES + ((e.flags & ENTRY_HAS_VERSION) ? ENTRY_VERSION_BYTES : 0);

    // The stub, room for the table, then the streams as they come; the table is written last,
    // when every packed size is known.
    std::string why;
    std::vector<uint8_t> table(records, 0);
    if (!write_all(fd, stub.data(), stub.size(), why) || !write_all(fd, table.data(), table.size(), why)) {
        error = "cannot write the installer: " + why;
        return false;
    }
    std::vector<size_t> packed(count, 0);
    uint64_t data_bytes = 0;
    EntryStreamHandlers handlers;
    handlers.begin = [&](size_t i) {
        if (progress) progress(i, count, manifest.entries[i].name);
    };
    handlers.write = [&](const uint8_t* bytes, size_t n, std::string& fault) {
        data_bytes += n;
        if (data_bytes + stub.size() + records + 7 > MAX_PROGRAM_FILE) {
            fault = "the installer would pass 2 GiB; the program reads at most 2 GiB";
            return false;
        }
        if (write_all(fd, bytes, n, fault)) return true;
        fault = "cannot write the installer: " + fault;
        return false;
    };
    handlers.end = [&](size_t i, size_t n, const CompressStats& stats, const std::vector<uint32_t>& crcs) {
        packed[i] = n;
        add_stats(result.totals, stats);
        result.entries.push_back({manifest.entries[i].name, manifest.entries[i].flags, (size_t)manifest.entries[i].size, n, crcs});
    };
    if (!compress_entries(manifest, options.level, options.threads, handlers, error)) return false;

    // Zero fill at the end of the table area makes the installer a whole number of 8-byte
    // units long: a signer then puts its certificate table right behind the last stream and
    // inserts no alignment padding, so the package it signs is the package that was built.
    uint64_t total = stub.size() + records + data_bytes;
    size_t fill = (size_t)((8 - total % 8) % 8);
    size_t table_size = records + fill;
    total += fill;
    uint32_t table_offset = (uint32_t)stub.size();
    uint32_t data_start = (uint32_t)(table_offset + table_size);
    if (fill) {
        std::vector<uint8_t> zeros(fill, 0);
        if (!move_up(fd, table_offset + records, data_bytes, fill, why) ||
            !pwrite_all(fd, zeros.data(), fill, table_offset + records, why)) {
            error = "cannot write the installer: " + why;
            return false;
        }
    }
    table.clear();
    uint32_t data_offset = data_start;
    for (size_t i = 0; i < count; ++i) {
        const ManifestEntry& e = manifest.entries[i];
        uint16_t size_kb = (uint16_t)((e.size + 1023) / 1024);
        std::vector<uint8_t> record = make_entry_record(e.name, e.flags, size_kb, e.version_ms, e.version_ls,
                                                        data_offset, (uint32_t)packed[i]);
        table.insert(table.end(), record.begin(), record.end());
        data_offset += (uint32_t)packed[i];
    }
    table.insert(table.end(), fill, 0);
    // The table must pass the same soundness test the program runs.
    if (check_file_table(table.data(), (uint32_t)table_size, (unsigned)count, data_start, (uint32_t)total) != 0) {
        error = "internal error: the File table written fails the program's soundness test";
        return false;
    }
    std::vector<uint8_t> h(stub.begin() + header, stub.begin() + header + sizeof(SetupHeader));
    write_u16(&h[HEADER_FILE_COUNT], (uint16_t)count);
    write_u32(&h[HEADER_TABLE_OFFSET], table_offset);
    write_u32(&h[HEADER_TABLE_SIZE], (uint32_t)table_size);
    write_u32(&h[HEADER_DATA_START], data_start);
    write_u32(&h[HEADER_VERSION_MS], (uint32_t)manifest.major << 16 | manifest.minor);
    write_u32(&h[HEADER_VERSION_LS], manifest.build);
    uint32_t sum = 0;
    if (!pwrite_all(fd, table.data(), table.size(), table_offset, why) ||
        !checksum_of_file(fd, table_offset, total, sum, why)) {
        error = "cannot write the installer: " + why;
        return false;
    }
    write_u32(&h[HEADER_CHECKSUM], sum);
    const uint32_t pe_field = read_u32(&stub[PE_HEADERS_POINTER]) + PE_CHECKSUM_FIELD;
    if (!pwrite_all(fd, h.data(), h.size(), header, why) || !seal_pe_checksum(fd, total, pe_field, why)) {
        error = "cannot write the installer: " + why;
        return false;
    }
    result.stub_size = stub.size();
    result.table_size = table_size;
    result.total_size = (size_t)total;
    result.checksum = sum;
    return true;
}
