// Writes a stand-in browser executable for the end-to-end tests:
//   make_browser PATH pe32 MAJOR MINOR   a 32-bit program with file version MAJOR.MINOR.0.0
//   make_browser PATH 16bit              a 16-bit program (its new header is not "PE")
//   make_browser PATH short              a file too short to say what it is
#include "tests/support/make_pe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_browser PATH (pe32 MAJOR MINOR | 16bit | short)\n");
        return 64;
    }
    std::string kind = argv[2], bytes;
    if (kind == "pe32" && argc == 5)
        bytes = make_pe_with_version((uint16_t)std::atoi(argv[3]), (uint16_t)std::atoi(argv[4]), 0, 0, PeMachine::i386);
    else if (kind == "16bit")
        bytes = make_16bit_exe();
    else if (kind == "short")
        bytes = "MZ";
    else
        return 64;
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_browser: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
