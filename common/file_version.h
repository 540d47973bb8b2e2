// The version of an installed file, read from its version resource through the system's
// version calls: one reader for the browsers' versions and the version rule of every copy.
#pragma once

#include <cstdint>

// Results of read_file_version.
constexpr int FILE_VERSION_READ = 0;        // *ms and *ls hold the file version
constexpr int FILE_VERSION_NONE = 1;        // no file, no version resource or an unreadable one
constexpr int FILE_VERSION_NO_MEMORY = 2;   // the version block could not be allocated

// Reads the file version (VS_FIXEDFILEINFO's most and least significant 32 bits) of the file
// at `path`. *ms and *ls are changed only when the result is FILE_VERSION_READ.
int read_file_version(const char* path, uint32_t* ms, uint32_t* ls);

// The file version's most significant 32 bits (major << 16 | minor); 0 when it has none, it
// cannot be read or memory is short.
uint32_t query_file_version(const char* path);
