#include "package/signature.h"

#include "common/bytes.h"
#include "common/status.h"

namespace {

constexpr uint32_t PE_SIGNATURE = 0x00004550;   // "PE\0\0"
constexpr uint16_t PE32_MAGIC = 0x10B;
constexpr uint16_t PE32_PLUS_MAGIC = 0x20B;
constexpr uint32_t OPTIONAL_HEADER = 24;        // behind the signature and the file header
constexpr uint32_t SECURITY_ENTRY = 4 * 8;      // data directory 4, 8 bytes per entry

}  // namespace

bool read_security_directory(const uint8_t* area, uint32_t length, uint32_t* offset, uint32_t* size) {
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
    *offset = read_u32(pe + directories + SECURITY_ENTRY);
    *size = read_u32(pe + directories + SECURITY_ENTRY + 4);
    return true;
}

int find_package_end(HFILE file, uint32_t file_size, uint32_t data_start, uint32_t* end) {
    *end = file_size;
    uint8_t area[PE_HEADERS_AREA];
    uint32_t offset, size;
    _llseek(file, 0, FILE_BEGIN);
    UINT got = _lread(file, area, PE_HEADERS_AREA);
    if (got == (UINT)HFILE_ERROR || !read_security_directory(area, got, &offset, &size) || (offset | size) == 0)
        return STATUS_OK;
    // The tests of certificate_table_sound, in turn.
    if (offset % 8 != 0 || offset < data_start || offset > file_size || size != file_size - offset)
        return MSG_INVALID_DATA;
    // The first entry's length, read only once the table is known to lie in the file.
    uint8_t first[4] = {};
    _llseek(file, (LONG)offset, FILE_BEGIN);
    _lread(file, first, 4);
    uint32_t first_length = read_u32(first);
    if (first_length <= 8 || first_length > size) return MSG_INVALID_DATA;
    *end = offset;
    return STATUS_OK;
}
