// setup-pack: builds installers (the program file with its package appended) and inspects them.
#include "tools/setup-pack/commands.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const TOOL_HELP =
    "usage: setup-pack COMMAND [ARGS]\n"
    "Builds and inspects Brisvane Setup installers. `setup-pack COMMAND --help` tells more.\n\n";

void print_overview(FILE* to) {
    std::fputs(TOOL_HELP, to);
    for (const Command& c : all_commands()) std::fprintf(to, "  %-9s %s\n", c.name, c.summary);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        print_overview(stderr);
        return EXIT_USAGE;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        print_overview(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("setup-pack %s\n", SETUP_PACK_VERSION);
        return 0;
    }
    Args args(argv + 2, argv + argc);
    for (const Command& c : all_commands())
        if (name == c.name) return c.run(args);
    std::fprintf(stderr, "setup-pack: unknown command \"%s\"\n\n", name.c_str());
    print_overview(stderr);
    return EXIT_USAGE;
}
