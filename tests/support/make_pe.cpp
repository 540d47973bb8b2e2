#include "tests/support/make_pe.h"

#include "common/bytes.h"

#include <vector>

namespace {

constexpr uint32_t PE_OFFSET = 0x40;
constexpr uint32_t FILE_ALIGNMENT = 0x200;
constexpr uint32_t SECTION_RVA = 0x1000;
constexpr uint32_t SECTION_ALIGNMENT = 0x1000;

class Bytes {
public:
    explicit Bytes(size_t size) : b_(size, 0) {}
    void u8(size_t at, uint8_t v) { b_[at] = v; }
    void u16(size_t at, uint16_t v) { write_u16(&b_[at], v); }
    void u32(size_t at, uint32_t v) { write_u32(&b_[at], v); }
    void u64(size_t at, uint64_t v) {
        write_u32(&b_[at], (uint32_t)v);
        write_u32(&b_[at + 4], (uint32_t)(v >> 32));
    }
    void text(size_t at, const char* s) {
        while (*s) b_[at++] = (uint8_t)*s++;
    }
    // A zero-terminated UTF-16 key; returns the offset just past its terminator.
    size_t wide(size_t at, const char* s) {
        do {
            u16(at, (uint16_t)(unsigned char)*s);
            at += 2;
        } while (*s++);
        return at;
    }
    std::vector<uint8_t>& raw() { return b_; }

private:
    std::vector<uint8_t> b_;
};

size_t align4(size_t n) { return (n + 3) & ~(size_t)3; }

// VS_VERSIONINFO: the root with the fixed file information, and a VarFileInfo child with
// the Translation value (US English, Unicode), as resource compilers write it.
std::vector<uint8_t> version_info(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    Bytes v(160);
    size_t at = align4(v.wide(6, "VS_VERSION_INFO"));   // 40
    v.u16(2, 52);
    v.u16(4, 0);
    v.u32(at + 0, 0xFEEF04BD);
    v.u32(at + 4, 0x00010000);
    v.u32(at + 8, (uint32_t)a << 16 | b);
    v.u32(at + 12, (uint32_t)c << 16 | d);
    v.u32(at + 16, (uint32_t)a << 16 | b);
    v.u32(at + 20, (uint32_t)c << 16 | d);
    v.u32(at + 24, 0x3F);          // dwFileFlagsMask
    v.u32(at + 32, 0x00040004);    // VOS_NT_WINDOWS32
    v.u32(at + 36, 1);             // VFT_APP
    size_t var_file_info = at + 52;   // 92
    size_t var = align4(v.wide(var_file_info + 6, "VarFileInfo"));
    v.u16(var_file_info + 2, 0);
    v.u16(var_file_info + 4, 1);
    size_t value = align4(v.wide(var + 6, "Translation"));
    v.u16(var + 0, (uint16_t)(value + 4 - var));
    v.u16(var + 2, 4);
    v.u16(var + 4, 0);
    v.u16(value, 0x0409);
    v.u16(value + 2, 0x04B0);
    size_t end = value + 4;
    v.u16(var_file_info, (uint16_t)(end - var_file_info));
    v.u16(0, (uint16_t)end);
    v.raw().resize(end);
    return v.raw();
}

// The resource section: type 16 (RT_VERSION) > name 1 > language 0x409 > data entry > data.
std::vector<uint8_t> resource_section(const std::vector<uint8_t>& info) {
    Bytes r(0x58 + info.size());
    r.u16(0x0E, 1);
    r.u32(0x10, 16);
    r.u32(0x14, 0x80000000u | 0x18);
    r.u16(0x18 + 0x0E, 1);
    r.u32(0x28, 1);
    r.u32(0x2C, 0x80000000u | 0x30);
    r.u16(0x30 + 0x0E, 1);
    r.u32(0x40, 0x0409);
    r.u32(0x44, 0x48);
    r.u32(0x48, SECTION_RVA + 0x58);
    r.u32(0x4C, (uint32_t)info.size());
    for (size_t i = 0; i < info.size(); ++i) r.u8(0x58 + i, info[i]);
    return r.raw();
}

std::string build_pe(PeMachine machine, const std::vector<uint8_t>* resources) {
    const bool wide = machine == PeMachine::x86_64;
    const uint32_t optional_size = wide ? 240 : 224;
    std::vector<uint8_t> section = resources ? *resources : std::vector<uint8_t>(16, 0);
    const uint32_t raw_size = (uint32_t)((section.size() + FILE_ALIGNMENT - 1) & ~(FILE_ALIGNMENT - 1));
    const uint32_t image_size =
        SECTION_RVA + (uint32_t)((section.size() + SECTION_ALIGNMENT - 1) & ~(SECTION_ALIGNMENT - 1));

    Bytes f(FILE_ALIGNMENT + raw_size);
    // DOS header: only the signature and the offset of the new header matter.
    f.text(0, "MZ");
    f.u16(2, 0x90);
    f.u16(4, 3);
    f.u16(8, 4);
    f.u16(0x18, 0x40);
    f.u32(60, PE_OFFSET);

    f.text(PE_OFFSET, "PE");
    size_t coff = PE_OFFSET + 4;
    f.u16(coff + 0, wide ? 0x8664 : 0x014C);
    f.u16(coff + 2, 1);                                   // one section
    f.u16(coff + 16, (uint16_t)optional_size);
    f.u16(coff + 18, wide ? 0x0022 : 0x0102);             // executable; large-address / 32-bit

    size_t opt = coff + 20;
    f.u16(opt + 0, wide ? 0x20B : 0x10B);
    f.u8(opt + 2, 2);                                     // linker version
    f.u32(opt + 8, raw_size);                             // initialised data
    f.u32(opt + 20, SECTION_RVA);                         // base of code
    if (wide) {
        f.u64(opt + 24, 0x140000000ull);
    } else {
        f.u32(opt + 24, SECTION_RVA);                     // base of data
        f.u32(opt + 28, 0x00400000);
    }
    f.u32(opt + 32, SECTION_ALIGNMENT);
    f.u32(opt + 36, FILE_ALIGNMENT);
    f.u16(opt + 40, wide ? 5 : 4);                        // operating system version
    f.u16(opt + 42, wide ? 2 : 0);
    f.u16(opt + 48, wide ? 5 : 4);                        // subsystem version
    f.u16(opt + 50, wide ? 2 : 0);
    f.u32(opt + 56, image_size);
    f.u32(opt + 60, FILE_ALIGNMENT);                      // size of headers
    f.u16(opt + 68, 2);                                   // Windows GUI
    size_t dirs;
    if (wide) {
        f.u64(opt + 72, 0x100000);
        f.u64(opt + 80, 0x1000);
        f.u64(opt + 88, 0x100000);
        f.u64(opt + 96, 0x1000);
        f.u32(opt + 108, 16);
        dirs = opt + 112;
    } else {
        f.u32(opt + 72, 0x100000);
        f.u32(opt + 76, 0x1000);
        f.u32(opt + 80, 0x100000);
        f.u32(opt + 84, 0x1000);
        f.u32(opt + 92, 16);
        dirs = opt + 96;
    }
    if (resources) {
        f.u32(dirs + 2 * 8, SECTION_RVA);                 // resource directory
        f.u32(dirs + 2 * 8 + 4, (uint32_t)section.size());
    }

    size_t sec = opt + optional_size;
    f.text(sec, resources ? ".rsrc" : ".data");
    f.u32(sec + 8, (uint32_t)section.size());             // virtual size
    f.u32(sec + 12, SECTION_RVA);
    f.u32(sec + 16, raw_size);
    f.u32(sec + 20, FILE_ALIGNMENT);
    f.u32(sec + 36, 0xC0000040u);                         // initialised data, read, write
    for (size_t i = 0; i < section.size(); ++i) f.u8(FILE_ALIGNMENT + i, section[i]);
    return std::string(f.raw().begin(), f.raw().end());
}

}  // namespace

std::string make_pe(PeMachine machine) { return build_pe(machine, nullptr); }

std::string make_pe_with_version(uint16_t a, uint16_t b, uint16_t c, uint16_t d, PeMachine machine) {
    std::vector<uint8_t> resources = resource_section(version_info(a, b, c, d));
    return build_pe(machine, &resources);
}

std::string make_not_pe() {
    std::string text;
    while (text.size() < 256) text += "This is a text file, not a program.\r\n";
    return text;
}

std::string make_16bit_exe() {
    Bytes f(0x80);
    f.text(0, "MZ");
    f.u16(2, 0x80);
    f.u16(4, 1);
    f.u16(8, 4);
    f.u16(0x18, 0x40);
    f.u32(60, 0x40);
    f.text(0x40, "NE");   // a new-executable header without resources
    f.u8(0x42, 5);        // linker version
    return std::string(f.raw().begin(), f.raw().end());
}
