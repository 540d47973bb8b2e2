// setup-pack list, verify and extract: reading an installer back.
#include "tools/setup-pack/commands.h"

#include "common/install_context.h"
#include "install/extension_checksum.h"
#include "package/extract_entry.h"
#include "package/package_format.h"
#include "platform/host/host_control.h"
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

bool has_extension(const std::string& name, const char* ext) {
    size_t n = std::strlen(ext);
    return name.size() >= n && strcasecmp(name.c_str() + name.size() - n, ext) == 0;
}

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

int command_list(const Args& args) {
    if (wants_help("list", args)) return 0;
    InstallerView view;
    if (int rc = open_checked("list", args, 1, view)) return rc;
    uint32_t sum = installer_checksum(view);
    std::printf("product version %u.%u build %u\n", view.version_ms >> 16, view.version_ms & 0xFFFF,
                view.version_ls & 0xFFFF);
    std::printf("%u entries, table at %u (%u bytes), data from %u, file %zu bytes\n", view.file_count,
                view.table_offset, view.table_size, view.data_start, view.bytes.size());
    std::printf("checksum 0x%08X (%s)\n", view.checksum, sum == view.checksum ? "matches" : "DOES NOT MATCH");
    std::printf("signed: %s\n", view.certificate_size ? certificate_text(view).c_str() : "no (no certificate table)");
    std::string error;
    if (!load_entries(view, error)) return fail("list", error);
    std::printf("%-28s %-22s %8s %-16s %10s %10s\n", "name", "flags", "size_kb", "version", "offset", "packed");
    for (const uint8_t* e : view.entries) {
        std::string version = entry_has_version(e) ? version_text(entry_version_ms(e), entry_version_ls(e)) : "-";
        std::printf("%-28s %-22s %8u %-16s %10u %10u\n", entry_name(e), flag_names(entry_flags(e)).c_str(),
                    entry_size_kb(e), version.c_str(), entry_data_offset(e), entry_packed_size(e));
    }
    return sum == view.checksum ? 0 : EXIT_FAULT;
}

int command_verify(const Args& args) {
    if (wants_help("verify", args)) return 0;
    InstallerView view;
    if (int rc = open_checked("verify", args, 1, view)) return rc;
    uint32_t sum = installer_checksum(view);
    char text[128];
    if (sum != view.checksum) {
        std::snprintf(text, sizeof text, "checksum 0x%08X does not match the header's 0x%08X", sum, view.checksum);
        return fail("verify", text);
    }
    std::string error;
    if (!load_entries(view, error)) return fail("verify", error);
    size_t total = 0;
    for (const uint8_t* e : view.entries) {
        std::string name = entry_name(e);
        uint32_t offset = entry_data_offset(e);
        uint32_t limit = (entry_size_kb(e) + 1u) * 1024u;
        std::vector<uint8_t> data;
        int status = decode_with_program(view.bytes.data() + offset, view.package_end - offset, limit, data);
        if (status != 0) return fail("verify", name + ": the decoder returns status " + std::to_string(status));
        if ((data.size() + 1023) / 1024 != entry_size_kb(e))
            return fail("verify", name + ": decodes to " + std::to_string(data.size()) + " bytes, but size_kb is " +
                                      std::to_string(entry_size_kb(e)));
        if ((uint64_t)offset + entry_packed_size(e) > view.package_end)
            return fail("verify", name + (view.certificate_size ? ": packed_size runs into the certificate table"
                                                                : ": packed_size runs past the end of the file"));
        if (has_extension(name, ".cox") || has_extension(name, ".mox")) {
            int fd = ::memfd_create("setup-pack-check", MFD_CLOEXEC);
            bool written = fd >= 0 && ::write(fd, data.data(), data.size()) == (ssize_t)data.size();
            int match = written ? extension_checksum_matches(fd) : EXTENSION_CHECKSUM_UNTESTED;
            if (fd >= 0) ::close(fd);
            if (match != EXTENSION_CHECKSUM_MATCH)
                return fail("verify", name + ": fails its embedded extension checksum (the installer would remove it)");
        }
        total += data.size();
    }
    std::printf("%s: sound: %u entries, %zu bytes unpacked, checksum 0x%08X\n", args[0].c_str(), view.file_count, total,
                sum);
    if (view.certificate_size) std::printf("signed: %s\n", certificate_text(view).c_str());
    return 0;
}

int command_extract(const Args& args) {
    if (wants_help("extract", args)) return 0;
    InstallerView view;
    if (int rc = open_checked("extract", args, 2, view)) return rc;
    std::string error;
    if (installer_checksum(view) != view.checksum) return fail("extract", "the package checksum does not match");
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
