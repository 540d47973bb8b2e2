// Reading a built installer back: its Setup header, its File table and its entries, each
// offset checked against the file before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct InstallerView {
    std::vector<uint8_t> bytes;     // the whole program file
    size_t header = 0;              // offset of the Setup header
    unsigned file_count = 0;
    uint32_t table_offset = 0, table_size = 0, data_start = 0;
    uint32_t version_ms = 0, version_ls = 0, checksum = 0;
    // A signed installer: its certificate table (offset and size; both 0 when not signed),
    // and where the package ends (the end of the file, or where the table or the zero
    // padding the signer put before it begins).
    uint32_t certificate_offset = 0, certificate_size = 0;
    uint32_t package_end = 0;
    std::vector<uint8_t*> entries;   // filled by load_entries
};

// Reads `path`, finds its Setup header and reads its fields. False with `error` when the file
// cannot be read, the marker is not there exactly once, the table lies outside the file, or
// its security directory names no certificate table at the end of the file behind the package
// (the program refuses such a file). For a signed file whose signer padded the file before
// its certificate table, package_end is the end whose checksum matches, when one does.
bool open_installer(const std::string& path, InstallerView& view, std::string& error);

// Where a PE file's last section ends in the file (0 when `file` is no PE file): a file
// shorter than that was cut short.
uint64_t pe_image_end(const std::vector<uint8_t>& file);

// The package checksum of the file as it is (table_offset to package_end).
uint32_t installer_checksum(const InstallerView& view);

// The PE checksum of a program file: true with the value its CheckSum field holds and the one
// the file's bytes give; false when the file has no PE headers in its first 512 bytes (the
// program then refuses it: it has no checksum to verify).
bool program_pe_checksum(const std::vector<uint8_t>& file, uint32_t& stored, uint32_t& computed);

// The security directory of a program file: true with its offset and size (both 0 when it is
// not signed); false when the file has no PE headers with such an entry.
bool program_security_directory(const std::vector<uint8_t>& file, uint32_t& offset, uint32_t& size);

// "certificate table of N bytes at offset X" for a signed installer, "" otherwise.
std::string certificate_text(const InstallerView& view);

// Runs the program's File table soundness test and, when it passes, lists the entries.
bool load_entries(InstallerView& view, std::string& error);

// The entry's flags by name ("versioned shared", "not_installed", "-").
std::string flag_names(uint16_t flags);
