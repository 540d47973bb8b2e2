// The command table, help texts and the small helpers every command shares.
#include "tools/setup-pack/commands.h"

#include <cstdio>
#include <cstring>

const std::vector<Command>& all_commands() {
    static const std::vector<Command> commands = {
        {"build", "--stub PROGRAM.exe --manifest FILE --out INSTALLER.exe [--set version=X.Y.Z] [--level 1-12]",
         "build an installer from a stub and a manifest",
         "Checks the manifest, its sources and the stub (see `check`), compresses every entry on all\n"
         "cores, writes the File table and the data behind the stub and patches the stub's Setup\n"
         "header. The result is the same for the same inputs and level, whatever the cores. It is\n"
         "written to a temporary file, checked as `verify` checks, and only then renamed to --out,\n"
         "so a failed build leaves an earlier file there as it was. --out may not be the stub, the\n"
         "manifest or a source. --set version=X.Y.Z replaces the manifest's version; --level trades\n"
         "size for speed (12, the default, gives the smallest installer). Prints each entry, the\n"
         "entries that take the plug-in, uninstaller, wizard picture and read-me roles, and the time.\n"
         "Options also take the form --name=VALUE.\n",
         command_build},
        {"list", "INSTALLER.exe [--format text|tsv|json]", "list the package of an installer",
         "Prints the Setup header (version, table, checksum) and one line per File entry. --format tsv\n"
         "and --format json print the same with exact sizes, for scripts (see the README: their\n"
         "fields are a stable interface).\n",
         command_list},
        {"verify", "INSTALLER.exe", "check an installer thoroughly",
         "Checks the package checksum and the File table, decodes every entry with the program's\n"
         "decoder within its size limit, compares its size with size_kb and tests the embedded\n"
         "checksum of .cox and .mox entries. Exits 0 when all is sound, else names the first fault.\n",
         command_verify},
        {"extract", "INSTALLER.exe DIR", "extract every entry into DIR",
         "Checks the package checksum and the File table, then writes every entry (not_installed\n"
         "ones too) into DIR through the program's own entry extraction, creating DIR and\n"
         "subfolders as needed.\n",
         command_extract},
        {"compress", "IN OUT", "compress a file into one package stream",
         "Writes the raw package stream of IN (no table, no header) to OUT.\n", command_compress},
        {"expand", "IN OUT [--limit BYTES]", "decode one raw package stream",
         "Decodes IN with the program's decoder into OUT, writing at most BYTES (default: no limit).\n"
         "Prints the status and exits with it: 0 sound, 1 invalid data, 3 no memory for code tables,\n"
         "4 invalid block type or over-subscribed code, 37 no memory. A usage error or an\n"
         "unreadable IN exits 64. OUT is only written when the status is 0.\n",
         command_expand},
        {"stamp", "FILE", "write the embedded extension checksum into FILE",
         "FILE must hold the checksum marker (44 02 01 56 27 75); the checksum goes behind its\n"
         "first occurrence.\n",
         command_stamp},
        {"check", "FILE | --stub PROGRAM.exe --manifest FILE [--set version=X.Y.Z]",
         "test an extension file's checksum, or a build without building",
         "With FILE: runs the installer's own test of the embedded extension checksum; exits 0 when\n"
         "the file passes, 1 when it would be removed.\n"
         "With --stub and --manifest: every check of `build` (manifest, sources, names, roles, stub)\n"
         "without compressing or writing anything; exits 0 when build would start, 1 on a fault.\n",
         command_check},
    };
    return commands;
}

const char* const SETUP_PACK_VERSION = "1.1.0";

std::string ParsedArgs::value(const std::string& name, bool* given) const {
    std::string last;
    bool found = false;
    for (const auto& [key, value] : options)
        if (key == name) last = value, found = true;
    if (given) *given = found;
    return last;
}

std::vector<std::string> ParsedArgs::values(const std::string& name) const {
    std::vector<std::string> all;
    for (const auto& [key, value] : options)
        if (key == name) all.push_back(value);
    return all;
}

bool parse_args(const Args& args, const std::vector<std::string>& with_value, ParsedArgs& out, std::string& error) {
    out = ParsedArgs();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            out.positional.push_back(a);
            continue;
        }
        size_t eq = a.find('=');
        std::string name = a.substr(0, eq);
        bool known = false;
        for (const std::string& w : with_value) known |= w == name;
        if (!known) {
            error = "unexpected argument \"" + a + "\" (see --help)";
            return false;
        }
        if (eq != std::string::npos) {
            out.options.push_back({name, a.substr(eq + 1)});
        } else if (i + 1 < args.size()) {
            out.options.push_back({name, args[++i]});
        } else {
            error = name + " needs a value";
            return false;
        }
    }
    return true;
}

int fail(const char* command, const std::string& message, int code) {
    std::fprintf(stderr, "setup-pack %s: %s\n", command, message.c_str());
    return code;
}

bool wants_help(const char* command, const Args& args) {
    for (const std::string& a : args) {
        if (a != "--help" && a != "-h") continue;
        for (const Command& c : all_commands()) {
            if (std::strcmp(c.name, command) != 0) continue;
            std::printf("usage: setup-pack %s %s\n%s.\n\n%s", c.name, c.usage, c.summary, c.help);
        }
        return true;
    }
    return false;
}

