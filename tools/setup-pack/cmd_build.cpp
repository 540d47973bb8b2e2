// setup-pack build (manifest + stub -> installer) and check (every check of build, nothing
// compressed or written).
#include "tools/setup-pack/commands.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/installer_check.h"
#include "tools/setup-pack/installer_reader.h"
#include "tools/setup-pack/package_builder.h"
#include "tools/setup-pack/package_roles.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// The temporary file being written, for the signal handler: an interrupted build removes it
// and leaves whatever was at --out before.
char temp_being_written[4096];

extern "C" void remove_temp_and_exit(int signal_number) {
    if (temp_being_written[0]) ::unlink(temp_being_written);
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void watch_temp(const std::string& temp) {
    if (temp.size() >= sizeof temp_being_written) return;   // left behind if interrupted
    std::memcpy(temp_being_written, temp.c_str(), temp.size() + 1);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, remove_temp_and_exit);
}

void unwatch_temp() {
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
    temp_being_written[0] = 0;
}

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

// What build and check share: the loaded manifest and stub, checked.
struct Prepared {
    Manifest manifest;
    PackageRoles roles;
    std::vector<uint8_t> stub;
    std::string stub_path, out_path;
    int level = COMPRESSION_LEVEL;
};

// "the stub", "the manifest" or "the source of line N" when `out` is one of the inputs (the
// same file, however it is spelt), else "".
std::string input_named_by(const std::string& out, const Prepared& p) {
    FileIdentity target, id;
    if (!file_identity(out, target)) return "";   // a new file cannot be an input
    if (file_identity(p.stub_path, id) && id == target) return "the stub";
    if (file_identity(p.manifest.path, id) && id == target) return "the manifest";
    for (const ManifestEntry& e : p.manifest.entries)
        if (file_identity(e.source_path, id) && id == target)
            return "the source " + e.source + " (line " + std::to_string(e.line) + ")";
    return "";
}

// Reads the arguments, the manifest and the stub and runs every check; prints the faults
// and warnings. Returns 0, or the exit code to leave with.
int prepare(const char* command, const Args& args, bool building, Prepared& p) {
    ParsedArgs parsed;
    std::string error;
    std::vector<std::string> options = {"--stub", "--manifest", "--set"};
    if (building) options.insert(options.end(), {"--out", "--level"});
    if (!parse_args(args, options, parsed, error)) return fail(command, error, EXIT_USAGE);
    if (!parsed.positional.empty())
        return fail(command, "unexpected argument \"" + parsed.positional[0] + "\" (see --help)", EXIT_USAGE);
    p.stub_path = parsed.value("--stub");
    std::string manifest_path = parsed.value("--manifest");
    p.out_path = parsed.value("--out");
    if (p.stub_path.empty() || manifest_path.empty() || (building && p.out_path.empty()))
        return fail(command, building ? "--stub, --manifest and --out are all needed (see --help)"
                                      : "--stub and --manifest are both needed (see --help)", EXIT_USAGE);
    bool level_given = false;
    std::string level = parsed.value("--level", &level_given);
    if (level_given) {
        char* end = nullptr;
        long value = std::strtol(level.c_str(), &end, 10);
        if (level.empty() || *end || value < MIN_COMPRESSION_LEVEL || value > COMPRESSION_LEVEL)
            return fail(command, "--level must be 1 to 12, got \"" + level + "\"", EXIT_USAGE);
        p.level = (int)value;
    }

    std::vector<std::string> errors, warnings;
    ManifestSettings settings{parsed.values("--set")};
    bool loaded = load_manifest(manifest_path, p.manifest, errors, settings);
    if (loaded) p.roles = find_roles(p.manifest, errors, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    if (!errors.empty())
        return fail(command, std::to_string(errors.size()) + " error(s) in the manifest" +
                                 (building ? "; nothing written" : ""));
    if (!read_whole_file(p.stub_path, p.stub, error))
        return fail(command, "cannot read the stub " + p.stub_path + ": " + error + (building ? "; nothing written" : ""));
    size_t header;
    if (!check_stub(p.stub, header, error)) return fail(command, error + (building ? "; nothing written" : ""));
    if (building) {
        std::string input = input_named_by(p.out_path, p);
        if (!input.empty())
            return fail(command, "--out " + p.out_path + " is " + input + "; it would be overwritten. Choose another "
                                 "--out; nothing written");
    }
    return 0;
}

void print_roles(const Prepared& p) {
    for (const std::string& line : roles_summary(p.manifest, p.roles)) std::printf("%s\n", line.c_str());
}

}  // namespace

int command_build(const Args& args) {
    if (wants_help("build", args)) return 0;
    auto start = std::chrono::steady_clock::now();
    Prepared p;
    if (int rc = prepare("build", args, true, p)) return rc;

    std::string temp, error;
    int fd = create_temp_beside(p.out_path, temp, error);
    if (fd < 0) return fail("build", error + "; nothing written");
    watch_temp(temp);
    bool terminal = ::isatty(STDERR_FILENO) != 0;
    BuildProgress progress = [terminal](size_t i, size_t n, const std::string& name) {
        if (terminal) std::fprintf(stderr, "\r\033[Kcompressing %zu/%zu %s", i + 1, n, name.c_str());
    };
    BuildResult result;
    BuildOptions options;
    options.level = p.level;
    bool built = build_installer(p.stub, p.manifest, fd, options, result, error, progress);
    if (terminal) std::fprintf(stderr, "\r\033[K");
    // The installer written is checked as `verify` checks it before it takes the name.
    InstallerView view;
    size_t unpacked = 0;
    if (built && !open_installer(temp, view, error)) built = false, error = "the installer written: " + error;
    if (built) {
        // ...and every entry against the source it was made from.
        EntryContentCheck same_as_source = [&result](size_t i, const std::vector<uint8_t>& data) {
            return chunk_crcs(data.data(), data.size()) == result.entries[i].crcs
                       ? std::string()
                       : std::string("does not decode to its source (the source changed while it was read?)");
        };
        std::string fault = check_installer(view, unpacked, nullptr, same_as_source);
        if (!fault.empty()) built = false, error = "the installer written fails its check: " + fault;
    }
    view = InstallerView();
    if (!built) {
        ::close(fd);
        ::unlink(temp.c_str());
        unwatch_temp();
        return fail("build", error + "; nothing written");
    }
    bool committed = commit_temp(fd, temp, p.out_path, 0755, error);
    unwatch_temp();
    if (!committed) return fail("build", error + "; nothing written");
    print_table(result, p.out_path);
    print_roles(p);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("built in %.2f s (level %d)\n", seconds, p.level);
    return 0;
}

int command_check_build(const Args& args) {
    Prepared p;
    if (int rc = prepare("check", args, false, p)) return rc;
    uint64_t bytes = 0;
    for (const ManifestEntry& e : p.manifest.entries) bytes += e.size;
    std::printf("%s: sound: %zu entries, %llu bytes to pack, product version %u.%u.%u\n", p.manifest.path.c_str(),
                p.manifest.entries.size(), (unsigned long long)bytes, p.manifest.major, p.manifest.minor,
                p.manifest.build);
    print_roles(p);
    return 0;
}
