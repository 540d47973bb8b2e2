#include "package/signature.h"

#include "common/bytes.h"
#include "common/status.h"

int find_package_end(HFILE file, uint32_t file_size, uint32_t data_start, uint32_t* end, uint32_t* pe_checksum) {
    *end = file_size;
    uint8_t area[PE_HEADERS_AREA];
    uint32_t offset, size;
    _llseek(file, 0, FILE_BEGIN);
    UINT got = _lread(file, area, PE_HEADERS_AREA);
    if (got == (UINT)HFILE_ERROR || !read_security_directory(area, got, &offset, &size, pe_checksum))
        return MSG_INVALID_DATA;
    if ((offset | size) == 0) return STATUS_OK;
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
