// A one-entry package for extraction tests: a File entry record made by hand and a program
// file holding the entry's stream at the entry's data offset, behind unrelated bytes.
#pragma once

#include "tests/support/bit_writer.h"
#include "tests/support/test_env.h"

#include "common/bytes.h"
#include "package/package_format.h"

#include <cstring>
#include <string>
#include <vector>

inline std::vector<uint8_t> make_entry(const std::string& name, uint16_t flags, uint16_t size_kb,
                                       uint32_t data_offset, uint32_t version_ms = 0x00020002,
                                       uint32_t version_ls = 0x00000061) {
    bool versioned = (flags & ENTRY_HAS_VERSION) != 0;
    std::vector<uint8_t> e(name.size() + (versioned ? 28 : 20), 0);
    write_u16(&e[0], (uint16_t)e.size());
    write_u16(&e[2], flags);
    write_u16(&e[4], size_kb);
    std::memcpy(&e[6], name.c_str(), name.size() + 1);
    size_t tail = 6 + name.size() + 2;
    if (versioned) {
        write_u32(&e[tail], version_ms);
        write_u32(&e[tail + 4], version_ls);
        tail += 8;
    }
    write_u16(&e[tail], 1);
    write_u32(&e[tail + 2], data_offset);
    write_u32(&e[tail + 6], 0xDEADBEEF);   // packed_size: never read
    return e;
}

// Writes the program file: `lead` filler bytes, then `stream`, then a few more bytes, and
// opens it as package_file.
inline void open_package(const std::string& path, const std::string& stream, size_t lead = 4096) {
    std::string file(lead, '\x5A');
    file += stream;
    file += "tail bytes after the stream";
    write_file(path, file);
    ctx.package_file = _lopen(path.c_str(), OF_READ);
    ASSERT_NE(ctx.package_file, HFILE_ERROR);
}
