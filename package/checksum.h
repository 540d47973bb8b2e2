// The package checksum: every byte from the File table to the end of the package (the end of
// the program file, or the start of its certificate table when it is signed),
// folded into 32 bits.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Folds `length` bytes of `buffer` into `sum` and returns the new sum. Each whole 32-bit
// little-endian word in turn: sum = rotate_left(sum, 1) + word (mod 2^32); then each of the
// length % 4 leftover bytes the same way, unsigned. Pieces that are multiples of four bytes
// can be folded one after another and give the same sum as one pass.
uint32_t checksum_add(const uint8_t* buffer, uint32_t length, uint32_t sum);

// The checksum of the next `count` bytes from the file's current position (fewer when the
// file ends first), read through a 16,384-byte block; the position is left behind the bytes
// read. Returns 0 when the block cannot be allocated; a read that fails ends the sum there
// (the caller sees a mismatch).
uint32_t checksum_bytes(HFILE file, uint32_t count);
