// Reading the version resource of a PE file from its bytes. Used by the host stand-in's
// version calls and by setup-pack to learn the version of the files it packs.
#pragma once

#include <cstddef>
#include <cstdint>

// Finds the first RT_VERSION resource in a PE image held in `file` (`size` bytes). On success
// sets `offset` and `length` to where its bytes lie in the file and returns true. Every
// offset is checked against the file's size before it is read.
bool pe_find_version_resource(const uint8_t* file, size_t size, size_t& offset, size_t& length);

// Finds the fixed file information (VS_FIXEDFILEINFO, 52 bytes) inside a version resource
// block. Returns its offset in the block, or -1 when the block is not a version resource.
long version_block_fixed_info(const uint8_t* block, size_t size);

// The file version of a version resource block: the most and least significant words.
bool version_block_file_version(const uint8_t* block, size_t size, uint32_t& ms, uint32_t& ls);
