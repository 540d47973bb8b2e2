// The embedded checksum of the browser extension files (".cox", ".mox" and the other listed
// extension modules).
//
// File format: anywhere in the file stands the 6-byte marker 44 02 01 56 27 75, followed at
// once by the stored checksum, a u32 little-endian. The checksum covers every byte of the file
// with the four bytes of the stored checksum taken as zero: starting from the seed, for each
// byte b, sum = (sum rotated left by 1) + b - 15, modulo 2^32. Only the first marker counts.
// A file without a marker (one shorter than the marker included) passes only when its sum
// equals the sentinel.
#pragma once

#include "platform/win32.h"

#include <cstdint>

constexpr uint8_t EXTENSION_MARKER[6] = {0x44, 0x02, 0x01, 0x56, 0x27, 0x75};
constexpr uint32_t EXTENSION_MARKER_SIZE = 6;
constexpr uint32_t EXTENSION_STORED_SIZE = 4;              // the stored checksum after the marker
constexpr uint32_t EXTENSION_CHECKSUM_SEED = 0x6B2E19D4;
constexpr uint32_t EXTENSION_CHECKSUM_SENTINEL = 0x3C57A0E2;
constexpr uint32_t EXTENSION_BLOCK_SIZE = 8192;            // the file is summed in blocks of this size
constexpr uint32_t EXTENSION_BUFFER_SIZE = 2 * EXTENSION_BLOCK_SIZE;

// Results of extension_checksum_matches.
constexpr int EXTENSION_CHECKSUM_MISMATCH = 0;
constexpr int EXTENSION_CHECKSUM_MATCH = 1;
constexpr int EXTENSION_CHECKSUM_UNTESTED = -1;   // no buffer, or the file could not be read

// Folds `count` bytes into the running sum and returns the new sum. Pure; setup-pack uses it
// to stamp the files it packs.
uint32_t extension_checksum_add(const uint8_t* bytes, uint32_t count, uint32_t sum);

// True when `bytes` starts with the marker and holds the whole stored checksum behind it,
// that is when `available` (the bytes readable from `bytes` on) is at least 10.
bool extension_marker_at(const uint8_t* bytes, uint32_t available);

// Tests the whole file behind `file` (positioned anywhere; left at an unspecified position)
// in 8192-byte blocks through one 16,384-byte buffer, so a marker and its stored checksum may
// straddle a block boundary. Returns EXTENSION_CHECKSUM_MATCH when the computed sum equals the
// stored checksum (or, without a marker, the sentinel), EXTENSION_CHECKSUM_MISMATCH when it
// does not, and EXTENSION_CHECKSUM_UNTESTED when the buffer cannot be allocated or a read
// fails: the file was not judged, and the caller keeps it.
int extension_checksum_matches(HFILE file);
