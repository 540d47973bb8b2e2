#include "tools/setup-pack/compressor.h"
#include <cstdio>
#include <fstream>
#include <iterator>
int main(int argc, char** argv) {
    std::ifstream f(argv[1], std::ios::binary);
    std::vector<uint8_t> in((std::istreambuf_iterator<char>(f)), {});
    std::vector<uint8_t> out, d; std::string e;
    CompressStats s;
    if (!compress_stream(in.data(), in.size(), out, e, &s)) { printf("%s\n", e.c_str()); return 1; }
    printf("%zu -> deflate %zu, package %zu (%.5f) blocks %u fixed %u stored %u\n", in.size(), s.deflate_bytes, out.size(), (double)out.size()/s.deflate_bytes, s.blocks.blocks, s.blocks.as_fixed, s.blocks.as_stored);
    (void)argc; return 0;
}
