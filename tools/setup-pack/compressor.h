// The package compressor: libdeflate finds the matches and builds the codes; the transcoder
// writes the result in the package's stream format; every piece is decoded again before it is
// handed out.
//
// Large inputs are compressed in chunks of CHUNK_SIZE bytes, each on its own (no match
// reaches back into an earlier chunk), so that chunks can be compressed on several cores and
// only a few of them are held in memory. Their blocks are joined into one stream: a chunk's
// last block loses its "last" flag unless it ends the stream. The chunks are fixed by the
// input alone, so the stream does not depend on how many cores made it.
#pragma once

#include "tools/setup-pack/bit_writer.h"
#include "tools/setup-pack/transcoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int COMPRESSION_LEVEL = 12;   // libdeflate's highest: the default
constexpr int MIN_COMPRESSION_LEVEL = 1;
constexpr size_t CHUNK_SIZE = 1u << 20;

struct CompressStats {
    size_t deflate_bytes = 0;   // size of libdeflate's raw DEFLATE streams
    TranscodeStats blocks;
};

// Adds `more` to `sum`, field by field.
void add_stats(CompressStats& sum, const CompressStats& more);

// One chunk in the package's stream format, its last block flagged last, so that it is a
// sound stream on its own.
struct CompressedChunk {
    std::vector<uint8_t> bytes;
    size_t bits = 0;              // bits of `bytes` in use
    size_t last_header_bit = 0;   // where the last block's 4-bit header starts
    bool has_stored = false;      // holds stored blocks, which align to the stream's bytes
    uint32_t crc = 0;             // CRC-32 of the chunk's input, for checking the stream later
    CompressStats stats;
};

// Compresses `size` bytes (at most CHUNK_SIZE) at libdeflate level `level` (1 to 12) into
// `out`, checking that libdeflate's stream inflates to the input before it is transcoded.
// The caller decodes the result with the program's decoder (compress_stream below does;
// build does it on the installer it wrote, against each chunk's CRC). Above level 6, a chunk
// that level 1 already shrinks below a hundredth (tried when its first 64 KiB shrink so) is
// taken at level 6: on such long runs the higher levels cost many times the time and gain
// almost nothing. False with `error` when
// libdeflate fails or its stream does not inflate to the input. Safe to call from several
// threads at once.
bool compress_chunk(const uint8_t* data, size_t size, int level, CompressedChunk& out, std::string& error);

// Appends `chunk` to `stream`; unless `final`, its last block loses the "last" flag first.
// A stored block's data starts at a byte boundary of the whole stream: a chunk holding one,
// made as if from the stream's first bit, must start on a byte boundary, so when the stream
// is not there an empty stored block (4 to 11 bits of header and padding, and a zero length)
// takes it there first.
void append_chunk(BitWriter& stream, CompressedChunk& chunk, bool final);

// Compresses `size` bytes into one package stream in `out`, chunk after chunk (see above),
// and decodes it with the program's own decoder, comparing every byte with the input. False
// with `error` set when a chunk fails or the stream does not decode back.
bool compress_stream(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error,
                     CompressStats* stats = nullptr, int level = COMPRESSION_LEVEL);

// The CRC-32 of each CHUNK_SIZE piece of `data` (one for empty data): what the chunks of its
// stream were made from.
std::vector<uint32_t> chunk_crcs(const uint8_t* data, size_t size);

// Raw DEFLATE of `size` bytes by libdeflate at `level` (what the transcoder starts from).
bool deflate_raw(const uint8_t* data, size_t size, std::vector<uint8_t>& out, int level = COMPRESSION_LEVEL);
