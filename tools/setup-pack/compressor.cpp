#include "tools/setup-pack/compressor.h"

#include "tools/setup-pack/stream_check.h"

#include <libdeflate.h>

#include <cstring>

namespace {

// Below this share of the input at level 1, the data is long runs (see compress_chunk).
constexpr size_t REDUNDANT_RATIO = 100;
constexpr int RUNS_LEVEL = 6;
constexpr size_t RUNS_SAMPLE = 64 * 1024;

}  // namespace

void add_stats(CompressStats& sum, const CompressStats& more) {
    sum.deflate_bytes += more.deflate_bytes;
    sum.blocks.blocks += more.blocks.blocks;
    sum.blocks.kept += more.blocks.kept;
    sum.blocks.as_fixed += more.blocks.as_fixed;
    sum.blocks.as_stored += more.blocks.as_stored;
}

bool deflate_raw(const uint8_t* data, size_t size, std::vector<uint8_t>& out, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    if (!c) return false;
    out.resize(libdeflate_deflate_compress_bound(c, size));
    size_t n = libdeflate_deflate_compress(c, data, size, out.data(), out.size());
    libdeflate_free_compressor(c);
    out.resize(n);
    return n != 0;
}

bool compress_chunk(const uint8_t* data, size_t size, int level, CompressedChunk& out, std::string& error) {
    out = CompressedChunk();
    std::vector<uint8_t> deflate;
    bool made = false;
    // Level 1 on the chunk's start first: only a chunk whose start is long runs is worth
    // the whole look (a twentieth of level 12's time on ordinary data, saved on most chunks).
    if (level > RUNS_LEVEL && size >= 4096) {
        size_t start = size < RUNS_SAMPLE ? size : RUNS_SAMPLE;
        made = deflate_raw(data, start, deflate, 1) && deflate.size() * REDUNDANT_RATIO < start &&
               deflate_raw(data, size, deflate, 1) && deflate.size() * REDUNDANT_RATIO < size &&
               deflate_raw(data, size, deflate, RUNS_LEVEL);
    }
    if (!made && !deflate_raw(data, size, deflate, level)) {
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
    out.bytes = transcode_deflate(deflate.data(), parsed, &out.stats.blocks);
    out.has_stored = out.stats.blocks.as_stored > 0;
    for (const ParsedBlock& block : parsed.blocks) out.has_stored |= block.kind == BlockKind::stored;
    ParsedStream().blocks.swap(parsed.blocks);   // keep only one copy of the chunk's items at a time
    out.bits = out.stats.blocks.bit_length;
    out.last_header_bit = out.stats.blocks.last_header_bit;
    out.stats.deflate_bytes = deflate.size();
    out.crc = libdeflate_crc32(0, data, size);
    return true;
}

std::vector<uint32_t> chunk_crcs(const uint8_t* data, size_t size) {
    std::vector<uint32_t> crcs;
    size_t done = 0;
    do {
        size_t piece = size - done < CHUNK_SIZE ? size - done : CHUNK_SIZE;
        crcs.push_back(libdeflate_crc32(0, data + done, piece));
        done += piece;
    } while (done < size);
    return crcs;
}

void append_chunk(BitWriter& stream, CompressedChunk& chunk, bool final) {
    if (!final) {
        size_t flag = chunk.last_header_bit + 3;   // bit 3 of the block header: "last"
        chunk.bytes[flag >> 3] &= (uint8_t) ~(1u << (flag & 7));
    }
    if (chunk.has_stored && stream.bit_length() % 8 != 0) {
        stream.put(PACKAGE_STORED_BLOCK, 4);
        stream.align();
        stream.put(0, 16);
    }
    stream.put_bits(chunk.bytes.data(), chunk.bits);
}

bool compress_stream(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error,
                     CompressStats* stats, int level) {
    BitWriter stream;
    CompressStats sum;
    size_t done = 0;
    do {
        size_t piece = size - done < CHUNK_SIZE ? size - done : CHUNK_SIZE;
        CompressedChunk chunk;
        if (!compress_chunk(data + done, piece, level, chunk, error)) return false;
        add_stats(sum, chunk.stats);
        done += piece;
        append_chunk(stream, chunk, done == size);
    } while (done < size);
    out = stream.finish();
    if (!stream_decodes_to(out.data(), out.size(), data, size, error)) return false;
    if (stats) *stats = sum;
    return true;
}
