// Compressing a manifest's entries on several threads, the streams handed out in manifest
// order. Each entry is cut into chunks (compressor.h); a thread takes the next chunk, reads
// its bytes from the source and compresses it; the caller's thread joins the chunks of each
// entry in order and passes the stream's bytes on as they are complete. Only a few chunks
// ahead of the one being passed on are worked on or held, so memory stays bounded by a few
// chunks (and by a whole entry only for stamped entries, whose checksum covers the file).
// The bytes do not depend on the number of threads.
#pragma once

#include "tools/setup-pack/compressor.h"
#include "tools/setup-pack/manifest.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct EntryStreamHandlers {
    // Called before the first bytes of entry `index`.
    std::function<void(size_t index)> begin;
    // The next bytes of the current entry's stream; false stops the work (error set).
    std::function<bool(const uint8_t* bytes, size_t count, std::string& error)> write;
    // The current entry's stream is complete: its length, statistics and the CRC-32 of each
    // chunk of its source (see chunk_crcs).
    std::function<void(size_t index, size_t packed, const CompressStats& stats, const std::vector<uint32_t>& crcs)> end;
};

// Compresses every entry of `m` at `level` on `threads` threads (at least 1). False with
// `error` (naming the entry) when a source cannot be read or has changed since the manifest
// was loaded, when a chunk fails, or when a handler refuses.
bool compress_entries(const Manifest& m, int level, unsigned threads, const EntryStreamHandlers& handlers,
                      std::string& error);

// The number of threads to use by default: the machine's cores.
unsigned default_thread_count();
