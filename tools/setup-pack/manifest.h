// The packing manifest: which files go into the package, under which names, with which flags.
// Its format is described in tools/setup-pack/README.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string source;            // the source path as written in the manifest
    std::string source_path;       // resolved against the manifest's folder
    std::string name;              // the name in the package (backslash subfolders allowed)
    uint16_t flags = 0;            // File entry flags (package/package_format.h)
    bool stamped = false;          // write the embedded extension checksum into the data
    uint32_t version_ms = 0, version_ls = 0;   // stored when flags carry shared or versioned
    int line = 0;                  // the manifest line (a folder line for each of its files)
    uint64_t size = 0;             // the source's size when it was checked
};

struct Manifest {
    std::string path;
    uint16_t major = 0, minor = 0, build = 0;   // [Setup] version
    int files_line = 0;                          // the [Files] section's line
    std::vector<ManifestEntry> entries;
};

// What the command line changes in a manifest: `--set KEY=VALUE` pairs, each a [Setup] key
// (only "version" today) that replaces the manifest's value or stands for a missing one.
struct ManifestSettings {
    std::vector<std::string> sets;
};

// Largest file a File entry can describe: size_kb is a u16 count of KiB.
constexpr uint64_t MAX_ENTRY_BYTES = 65535ull * 1024;

// Loads and checks the manifest at `path`: every source is opened and checked (its size,
// version resource, checksum marker or stamp), but its bytes are not kept. A source ending in
// '/' is a folder: every file of its tree becomes an entry. Returns true when it is sound;
// otherwise false with `errors` holding one "file:line: what is wrong" per fault (a bad
// `--set` is named as "--set: ...").
bool load_manifest(const std::string& path, Manifest& out, std::vector<std::string>& errors,
                   const ManifestSettings& settings = {});

// Reads the entry's source into `data` (stamping it when the manifest says so) and checks
// that it is still the size it had when the manifest was loaded. False with `error`.
bool read_entry_data(const ManifestEntry& e, std::vector<uint8_t>& data, std::string& error);

// "" when `name` is sound as a package name, else why not: empty, absolute, a drive, a "."
// or ".." part, an empty part, a part naming a device (CON, NUL.txt, COM1), a '/' or ':', a
// character Windows refuses in names, a part ending in a dot or a blank (Windows drops those,
// so "read." and "read " are the file "read"), or too long for a path buffer.
std::string package_name_fault(const std::string& name);

// True when the program tests the entry's embedded extension checksum (".cox", ".mox").
bool is_extension_name(const std::string& name);

// Parses "a.b.c" (parts = 3) or "a.b.c.d" (parts = 4), each 0 to 65535.
bool parse_version(const std::string& text, unsigned parts, uint16_t out[4]);
