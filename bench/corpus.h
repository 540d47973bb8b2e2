// The benchmark corpus in memory: every file of a corpus folder, in byte order of their
// names, with the compressed streams the benchmarks decode and compare.
#pragma once

#include "tools/setup-pack/compressor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CorpusFile {
    std::string name;
    std::vector<uint8_t> data;
    std::vector<uint8_t> deflate;   // libdeflate level 12 raw DEFLATE: what our stream is made from
    std::vector<uint8_t> ours;      // the package stream setup-pack makes of the file
    std::vector<uint8_t> zlib9;     // zlib level 9 raw DEFLATE (only for the size table)
    CompressStats stats;            // setup-pack's block counts for `ours`
    size_t offset = 0;              // where the file starts in the corpus' concatenation
};

struct Corpus {
    std::string dir;
    std::vector<CorpusFile> files;
    size_t bytes = 0;               // sum of the files' sizes
};

// Which streams prepare_corpus makes.
enum : unsigned {
    PREPARE_DEFLATE = 1,
    PREPARE_OURS = 2,
    PREPARE_ZLIB9 = 4,
    PREPARE_ALL = 7,
};

// Reads every regular file of `dir`. False with `error` set when it cannot, or when the
// folder holds none.
bool load_corpus(const std::string& dir, Corpus& corpus, std::string& error);

// Makes the streams named by `which` for every file. Our streams come from setup-pack's
// compress_stream (which decodes each one again before handing it out). False with `error`.
bool prepare_corpus(Corpus& corpus, unsigned which, std::string& error);
