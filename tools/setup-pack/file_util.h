// Whole-file reading and writing for the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file; false with `error` (the system's reason) when it cannot.
bool read_whole_file(const std::string& path, std::vector<uint8_t>& out, std::string& error);

// Writes `bytes` to a new temporary file beside `path`, then renames it over `path`, so that
// `path` either keeps its old contents or gets all the new ones. `mode` is the new file's mode.
bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes, unsigned mode,
                           std::string& error);

// Writes all `count` bytes at the file's position / at `offset`; false with `error`.
bool write_all(int fd, const uint8_t* bytes, size_t count, std::string& error);
bool pwrite_all(int fd, const uint8_t* bytes, size_t count, uint64_t offset, std::string& error);
// Reads exactly `count` bytes at `offset`; false with `error` (also when the file is shorter).
bool pread_all(int fd, uint8_t* bytes, size_t count, uint64_t offset, std::string& error);

// Creates a new empty file beside `path` ("PATH.partial-XXXXXX"), open for reading and
// writing: its descriptor, or -1 with `error`. `temp` gets its name.
int create_temp_beside(const std::string& path, std::string& temp, std::string& error);

// Gives the temporary file its mode, flushes it to disk, closes it and renames it over `path`.
// On failure it is closed and removed, `path` is left as it was, and `error` says why.
bool commit_temp(int fd, const std::string& temp, const std::string& path, unsigned mode, std::string& error);

// A file's identity on its file system: two paths name one file when both are equal, whatever
// their spelling (relative, through a symbolic link, a second hard link).
struct FileIdentity {
    unsigned long long device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// True with `id` set when `path` names an existing file (links followed).
bool file_identity(const std::string& path, FileIdentity& id);
