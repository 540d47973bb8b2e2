#include "tools/setup-pack/compressor.h"

#include "tools/setup-pack/stream_check.h"

#include <libdeflate.h>

#include <cstring>

bool deflate_raw(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(COMPRESSION_LEVEL);
    if (!c) return false;
    out.resize(libdeflate_deflate_compress_bound(c, size));
    size_t n = libdeflate_deflate_compress(c, data, size, out.data(), out.size());
    libdeflate_free_compressor(c);
    out.resize(n);
    return n != 0;
}

bool compress_stream(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error,
                     CompressStats* stats) {
    std::vector<uint8_t> deflate;
    if (!deflate_raw(data, size, deflate)) {
        error = "libdeflate could not compress the data";
        return false;
    }
    ParsedStream parsed;
    std::string fault = parse_stream(deflate.data(), deflate.size(), StreamFormat::deflate, parsed);
    if (fault.empty() && (parsed.output.size() != size || (size && std::memcmp(parsed.output.data(), data, size) != 0)))
        fault = "its DEFLATE stream does not inflate to the input";
    if (!fault.empty()) {
        error = "cannot transcode: " + fault;
        return false;
    }
    TranscodeStats blocks;
    out = transcode_deflate(deflate.data(), parsed, &blocks);
    if (!stream_decodes_to(out.data(), out.size(), data, size, error)) return false;
    if (stats) {
        stats->deflate_bytes = deflate.size();
        stats->blocks = blocks;
    }
    return true;
}
