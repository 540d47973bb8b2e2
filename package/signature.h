// The certificate table that signing appends to a program file. A signer puts it at the end
// of the file, 8-byte aligned (with up to 7 zero bytes before it when the file length is not a
// multiple of 8), and names it in the PE security directory. The package then ends where
// that table (or its padding) begins; a security directory that names anything else is
// hostile and is never followed.
#pragma once

#include "common/bytes.h"
#include "platform/win32.h"

#include <cstdint>

// Where the MZ header keeps the offset of the PE headers ("PE\0\0", file header, optional
// header).
constexpr uint32_t PE_HEADERS_POINTER = 0x3C;
// Bytes of the PE headers up to the end of the security directory entry, in the longer of the
// two optional header layouts (64-bit images).
constexpr uint32_t PE_HEADERS_READ = 176;
// The program looks for its PE headers in the first 512 bytes of its file: a linker puts them
// near the start (this program's are at 0x80). A file whose headers lie further on is refused
// (44): its PE checksum cannot be verified.
constexpr uint32_t PE_HEADERS_AREA = 512;
// Where the PE CheckSum field lies behind the "PE\0\0" signature (the same in 32- and 64-bit
// images).
constexpr uint32_t PE_CHECKSUM_FIELD = 24 + 64;
// The signer's alignment padding before the certificate table, at most.
constexpr uint32_t CERTIFICATE_PADDING_MAX = 7;

// Reads the security directory entry (data directory 4) from `area`, the first `length` bytes
// of a program file. True with `offset` (a file offset) and `size`, both 0 when the file is
// not signed, and (when `pe_checksum` is given) the value of the PE CheckSum field; false
// when the bytes hold no PE headers of a 32- or 64-bit image with at least five data
// directories (then the file is not signed either).
// (Inline: the program reads it in one place, and setup-pack reads it too.)
inline bool read_security_directory(const uint8_t* area, uint32_t length, uint32_t* offset, uint32_t* size,
                                    uint32_t* pe_checksum = nullptr) {
    constexpr uint32_t PE_SIGNATURE = 0x00004550;   // "PE\0\0"
    constexpr uint16_t PE32_MAGIC = 0x10B;
    constexpr uint16_t PE32_PLUS_MAGIC = 0x20B;
    constexpr uint32_t OPTIONAL_HEADER = 24;        // behind the signature and the file header
    constexpr uint32_t SECURITY_ENTRY = 4 * 8;      // data directory 4, 8 bytes per entry
    if (length < PE_HEADERS_READ) return false;
    uint32_t at = read_u32(area + PE_HEADERS_POINTER);
    if (at > length - PE_HEADERS_READ) return false;
    const uint8_t* pe = area + at;
    if (read_u32(pe) != PE_SIGNATURE) return false;
    uint16_t magic = read_u16(pe + OPTIONAL_HEADER);
    if (magic != PE32_MAGIC && magic != PE32_PLUS_MAGIC) return false;
    // The data directories follow the optional header's fixed part, which is 96 bytes in a
    // 32-bit image and 112 in a 64-bit one; the directory count is its last field.
    uint32_t directories = OPTIONAL_HEADER + (magic == PE32_PLUS_MAGIC ? 112 : 96);
    if (read_u32(pe + directories - 4) <= 4) return false;
    if (pe_checksum) *pe_checksum = read_u32(pe + PE_CHECKSUM_FIELD);
    *offset = read_u32(pe + directories + SECURITY_ENTRY);
    *size = read_u32(pe + directories + SECURITY_ENTRY + 4);
    return true;
}

// Whether a non-empty security directory entry may be followed: the table starts on an
// 8-byte boundary no earlier than `data_start` (so not inside the image or the File table),
// holds its first entry (`first_length` bytes: more than its 8-byte header, no more than the
// table) and runs exactly to the end of a file of `file_size` bytes (compared as what is left
// behind the offset, so a huge size cannot wrap round to the end).
inline bool certificate_table_sound(uint32_t offset, uint32_t size, uint32_t first_length, uint32_t data_start,
                                    uint32_t file_size) {
    return offset % 8 == 0 && offset >= data_start && offset <= file_size && size == file_size - offset &&
           first_length > 8 && first_length <= size;
}

// Reads the PE headers of the open program file (`file_size` bytes, entry data from
// `data_start`) and finds where its package can end. Sets `pe_checksum` to the value of the
// PE CheckSum field, and `end` to `file_size` when the file is not signed, or to the start
// of its certificate table. Returns 0, or 44 when the PE headers cannot be read (the
// file then carries no checksum to verify) or the security directory names no sound table
// behind the package. Leaves the file position anywhere.
int find_package_end(HFILE file, uint32_t file_size, uint32_t data_start, uint32_t* end, uint32_t* pe_checksum);
