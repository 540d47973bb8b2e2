// The decoders the benchmark compares, each decoding every file of a prepared corpus once.
#pragma once

#include "bench/corpus.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Decoder { ours, zlib, libdeflate, copy };

const char* decoder_name(Decoder d);
bool parse_decoder(const std::string& text, Decoder& d);

// State a decoder keeps between runs: our decoder's in-memory files, the others' contexts
// and the output buffer. Made once per corpus, so a timed run does only the decoding.
struct DecodeRig {
    const Corpus* corpus = nullptr;
    int in_fd = -1;                 // our streams back to back (memfd)
    int out_fd = -1;                // our decoder's output (memfd), the whole corpus back to back
    std::vector<size_t> in_offsets; // where each of our streams starts in in_fd
    std::vector<uint8_t> output;    // the other decoders' output, the whole corpus back to back
    void* zlib_stream = nullptr;
    void* libdeflate = nullptr;
};

// Sets up for the streams the corpus holds. False with `error` set.
bool open_rig(const Corpus& corpus, DecodeRig& rig, std::string& error);
void close_rig(DecodeRig& rig);

// Decodes the whole corpus once. False when a stream does not decode (with `error` set).
// `ours`: expand_entry from in_fd into out_fd (no output limit), one call per file.
// `zlib`: inflate, raw (-15 window bits), one inflateReset per file; `libdeflate`:
// libdeflate_deflate_decompress; both on the libdeflate level 12 streams ours were made
// from, into `output`. `copy`: memcpy of the files' bytes into `output`, the upper limit.
bool decode_corpus(DecodeRig& rig, Decoder d, std::string& error);

// True when the last run of `d` left exactly the corpus' bytes in its output.
bool output_matches(DecodeRig& rig, Decoder d, std::string& error);
