#include "tools/setup-pack/installer_reader.h"

#include "common/bytes.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "package/signature.h"
#include "package/table_checks.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/package_builder.h"

#include <cstring>

bool open_installer(const std::string& path, InstallerView& view, std::string& error) {
    view = InstallerView();
    if (!read_whole_file(path, view.bytes, error)) {
        error = "cannot read " + path + ": " + error;
        return false;
    }
    if (!find_setup_header(view.bytes, view.header, error)) {
        uint64_t image_end = pe_image_end(view.bytes);
        if (image_end > view.bytes.size())
            error = "the installer is truncated: its program image needs " + std::to_string(image_end) +
                    " bytes, the file has " + std::to_string(view.bytes.size()) + " (" + error + ")";
        return false;
    }
    const uint8_t* h = view.bytes.data() + view.header;
    view.file_count = read_u16(h + 6);
    view.table_offset = read_u32(h + 8);
    view.table_size = read_u32(h + 12);
    view.data_start = read_u32(h + 16);
    view.version_ms = read_u32(h + 32);
    view.version_ls = read_u32(h + 36);
    view.checksum = read_u32(h + 44);
    if (view.table_offset == 0) {
        error = "the Setup header is empty: no package was appended to this program file";
        return false;
    }
    if ((uint64_t)view.table_offset + view.table_size > view.bytes.size()) {
        error = "the installer is truncated: its File table (offset " + std::to_string(view.table_offset) + ", " +
                std::to_string(view.table_size) + " bytes) runs past the end of the file (" +
                std::to_string(view.bytes.size()) + " bytes)";
        return false;
    }
    uint32_t file_size = (uint32_t)view.bytes.size();
    view.package_end = file_size;
    uint32_t offset = 0, size = 0;
    if (!program_security_directory(view.bytes, offset, size) || (offset == 0 && size == 0)) return true;
    uint32_t data_start = view.table_offset + view.table_size;
    uint32_t first_length = (uint64_t)offset + 4 <= file_size ? read_u32(view.bytes.data() + offset) : 0;
    if (!certificate_table_sound(offset, size, first_length, data_start, file_size)) {
        error = "the security directory (offset " + std::to_string(offset) + ", " + std::to_string(size) +
                " bytes) names no sound certificate table at the end of the file behind the package; the "
                "program refuses this file";
        return false;
    }
    view.certificate_offset = offset;
    view.certificate_size = size;
    view.package_end = offset;
    // The program's rule: the signer may have put up to 7 zero bytes before the table.
    for (uint32_t padding = 0; padding <= CERTIFICATE_PADDING_MAX && offset - padding >= data_start; ++padding) {
        if (padding > 0 && view.bytes[offset - padding] != 0) break;
        uint32_t end = offset - padding;
        if (checksum_add(view.bytes.data() + view.table_offset, end - view.table_offset, 0) == view.checksum) {
            view.package_end = end;
            break;
        }
    }
    return true;
}

uint64_t pe_image_end(const std::vector<uint8_t>& file) {
    auto u16 = [&](size_t at) { return at + 2 <= file.size() ? read_u16(&file[at]) : 0u; };
    auto u32 = [&](size_t at) { return at + 4 <= file.size() ? read_u32(&file[at]) : 0u; };
    if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') return 0;
    size_t pe = u32(0x3C);
    if (pe + 24 > file.size() || std::memcmp(&file[pe], "PE\0\0", 4) != 0) return 0;
    size_t sections = pe + 24 + u16(pe + 20);
    uint64_t end = 0;
    for (unsigned i = 0; i < u16(pe + 6); ++i) {
        size_t s = sections + 40 * (size_t)i;
        if (s + 40 > file.size()) return s + 40;   // the section table itself is cut
        uint64_t raw_end = (uint64_t)u32(s + 20) + u32(s + 16);
        if (u32(s + 16) && raw_end > end) end = raw_end;
    }
    return end;
}

uint32_t installer_checksum(const InstallerView& view) {
    return checksum_add(view.bytes.data() + view.table_offset, view.package_end - view.table_offset, 0);
}

bool program_pe_checksum(const std::vector<uint8_t>& file, uint32_t& stored, uint32_t& computed) {
    uint32_t offset, size;
    uint32_t length = file.size() < PE_HEADERS_AREA ? (uint32_t)file.size() : PE_HEADERS_AREA;
    if (!read_security_directory(file.data(), length, &offset, &size, &stored)) return false;
    uint32_t field = read_u32(file.data() + PE_HEADERS_POINTER) + PE_CHECKSUM_FIELD;
    computed = pe_checksum_of(file.data(), (uint32_t)file.size(), field);
    return true;
}

bool program_security_directory(const std::vector<uint8_t>& file, uint32_t& offset, uint32_t& size) {
    uint32_t length = file.size() < PE_HEADERS_AREA ? (uint32_t)file.size() : PE_HEADERS_AREA;
    return read_security_directory(file.data(), length, &offset, &size);
}

std::string certificate_text(const InstallerView& view) {
    if (view.certificate_size == 0) return "";
    std::string text = "certificate table of " + std::to_string(view.certificate_size) + " bytes at offset " +
                       std::to_string(view.certificate_offset);
    if (view.package_end != view.certificate_offset)
        text += " (after " + std::to_string(view.certificate_offset - view.package_end) + " bytes of padding)";
    return text;
}

bool load_entries(InstallerView& view, std::string& error) {
    view.entries.clear();
    const uint8_t* table = view.bytes.data() + view.table_offset;
    if (check_file_table(table, view.table_size, view.file_count, view.data_start, view.package_end) != 0) {
        error = "the File table is unsound (a record, name or data offset out of place)";
        return false;
    }
    uint8_t* e = view.bytes.data() + view.table_offset;
    for (unsigned i = 0; i < view.file_count; ++i) {
        view.entries.push_back(e);
        e += entry_record_length(e);
    }
    return true;
}

std::string flag_names(uint16_t flags) {
    std::string s;
    auto add = [&s](const char* n) { s += s.empty() ? n : std::string(" ") + n; };
    if (flags & ENTRY_NOT_INSTALLED) add("not_installed");
    if (flags & (ENTRY_SHARED | ENTRY_SHARED_ALT)) add("shared");
    if (flags & ENTRY_VERSIONED) add("versioned");
    return s.empty() ? "-" : s;
}
