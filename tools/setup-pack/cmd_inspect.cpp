// setup-pack list, verify and extract: reading an installer back.
#include "tools/setup-pack/commands.h"

#include "common/install_context.h"
#include "install/extension_checksum.h"
#include "package/extract_entry.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
#include "tools/setup-pack/installer_check.h"
#include "tools/setup-pack/installer_reader.h"
#include "tools/setup-pack/program_decoder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string version_text(uint32_t ms, uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
           std::to_string(ls & 0xFFFF);
}

// Opens the installer and checks its table; prints nothing.
int open_checked(const char* command, const Args& args, size_t arg_count, InstallerView& view) {
    if (args.size() != arg_count) return fail(command, "wrong arguments (see --help)", EXIT_USAGE);
    std::string error;
    if (!open_installer(args[0], view, error)) return fail(command, error);
    return 0;
}

}  // namespace

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

}  // namespace

int command_list(const Args& args) {
    if (wants_help("list", args)) return 0;
    ParsedArgs parsed;
    std::string error;
    if (!parse_args(args, {"--format"}, parsed, error)) return fail("list", error, EXIT_USAGE);
    std::string format = parsed.value("--format");
    if (format.empty()) format = "text";
    if (format != "text" && format != "tsv" && format != "json")
        return fail("list", "--format must be text, tsv or json, got \"" + format + "\"", EXIT_USAGE);
    InstallerView view;
    if (int rc = open_checked("list", parsed.positional, 1, view)) return rc;
    if (format != "text") return list_for_scripts(view, format);
    uint32_t sum = installer_checksum(view);
    std::printf("product version %u.%u build %u\n", view.version_ms >> 16, view.version_ms & 0xFFFF,
                view.version_ls & 0xFFFF);
    std::printf("%u entries, table at %u (%u bytes), data from %u, file %zu bytes\n", view.file_count,
                view.table_offset, view.table_size, view.data_start, view.bytes.size());
    std::printf("checksum 0x%08X (%s)\n", view.checksum, sum == view.checksum ? "matches" : "DOES NOT MATCH");
    std::printf("signed: %s\n", view.certificate_size ? certificate_text(view).c_str() : "no (no certificate table)");
    if (!load_entries(view, error)) return fail("list", error);
    std::printf("%-28s %-22s %8s %-16s %10s %10s\n", "name", "flags", "size_kb", "version", "offset", "packed");
    for (const uint8_t* e : view.entries) {
        std::string version = entry_has_version(e) ? version_text(entry_version_ms(e), entry_version_ls(e)) : "-";
        std::printf("%-28s %-22s %8u %-16s %10u %10u\n", entry_name(e), flag_names(entry_flags(e)).c_str(),
                    entry_size_kb(e), version.c_str(), entry_data_offset(e), entry_packed_size(e));
    }
    if (sum != view.checksum) {
        std::string cut = truncation_fault(view);
        if (!cut.empty()) std::fprintf(stderr, "setup-pack list: %s\n", cut.c_str());
    }
    return sum == view.checksum ? 0 : EXIT_FAULT;
}

int command_verify(const Args& args) {
    if (wants_help("verify", args)) return 0;
    InstallerView view;
    if (int rc = open_checked("verify", args, 1, view)) return rc;
    size_t total = 0;
    std::string fault = check_installer(view, total);
    if (!fault.empty()) return fail("verify", fault);
    std::printf("%s: sound: %u entries, %zu bytes unpacked, checksum 0x%08X\n", args[0].c_str(), view.file_count, total,
                view.checksum);
    if (view.certificate_size) std::printf("signed: %s\n", certificate_text(view).c_str());
    return 0;
}

int command_extract(const Args& args) {
    if (wants_help("extract", args)) return 0;
    InstallerView view;
    if (int rc = open_checked("extract", args, 2, view)) return rc;
    std::string error;
    if (installer_checksum(view) != view.checksum) {
        std::string cut = truncation_fault(view);
        return fail("extract", cut.empty() ? "the package checksum does not match" : cut + " (the package checksum does not match)");
    }
    if (!load_entries(view, error)) return fail("extract", error);
    if (view.certificate_size) std::fprintf(stderr, "signed: %s (not extracted)\n", certificate_text(view).c_str());
    const std::string& dir = args[1];
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        return fail("extract", "cannot create " + dir + ": " + std::strerror(errno));
    char real[PATH_MAX];
    if (!::realpath(dir.c_str(), real)) return fail("extract", "cannot use " + dir + ": " + std::strerror(errno));

    // The program extracts to Windows paths: drive X: stands for DIR, and the installer file
    // is the open package file, as during an install.
    host_map_drive('X', real);
    if (!allocate_path_buffers()) {
        free_path_buffers();
        return fail("extract", "not enough memory");
    }
    ctx.package_file = ::open(args[0].c_str(), O_RDONLY | O_CLOEXEC);
    ctx.output_file = HFILE_ERROR;
    int rc = 0;
    if (ctx.package_file < 0) rc = fail("extract", "cannot open " + args[0] + ": " + std::strerror(errno));
    for (size_t i = 0; rc == 0 && i < view.entries.size(); ++i) {
        const uint8_t* e = view.entries[i];
        int status = extract_entry(entry_name(e), e, "X:\\");
        if (status != 0)
            rc = fail("extract", std::string(entry_name(e)) + ": extraction returns status " + std::to_string(status));
        else
            std::printf("%s\n", entry_name(e));
    }
    if (ctx.package_file >= 0) ::close(ctx.package_file);
    ctx.package_file = HFILE_ERROR;
    free_path_buffers();
    host_unmap_all_drives();
    return rc;
}
