// The two checksums of a program file. The package checksum: every byte from the File table
// to the end of the package (the end of the program file, or the start of its certificate
// table when it is signed), folded into 32 bits. The PE checksum: the CheckSum field of the
// PE optional header, over the whole file.
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

// The PE checksum, as linkers and signing tools write it: the file's 16-bit little-endian
// words summed with end-around carry (a last odd byte is a word with a zero high byte), the
// CheckSum field itself counted as zero, then the file's length added. A signature does not
// cover the field, so setting it leaves a signature valid.

// Folds `length` bytes that lie at file offset `position` into the running sum `sum` (start
// with 0) and returns it; each byte counts as the low or high half of its word by the parity
// of its offset, so pieces may start anywhere. The sum stays below 0x10002 between calls.
uint32_t pe_checksum_add(const uint8_t* bytes, uint32_t length, uint32_t position, uint32_t sum);

// The checksum from the running sum of a whole file of `file_size` bytes.
inline uint32_t pe_checksum_finish(uint32_t sum, uint32_t file_size) { return ((sum & 0xFFFF) + (sum >> 16)) + file_size; }

// The PE checksum of a whole file held in memory whose CheckSum field lies at `field`.
uint32_t pe_checksum_of(const uint8_t* file, uint32_t size, uint32_t field);
