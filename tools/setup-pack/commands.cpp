// The command table, help texts and the small helpers every command shares.
#include "tools/setup-pack/commands.h"

#include <cstdio>
#include <cstring>

const std::vector<Command>& all_commands() {
    static const std::vector<Command> commands = {
        {"build", "--stub PROGRAM.exe --manifest FILE --out INSTALLER.exe", "build an installer from a stub and a manifest",
         "Compresses every entry of the manifest, writes the File table and the data behind the stub\n"
         "and patches the stub's Setup header. The result is the same for the same inputs. It is\n"
         "written to a temporary file first, so a failed build leaves no installer behind.\n",
         command_build},
        {"list", "INSTALLER.exe", "list the package of an installer",
         "Prints the Setup header (version, table, checksum) and one line per File entry.\n", command_list},
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
         "Prints the status and exits with it: 0 sound, 1 invalid data, 2 invalid block type or\n"
         "over-subscribed code, 3 no memory for code tables, 37 no memory. A usage error or an\n"
         "unreadable IN exits 64. OUT is only written when the status is 0.\n",
         command_expand},
        {"stamp", "FILE", "write the embedded extension checksum into FILE",
         "FILE must hold the checksum marker (44 02 01 56 27 75); the checksum goes behind its\n"
         "first occurrence.\n",
         command_stamp},
        {"check", "FILE", "test the embedded extension checksum of FILE",
         "Runs the installer's own test; exits 0 when the file passes, 1 when it would be removed.\n",
         command_check},
    };
    return commands;
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

