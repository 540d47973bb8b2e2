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
    std::vector<uint8_t*> entries;   // filled by load_entries
};

// Reads `path`, finds its Setup header and reads its fields. False with `error` when the file
// cannot be read, the marker is not there exactly once, or the table lies outside the file.
bool open_installer(const std::string& path, InstallerView& view, std::string& error);

// The package checksum of the file as it is (table_offset to the end).
uint32_t installer_checksum(const InstallerView& view);

// Runs the program's File table soundness test and, when it passes, lists the entries.
bool load_entries(InstallerView& view, std::string& error);

// The entry's flags by name ("versioned shared", "not_installed", "-").
std::string flag_names(uint16_t flags);
