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
