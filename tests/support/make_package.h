// Test program files: a stub standing for the executable image, the File table, the entries'
// data and the package checksum, plus the Setup header values that describe them. Raw
// overrides make damaged and hostile packages. Every function here that builds or changes a
// program file leaves its PE checksum right, as a linker, setup-pack or a signer does, so a
// test's own damage is the only fault in it; a test that changes bytes itself reseals.
#pragma once

#include "package/package_format.h"
#include "tests/support/make_pe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PackageEntry {
    std::string name;
    uint16_t flags = 0;
    uint16_t size_kb = 0;
    uint32_t version_ms = 0;   // written only when flags & 0x0016
    uint32_t version_ls = 0;
    std::string data;          // the entry's compressed stream bytes, copied as they are

    // Raw overrides for hostile records.
    std::optional<uint16_t> record_length;
    std::optional<uint32_t> data_offset;
};

struct PackageLayout {
    std::string stub = make_pe(PeMachine::i386);   // the executable image; table_offset is its size
    std::vector<PackageEntry> entries;
    uint32_t table_fill = 0;                      // zero bytes after the records in the table area
    uint32_t product_version_ms = 0x00020002;
    uint32_t product_version_ls = 0x00000062;

    // Raw overrides.
    std::optional<std::string> table_bytes;       // the records as given instead of built
    std::optional<uint16_t> file_count;           // instead of entries.size()
    std::optional<uint32_t> checksum;             // instead of the computed one
};

struct BuiltPackage {
    std::string bytes;                     // the whole program file
    SetupHeader header;                    // the values for setup_header_storage
    std::vector<uint32_t> record_offsets;  // each record's offset in the table
    std::vector<uint32_t> data_offsets;    // each entry's data offset in the file
};

// One File entry record as the program reads it (reserved byte 0, reserved word 1, trailing
// reserved word 0; packed_size = data.size()).
std::string file_entry_record(const PackageEntry& entry, uint32_t data_offset);

// Builds the program file: stub, table area (records then table_fill zeros), each entry's data
// back to back in table order, and the header with the checksum the program computes; then
// sets the file's PE checksum (the stub must be a PE image with its headers in the first 512
// bytes, as make_pe's are).
BuiltPackage build_package(const PackageLayout& layout);

// Sets header.checksum to the checksum of bytes[table_offset..end), and the PE checksum, after
// a test changed bytes.
void reseal_package(BuiltPackage& package);

// Sets the PE CheckSum field of the program file `bytes` (found through its MZ header) to the
// checksum of the file as it is.
void seal_pe_checksum(std::string& bytes);

// Writes the file to `windows_path`, puts the header into setup_header_storage and makes the
// path the program's own module file name.
void install_package(const BuiltPackage& package, const std::string& windows_path);

// Puts the build-time header back into setup_header_storage (all zero except the marker and
// the reserved words).
void restore_setup_header();

// What a signer does to a program file: pads it with zero bytes to a multiple of 8, appends a
// certificate table of `table_size` bytes (a multiple of 8: one entry whose header gives its
// length, revision 2 and type 2, then filler) and names the table in the security directory
// of the stub's PE headers. The stub must be a PE image (make_pe); the package checksum is
// left alone and the PE checksum set, as a signer does. Returns the padding added.
uint32_t sign_package(BuiltPackage& package, uint32_t table_size = 1024);

// Writes the security directory entry of the stub's PE headers as given, and reseals the PE
// checksum.
void set_security_directory(BuiltPackage& package, uint32_t offset, uint32_t size);
