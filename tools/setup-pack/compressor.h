// The package compressor: libdeflate at its highest level finds the matches and builds the
// codes; the transcoder writes the result in the package's stream format; every stream is
// decoded again before it is handed out.
#pragma once

#include "tools/setup-pack/transcoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int COMPRESSION_LEVEL = 12;   // libdeflate's highest

struct CompressStats {
    size_t deflate_bytes = 0;   // size of libdeflate's raw DEFLATE stream
    TranscodeStats blocks;
};

// Compresses `size` bytes into one package stream in `out`. Before returning true it decodes
// the stream with the program's own decoder and compares every byte with the input. Returns
// false with `error` set when libdeflate fails or the stream does not decode back to the input.
bool compress_stream(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error,
                     CompressStats* stats = nullptr);

// Raw DEFLATE of `size` bytes by libdeflate at COMPRESSION_LEVEL (what the transcoder starts from).
bool deflate_raw(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
