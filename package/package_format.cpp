#include "package/package_format.h"

#include <cstring>

size_t entry_tail_offset(const uint8_t* e) { return 6 + std::strlen(entry_name(e)) + 2; }

uint32_t entry_version_ms(const uint8_t* e) {
    return entry_has_version(e) ? read_u32(e + entry_tail_offset(e)) : 0;
}

uint32_t entry_version_ls(const uint8_t* e) {
    return entry_has_version(e) ? read_u32(e + entry_tail_offset(e) + 4) : 0;
}

static size_t data_field_offset(const uint8_t* e) {
    return entry_tail_offset(e) + (entry_has_version(e) ? ENTRY_VERSION_BYTES : 0) + 2;
}

uint32_t entry_data_offset(const uint8_t* e) { return read_u32(e + data_field_offset(e)); }
uint32_t entry_packed_size(const uint8_t* e) { return read_u32(e + data_field_offset(e) + 4); }
