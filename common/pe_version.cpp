#include "common/pe_version.h"

#include "common/bytes.h"

namespace {

constexpr uint32_t RT_VERSION_ID = 16;
constexpr uint32_t FIXED_INFO_SIGNATURE = 0xFEEF04BD;
constexpr size_t FIXED_INFO_SIZE = 52;

struct Section {
    uint32_t virtual_address, virtual_size, raw_offset, raw_size;
};

// Translates an RVA to a file offset through the section table; false when outside every section.
bool rva_to_offset(const uint8_t* file, size_t size, size_t sections, unsigned count, uint32_t rva,
                   size_t& out) {
    for (unsigned i = 0; i < count; ++i) {
        size_t s = sections + i * 40;
        if (s + 40 > size) return false;
        Section sec{read_u32(file + s + 12), read_u32(file + s + 8), read_u32(file + s + 20),
                    read_u32(file + s + 16)};
        uint32_t span = sec.virtual_size > sec.raw_size ? sec.virtual_size : sec.raw_size;
        if (rva >= sec.virtual_address && rva - sec.virtual_address < span) {
            uint64_t off = (uint64_t)sec.raw_offset + (rva - sec.virtual_address);
            if (off >= size) return false;
            out = (size_t)off;
            return true;
        }
    }
    return false;
}

// Returns the first entry of a resource directory, whose id equals `want` (or any when want is
// ~0u); sets `target` to its offset field. Directory offsets are relative to the resource root.
bool first_entry(const uint8_t* file, size_t size, size_t root, size_t dir, uint32_t want,
                 uint32_t& target) {
    if (dir + 16 > size) return false;
    unsigned named = read_u16(file + dir + 12), ids = read_u16(file + dir + 14);
    for (unsigned i = 0; i < named + ids; ++i) {
        size_t e = dir + 16 + i * 8;
        if (e + 8 > size) return false;
        uint32_t name = read_u32(file + e);
        if (want != ~0u && ((name & 0x80000000u) || name != want)) continue;
        target = read_u32(file + e + 4);
        return true;
    }
    (void)root;
    return false;
}

}  // namespace

bool pe_find_version_resource(const uint8_t* file, size_t size, size_t& offset, size_t& length) {
    if (size < 64 || file[0] != 'M' || file[1] != 'Z') return false;
    size_t pe = read_u32(file + 60);
    if (pe > size || size - pe < 24 || read_u32(file + pe) != 0x00004550) return false;
    unsigned section_count = read_u16(file + pe + 6);
    unsigned optional_size = read_u16(file + pe + 20);
    size_t opt = pe + 24;
    if (opt + optional_size > size || optional_size < 2) return false;
    unsigned magic = read_u16(file + opt);
    size_t dirs = magic == 0x20B ? opt + 112 : magic == 0x10B ? opt + 96 : 0;
    if (dirs == 0 || dirs + 3 * 8 > opt + optional_size) return false;
    uint32_t resource_rva = read_u32(file + dirs + 2 * 8);
    if (resource_rva == 0) return false;
    size_t sections = opt + optional_size;
    size_t root;
    if (!rva_to_offset(file, size, sections, section_count, resource_rva, root)) return false;

    uint32_t t;
    if (!first_entry(file, size, root, root, RT_VERSION_ID, t) || !(t & 0x80000000u)) return false;
    size_t name_dir = root + (t & 0x7FFFFFFFu);
    if (!first_entry(file, size, root, name_dir, ~0u, t) || !(t & 0x80000000u)) return false;
    size_t lang_dir = root + (t & 0x7FFFFFFFu);
    if (!first_entry(file, size, root, lang_dir, ~0u, t) || (t & 0x80000000u)) return false;
    size_t data_entry = root + t;
    if (data_entry + 16 > size) return false;
    uint32_t data_rva = read_u32(file + data_entry);
    uint32_t data_size = read_u32(file + data_entry + 4);
    size_t data;
    if (!rva_to_offset(file, size, sections, section_count, data_rva, data)) return false;
    if (data_size > size - data) return false;
    offset = data;
    length = data_size;
    return true;
}

long version_block_fixed_info(const uint8_t* block, size_t size) {
    // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO", padding, value.
    static const char key[] = "VS_VERSION_INFO";
    if (size < 6 + sizeof key * 2) return -1;
    unsigned value_length = read_u16(block + 2);
    for (size_t i = 0; i < sizeof key; ++i)
        if (read_u16(block + 6 + 2 * i) != (uint16_t)(unsigned char)key[i]) return -1;
    size_t value = (6 + sizeof key * 2 + 3) & ~(size_t)3;
    if (value_length < FIXED_INFO_SIZE || value + FIXED_INFO_SIZE > size) return -1;
    if (read_u32(block + value) != FIXED_INFO_SIGNATURE) return -1;
    return (long)value;
}

bool version_block_file_version(const uint8_t* block, size_t size, uint32_t& ms, uint32_t& ls) {
    long at = version_block_fixed_info(block, size);
    if (at < 0) return false;
    ms = read_u32(block + at + 8);
    ls = read_u32(block + at + 12);
    return true;
}
