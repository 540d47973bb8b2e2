// setup-pack build: manifest + stub -> installer.
#include "tools/setup-pack/commands.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/installer_reader.h"
#include "tools/setup-pack/package_builder.h"

#include <cstdio>
#include <unistd.h>

namespace {

std::string percent(size_t part, size_t whole) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", whole ? 100.0 * (double)part / (double)whole : 0.0);
    return text;
}

void print_table(const BuildResult& r, const std::string& out) {
    std::printf("%-28s %-22s %10s %10s %7s\n", "name", "flags", "size", "packed", "ratio");
    size_t size = 0, packed = 0;
    for (const PackedEntry& e : r.entries) {
        std::printf("%-28s %-22s %10zu %10zu %7s\n", e.name.c_str(), flag_names(e.flags).c_str(), e.size, e.packed,
                    percent(e.packed, e.size).c_str());
        size += e.size;
        packed += e.packed;
    }
    std::printf("%-28s %-22s %10zu %10zu %7s\n", ("total: " + std::to_string(r.entries.size()) + " entries").c_str(), "",
                size, packed, percent(packed, size).c_str());
    std::printf("%s: %zu bytes (program %zu, table %zu, data %zu), checksum 0x%08X\n", out.c_str(), r.total_size,
                r.stub_size, r.table_size, packed, r.checksum);
    if (r.totals.blocks.as_fixed || r.totals.blocks.as_stored)
        std::printf("note: %u blocks written with fixed codes and %u as stored blocks to fit the stream format\n",
                    r.totals.blocks.as_fixed, r.totals.blocks.as_stored);
}

}  // namespace

int command_build(const Args& args) {
    if (wants_help("build", args)) return 0;
    std::string stub_path, manifest_path, out_path;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string* target = args[i] == "--stub" ? &stub_path : args[i] == "--manifest" ? &manifest_path
                              : args[i] == "--out"  ? &out_path : nullptr;
        if (!target) return fail("build", "unexpected argument \"" + args[i] + "\" (see --help)", EXIT_USAGE);
        if (i + 1 >= args.size()) return fail("build", args[i] + " needs a value", EXIT_USAGE);
        *target = args[++i];
    }
    if (stub_path.empty() || manifest_path.empty() || out_path.empty())
        return fail("build", "--stub, --manifest and --out are all needed (see --help)", EXIT_USAGE);

    Manifest manifest;
    std::vector<std::string> errors;
    if (!load_manifest(manifest_path, manifest, errors)) {
        for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
        return fail("build", std::to_string(errors.size()) + " error(s) in the manifest; nothing written");
    }
    std::vector<uint8_t> stub, installer;
    std::string error;
    if (!read_whole_file(stub_path, stub, error)) return fail("build", "cannot read the stub " + stub_path + ": " + error);

    bool terminal = ::isatty(STDERR_FILENO) != 0;
    BuildProgress progress = [terminal](size_t i, size_t n, const std::string& name) {
        if (terminal) std::fprintf(stderr, "\r\033[Kcompressing %zu/%zu %s", i + 1, n, name.c_str());
    };
    BuildResult result;
    bool built = build_installer(stub, manifest, installer, result, error, progress);
    if (terminal) std::fprintf(stderr, "\r\033[K");
    if (!built) return fail("build", error + "; nothing written");
    if (!write_file_atomically(out_path, installer, 0755, error)) return fail("build", error + "; nothing written");
    print_table(result, out_path);
    return 0;
}
