// Building an installer: the stub program file, the File table and the compressed entries
// behind it, and the stub's Setup header patched to describe them.
#pragma once

#include "tools/setup-pack/compressor.h"
#include "tools/setup-pack/manifest.h"
#include "tools/setup-pack/parallel_compress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PackedEntry {
    std::string name;
    uint16_t flags = 0;
    size_t size = 0;      // bytes before compression
    size_t packed = 0;    // bytes of its stream
    std::vector<uint32_t> crcs;   // CRC-32 of each chunk of the source (chunk_crcs)
};

struct BuildResult {
    std::vector<PackedEntry> entries;
    size_t stub_size = 0, table_size = 0, total_size = 0;
    uint32_t checksum = 0;
    CompressStats totals;   // summed over the entries
};

// Called before each entry is compressed: its index, the entry count and its name.
using BuildProgress = std::function<void(size_t, size_t, const std::string&)>;

// Finds the one Setup header in `image` by its marker. Returns true with `offset` set; false
// with `error` when the marker is missing or occurs more than once.
bool find_setup_header(const std::vector<uint8_t>& image, size_t& offset, std::string& error);

// Checks that `stub` can take a package: one Setup header, still empty, and no signature.
// True with `header` (the Setup header's offset); false with `error`.
bool check_stub(const std::vector<uint8_t>& stub, size_t& header, std::string& error);

struct BuildOptions {
    int level = COMPRESSION_LEVEL;               // libdeflate level, 1 to 12
    unsigned threads = default_thread_count();   // the bytes do not depend on it
};

// Builds the installer from `stub` and the loaded manifest into the empty file `fd`:
// compresses (and, for stamped entries, first stamps) every entry, writes the table and the data behind the stub, and patches file_count,
// table_offset, table_size, data_start, the product version and the checksum into the Setup
// header. The same inputs and level always give the same bytes. Only a few entries' data is
// held in memory at a time. The streams are not decoded here: the caller checks the file
// written with check_installer and result.entries' CRCs. False with `error` on any fault;
// the file is then unspecified.
bool build_installer(const std::vector<uint8_t>& stub, const Manifest& manifest, int fd, const BuildOptions& options,
                     BuildResult& result, std::string& error, const BuildProgress& progress = nullptr);

// Writes the embedded extension checksum behind the first marker in `data`. False when the
// data holds no marker followed by room for the checksum.
bool stamp_extension_checksum(std::vector<uint8_t>& data);

// The File entry record for one entry (see package/package_format.h).
std::vector<uint8_t> make_entry_record(const std::string& name, uint16_t flags, uint16_t size_kb,
                                       uint32_t version_ms, uint32_t version_ls, uint32_t data_offset,
                                       uint32_t packed_size);
