// The package appended to the program file, as the program and setup-pack both see it.
//
//   program file
//   +---------------------------+ 0
//   | executable image          |   holds the 48-byte Setup header in its initialised data
//   |   ... Setup header ...    |   (found by setup-pack through its marker, then patched)
//   +---------------------------+ table_offset
//   | File table area           |   file_count File entries back to back, then zero fill
//   +---------------------------+ table_offset + table_size  (= data_start)
//   | entry data                |   one compressed stream per entry, at each data_offset
//   +---------------------------+ end of file
//
// The package checksum covers every byte from table_offset to the end of the file.
//
// File entry (variable length, no alignment; n = length of the name):
//   0      u16  record_length     n + 20, or n + 28 with the version pair
//   2      u16  flags
//   4      u16  size_kb           uncompressed size in KiB, rounded up
//   6      n+1  name              zero-terminated; may hold backslash subfolders
//   7+n    u8   reserved (0)
//   8+n    u32 version_ms, u32 version_ls   only when flags & 0x0016
//   next   u16  reserved (1)
//   next   u32  data_offset
//   next   u32  packed_size       never read by the program
//   next   u16  reserved (0)
#pragma once

#include "common/bytes.h"

#include <cstddef>
#include <cstdint>

struct SetupHeader {
    uint8_t marker[6];
    uint16_t file_count;
    uint32_t table_offset;
    uint32_t table_size;
    uint32_t data_start;
    uint32_t reserved_20;
    uint32_t reserved_24;
    uint32_t reserved_28;
    uint32_t product_version_ms;   // major << 16 | minor
    uint32_t product_version_ls;   // low 16 bits: build
    uint32_t reserved_40;
    uint32_t checksum;
};
static_assert(sizeof(SetupHeader) == 48, "the Setup header is 48 bytes");

constexpr uint8_t SETUP_MARKER[6] = {0x77, 0x77, 0x67, 0x54, 0x29, 0x48};   // "wwgT)H"

// The wizard shows as its picture the first not_installed entry of this name (a BMP file).
constexpr const char LOGO_ENTRY_NAME[] = "logo.bmp";

// File entry flags.
enum : uint16_t {
    ENTRY_NOT_INSTALLED = 0x0001,
    ENTRY_SHARED = 0x0002,
    ENTRY_SHARED_ALT = 0x0004,
    ENTRY_VERSIONED = 0x0010,
    ENTRY_PLACED = 0x2000,
    ENTRY_HAS_VERSION = ENTRY_SHARED | ENTRY_SHARED_ALT | ENTRY_VERSIONED,
};

// Fixed parts of a record: 6 bytes before the name, the name's terminator, the reserved
// byte, the reserved word, data_offset, packed_size and the last reserved word.
constexpr size_t ENTRY_FIXED_BYTES = 20;
constexpr size_t ENTRY_VERSION_BYTES = 8;

inline uint16_t entry_record_length(const uint8_t* e) { return read_u16(e); }
inline uint16_t entry_flags(const uint8_t* e) { return read_u16(e + 2); }
inline uint16_t entry_size_kb(const uint8_t* e) { return read_u16(e + 4); }
inline const char* entry_name(const uint8_t* e) { return reinterpret_cast<const char*>(e + 6); }
inline bool entry_has_version(const uint8_t* e) { return (entry_flags(e) & ENTRY_HAS_VERSION) != 0; }

// Offset, from the record's start, of the fields after the name: the version pair when
// present, else the reserved word. Found from the name, never from record_length.
size_t entry_tail_offset(const uint8_t* e);

uint32_t entry_version_ms(const uint8_t* e);
uint32_t entry_version_ls(const uint8_t* e);
uint32_t entry_data_offset(const uint8_t* e);
uint32_t entry_packed_size(const uint8_t* e);

inline void entry_set_flag(uint8_t* e, uint16_t flag) { write_u16(e + 2, (uint16_t)(entry_flags(e) | flag)); }
inline void entry_clear_flag(uint8_t* e, uint16_t flag) { write_u16(e + 2, (uint16_t)(entry_flags(e) & ~flag)); }
