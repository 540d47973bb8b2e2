#include "tools/setup-pack/installer_reader.h"

#include "common/bytes.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "package/table_checks.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/package_builder.h"

bool open_installer(const std::string& path, InstallerView& view, std::string& error) {
    view = InstallerView();
    if (!read_whole_file(path, view.bytes, error)) {
        error = "cannot read " + path + ": " + error;
        return false;
    }
    if (!find_setup_header(view.bytes, view.header, error)) return false;
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
        error = "the File table (offset " + std::to_string(view.table_offset) + ", " + std::to_string(view.table_size) +
                " bytes) lies beyond the end of the file";
        return false;
    }
    return true;
}

uint32_t installer_checksum(const InstallerView& view) {
    return checksum_add(view.bytes.data() + view.table_offset, (uint32_t)(view.bytes.size() - view.table_offset), 0);
}

bool load_entries(InstallerView& view, std::string& error) {
    view.entries.clear();
    const uint8_t* table = view.bytes.data() + view.table_offset;
    if (check_file_table(table, view.table_size, view.file_count, view.data_start, (uint32_t)view.bytes.size()) != 0) {
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
