#include "tools/setup-pack/list_formats.h"

#include "package/package_format.h"
#include "tools/setup-pack/commands.h"
#include "tools/setup-pack/installer_check.h"

#include <cstdio>

namespace {

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char escaped[8];
        if (c == '"' || c == '\\') out += '\\', out += (char)c;
        else if (c < 0x20 || c >= 0x7F) std::snprintf(escaped, sizeof escaped, "\\u%04x", c), out += escaped;
        else out += (char)c;
    }
    return out + "\"";
}

std::string product_version_text(const InstallerView& view) {
    return std::to_string(view.version_ms >> 16) + "." + std::to_string(view.version_ms & 0xFFFF) + "." +
           std::to_string(view.version_ls & 0xFFFF);
}

}  // namespace

std::string version_text(uint32_t ms, uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
           std::to_string(ls & 0xFFFF);
}

// list --format tsv|json: the installer must be sound (as verify checks it), since the exact
// sizes come from decoding every entry.
int list_for_scripts(const InstallerView& view_in, const std::string& format) {
    InstallerView view = view_in;
    size_t unpacked = 0, packed = 0;
    std::vector<size_t> sizes;
    std::string fault = check_installer(view, unpacked, &sizes);
    if (!fault.empty()) return fail("list", fault);
    for (const uint8_t* e : view.entries) packed += entry_packed_size(e);
    std::string checksum = [&] {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", view.checksum);
        return std::string(text);
    }();
    if (format == "tsv") {
        std::printf("#installer\tfile_bytes\tproduct_version\tentries\ttable_offset\ttable_size\tdata_start\tunpacked"
                    "\tpacked\tchecksum\tcertificate_bytes\n");
        std::printf("#entry\tindex\tname\tflags\tflag_names\tsize\tsize_kb\tpacked\toffset\tversion\n");
        std::printf("installer\t%zu\t%s\t%u\t%u\t%u\t%u\t%zu\t%zu\t%s\t%u\n", view.bytes.size(),
                    product_version_text(view).c_str(), view.file_count, view.table_offset, view.table_size,
                    view.data_start, unpacked, packed, checksum.c_str(), view.certificate_size);
        for (size_t i = 0; i < view.entries.size(); ++i) {
            const uint8_t* e = view.entries[i];
            std::string names = flag_names(entry_flags(e));
            for (char& c : names) c = c == ' ' ? ',' : c;
            std::printf("entry\t%zu\t%s\t0x%04X\t%s\t%zu\t%u\t%u\t%u\t%s\n", i, entry_name(e), entry_flags(e),
                        names.c_str(), sizes[i], entry_size_kb(e), entry_packed_size(e), entry_data_offset(e),
                        entry_has_version(e) ? version_text(entry_version_ms(e), entry_version_ls(e)).c_str() : "-");
        }
        return 0;
    }
    std::printf("{\n  \"file_bytes\": %zu,\n  \"product_version\": \"%s\",\n  \"entry_count\": %u,\n"
                "  \"table_offset\": %u,\n  \"table_size\": %u,\n  \"data_start\": %u,\n  \"unpacked\": %zu,\n"
                "  \"packed\": %zu,\n  \"checksum\": \"%s\",\n  \"certificate_bytes\": %u,\n  \"entries\": [",
                view.bytes.size(), product_version_text(view).c_str(), view.file_count, view.table_offset,
                view.table_size, view.data_start, unpacked, packed, checksum.c_str(), view.certificate_size);
    for (size_t i = 0; i < view.entries.size(); ++i) {
        const uint8_t* e = view.entries[i];
        std::string names;
        std::string listed = flag_names(entry_flags(e));
        if (listed != "-") {
            size_t start = 0;
            for (;;) {
                size_t space = listed.find(' ', start);
                names += (names.empty() ? "" : ", ") + json_string(listed.substr(start, space - start));
                if (space == std::string::npos) break;
                start = space + 1;
            }
        }
        std::string version =
            entry_has_version(e) ? json_string(version_text(entry_version_ms(e), entry_version_ls(e))) : "null";
        std::printf("%s\n    {\"index\": %zu, \"name\": %s, \"flags\": %u, \"flag_names\": [%s], \"size\": %zu, "
                    "\"size_kb\": %u, \"packed\": %u, \"offset\": %u, \"version\": %s}",
                    i ? "," : "", i, json_string(entry_name(e)).c_str(), entry_flags(e), names.c_str(), sizes[i],
                    entry_size_kb(e), entry_packed_size(e), entry_data_offset(e), version.c_str());
    }
    std::printf("%s]\n}\n", view.entries.empty() ? "" : "\n  ");
    return 0;
}

