// pe-relayout IN OUT: rewrites a PE file with its sections laid out at a 512-byte file
// alignment, each section's trailing zero bytes left out of the file. The loaded image is
// the same: the loader zero-fills a section beyond its raw data up to its virtual size.
//
// Files it does not understand, or whose layout it could not move safely (a certificate
// table, which is addressed by file offset; a debug directory; a section without a virtual
// size; data behind the last section other than a COFF symbol table), are refused with exit code 2 and OUT is not written.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t NEW_ALIGNMENT = 512;

uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) { return (uint32_t)u16(b, at) | (uint32_t)u16(b, at + 2) << 16; }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}
uint32_t align_up(uint32_t v) { return (v + NEW_ALIGNMENT - 1) & ~(NEW_ALIGNMENT - 1); }

// The PE image checksum: 16-bit one's-complement-style sum of the file's words with the
// checksum field counted as zero, plus the file's length.
uint32_t pe_checksum(const std::vector<uint8_t>& b, size_t checksum_at) {
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        if (i == checksum_at || i == checksum_at + 2) continue;
        uint32_t word = b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)sum + (uint32_t)b.size();
}

int refuse(const char* path, const char* why) {
    std::fprintf(stderr, "pe-relayout: %s: %s\n", path, why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pe-relayout IN OUT\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) return refuse(argv[1], "cannot read");

    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return refuse(argv[1], "not an MZ file");
    size_t pe = u32(b, 0x3C);
    if (pe + 24 > b.size() || u32(b, pe) != 0x00004550) return refuse(argv[1], "no PE signature");
    unsigned section_count = u16(b, pe + 6);
    size_t optional = pe + 24;
    size_t optional_size = u16(b, pe + 20);
    size_t sections = optional + optional_size;
    if (sections + 40 * (size_t)section_count > b.size() || optional_size < 96) return refuse(argv[1], "truncated headers");
    uint16_t magic = u16(b, optional);
    if (magic != 0x10B && magic != 0x20B) return refuse(argv[1], "unknown optional header");
    size_t directories = optional + (magic == 0x20B ? 112 : 96);
    uint32_t directory_count = u32(b, directories - 4);
    auto directory_size = [&](unsigned i) {
        size_t at = directories + 8 * i + 4;
        return i < directory_count && at + 4 <= sections ? u32(b, at) : 0u;
    };
    if (directory_size(4) != 0) return refuse(argv[1], "has a certificate table");
    if (directory_size(6) != 0) return refuse(argv[1], "has a debug directory (file offsets inside)");

    uint32_t old_headers = u32(b, optional + 60);
    uint32_t section_alignment = u32(b, optional + 32);
    if (section_alignment < NEW_ALIGNMENT) return refuse(argv[1], "section alignment below 512");

    // The headers keep their bytes up to their last non-zero one, and at least the section table.
    size_t header_end = sections + 40 * (size_t)section_count;
    if (old_headers < header_end) return refuse(argv[1], "SizeOfHeaders ends inside the section table");
    size_t last = old_headers < b.size() ? old_headers : b.size();
    while (last > header_end && b[last - 1] == 0) --last;
    std::vector<uint8_t> out(b.begin(), b.begin() + last);
    out.resize(align_up((uint32_t)out.size()), 0);

    // Sections keep their order in the file; the raw data of each moves to the next
    // 512-byte boundary and loses its trailing zeros.
    size_t end_of_old_data = old_headers;
    uint32_t previous_pointer = 0;
    for (unsigned i = 0; i < section_count; ++i) {
        size_t s = sections + 40 * (size_t)i;
        uint32_t virtual_size = u32(b, s + 8);
        uint32_t raw_size = u32(b, s + 16);
        uint32_t pointer = u32(b, s + 20);
        if (raw_size == 0 || pointer == 0) {
            put32(out, s + 16, 0);
            put32(out, s + 20, 0);
            continue;
        }
        if (virtual_size == 0) return refuse(argv[1], "a section without a virtual size");
        if (pointer < previous_pointer) return refuse(argv[1], "sections out of file order");
        if ((uint64_t)pointer + raw_size > b.size()) return refuse(argv[1], "a section beyond the end of the file");
        previous_pointer = pointer;
        end_of_old_data = pointer + raw_size > end_of_old_data ? pointer + raw_size : end_of_old_data;

        // Only bytes the loader maps count: beyond the virtual size they are never seen.
        uint32_t used = raw_size < virtual_size ? raw_size : virtual_size;
        while (used > 0 && b[pointer + used - 1] == 0) --used;
        if (used == 0) {
            put32(out, s + 16, 0);
            put32(out, s + 20, 0);
            continue;
        }
        uint32_t new_pointer = (uint32_t)out.size();
        uint32_t new_raw = align_up(used);
        out.insert(out.end(), b.begin() + pointer, b.begin() + pointer + used);
        out.resize(new_pointer + new_raw, 0);
        put32(out, s + 16, new_raw);
        put32(out, s + 20, new_pointer);
    }
    // A COFF symbol and string table (a stripped file may keep the string table alone)
    // follows the sections; it moves along as it is. Any other data there is refused.
    uint32_t symbols = u32(b, pe + 12);
    size_t tail = symbols != 0 && symbols >= end_of_old_data && symbols < b.size() ? symbols : b.size();
    for (size_t k = end_of_old_data; k < tail; ++k)
        if (b[k] != 0) return refuse(argv[1], "data behind the last section");
    if (tail < b.size()) {
        put32(out, pe + 12, (uint32_t)out.size());
        out.insert(out.end(), b.begin() + tail, b.end());
    }

    put32(out, optional + 36, NEW_ALIGNMENT);                 // FileAlignment
    put32(out, optional + 60, align_up((uint32_t)last));   // SizeOfHeaders
    put32(out, optional + 64, 0);
    put32(out, optional + 64, pe_checksum(out, optional + 64));

    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), (std::streamsize)out.size());
    file.close();
    if (!file) {
        std::remove(argv[2]);
        return refuse(argv[2], "cannot write");
    }
    return 0;
}
