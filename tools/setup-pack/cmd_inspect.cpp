// setup-pack list, verify and extract: reading an installer back.
#include "tools/setup-pack/commands.h"

#include "common/install_context.h"
#include "package/extract_entry.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
#include "tools/setup-pack/installer_check.h"
#include "tools/setup-pack/installer_reader.h"
#include "tools/setup-pack/list_formats.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the installer and checks its table; prints nothing.
int open_checked(const char* command, const Args& args, size_t arg_count, InstallerView& view) {
    if (args.size() != arg_count) return fail(command, "wrong arguments (see --help)", EXIT_USAGE);
    std::string error;
    if (!open_installer(args[0], view, error)) return fail(command, error);
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
