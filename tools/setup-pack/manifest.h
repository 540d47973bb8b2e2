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
    int line = 0;
    std::vector<uint8_t> data;     // the file's bytes, read while loading
};

struct Manifest {
    std::string path;
    uint16_t major = 0, minor = 0, build = 0;   // [Setup] version
    std::vector<ManifestEntry> entries;
};

// Largest file a File entry can describe: size_kb is a u16 count of KiB.
constexpr uint64_t MAX_ENTRY_BYTES = 65535ull * 1024;

// Loads and checks the manifest at `path`, reading every source file. Returns true when it is
// sound; otherwise false with `errors` holding one "file:line: what is wrong" per fault.
bool load_manifest(const std::string& path, Manifest& out, std::vector<std::string>& errors);

// "" when the program accepts `name` as a package name, else why not: empty, absolute, a
// drive, a "." or ".." part, an empty part, a part naming a device (CON, NUL.txt, COM1), a
// '/' or ':', a character Windows refuses in names, or too long for a path buffer.
std::string package_name_fault(const std::string& name);

// Parses "a.b.c" (parts = 3) or "a.b.c.d" (parts = 4), each 0 to 65535.
bool parse_version(const std::string& text, unsigned parts, uint16_t out[4]);
