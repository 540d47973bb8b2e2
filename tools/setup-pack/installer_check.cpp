#include "tools/setup-pack/installer_check.h"

#include "install/extension_checksum.h"
#include "package/package_format.h"
#include "tools/setup-pack/manifest.h"
#include "tools/setup-pack/program_decoder.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

std::string truncation_fault(const InstallerView& view) {
    // Walk the records as far as they are whole. A built table lays the entries' data end to
    // end from data_start; only such a table, whose data runs past the end, tells of a cut.
    uint64_t reach = view.data_start;
    const uint8_t* table = view.bytes.data() + view.table_offset;
    size_t at = 0;
    for (unsigned i = 0; i < view.file_count && at + 6 < view.table_size; ++i) {
        const uint8_t* e = table + at;
        size_t length = entry_record_length(e);
        if (length < ENTRY_FIXED_BYTES || at + length > view.table_size) break;
        if (!std::memchr(e + 6, 0, length - 6)) break;
        size_t tail = entry_tail_offset(e) + (entry_has_version(e) ? ENTRY_VERSION_BYTES : 0) + 2 + 8;
        if (tail > length) break;
        if (entry_data_offset(e) != reach) return "";
        reach += entry_packed_size(e);
        at += length;
    }
    if (reach <= view.package_end) return "";
    return "the installer is truncated: its entries reach to byte " + std::to_string(reach) + ", but the " +
           (view.certificate_size ? "package" : "file") + " ends at byte " + std::to_string(view.package_end);
}

std::string check_installer(InstallerView& view, size_t& unpacked, std::vector<size_t>* sizes,
                            const EntryContentCheck& content) {
    unpacked = 0;
    if (sizes) sizes->clear();
    uint32_t sum = installer_checksum(view);
    if (sum != view.checksum) {
        char text[128];
        std::snprintf(text, sizeof text, "checksum 0x%08X does not match the header's 0x%08X", sum, view.checksum);
        std::string cut = truncation_fault(view);
        return cut.empty() ? text : cut + " (" + text + ")";
    }
    uint32_t stored = 0, computed = 0;
    if (!program_pe_checksum(view.bytes, stored, computed))
        return "no PE headers in the first 512 bytes: the program finds no checksum to verify and refuses the file";
    if (stored != computed) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "PE checksum 0x%08X does not match the header's 0x%08X: the program file is damaged", computed,
                      stored);
        return text;
    }
    std::string error;
    if (!load_entries(view, error)) return error;
    for (size_t index = 0; index < view.entries.size(); ++index) {
        const uint8_t* e = view.entries[index];
        std::string name = entry_name(e);
        uint32_t offset = entry_data_offset(e);
        uint32_t limit = (entry_size_kb(e) + 1u) * 1024u;
        std::vector<uint8_t> data;
        // The stream must end within its packed_size; one that claims more than the package
        // holds is decoded from what there is, and named below.
        uint32_t available = view.package_end - offset;
        uint32_t stream_size = entry_packed_size(e) < available ? entry_packed_size(e) : available;
        int status = decode_with_program(view.bytes.data() + offset, stream_size, limit, data);
        if (status != 0) return name + ": the decoder returns status " + std::to_string(status);
        if ((data.size() + 1023) / 1024 != entry_size_kb(e))
            return name + ": decodes to " + std::to_string(data.size()) + " bytes, but size_kb is " +
                   std::to_string(entry_size_kb(e));
        if ((uint64_t)offset + entry_packed_size(e) > view.package_end)
            return name + (view.certificate_size ? ": packed_size runs into the certificate table"
                                                 : ": packed_size runs past the end of the file");
        if (is_extension_name(name)) {
            int fd = ::memfd_create("setup-pack-check", MFD_CLOEXEC);
            bool written = fd >= 0 && ::write(fd, data.data(), data.size()) == (ssize_t)data.size();
            int match = written ? extension_checksum_matches(fd) : EXTENSION_CHECKSUM_UNTESTED;
            if (fd >= 0) ::close(fd);
            if (match != EXTENSION_CHECKSUM_MATCH)
                return name + ": fails its embedded extension checksum (the installer would remove it)";
        }
        if (content) {
            std::string fault = content(index, data);
            if (!fault.empty()) return name + ": " + fault;
        }
        unpacked += data.size();
        if (sizes) sizes->push_back(data.size());
    }
    return "";
}
