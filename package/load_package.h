// Finding, checking and loading the package appended to this program file.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Runs at start-up: detects the browsers; checks, in one pass over the whole program file,
// its PE checksum (every byte, the program part included: a zero or wrong CheckSum field is
// invalid data) and the package checksum over everything from the File table to the end of
// the package; checks the table's soundness, loads it into
// ctx.file_table (block ctx.file_table_block), sets ctx.required_kb and proposes
// ctx.target_directory. Also sets ctx.program_path and ctx.error_file_name.
// Returns 0, or the message to show: 34 (the program file cannot be opened or read),
// 37 (no memory for the table), 44 (invalid data). Never negative. On failure no table is
// held (file_table is null, the block freed), target_directory is empty and the browser
// fields keep what detection found.
// The package ends at the end of the program file, or, when the file is signed, where its
// certificate table (and any zero padding the signer put before it) begins; a security
// directory that names no sound certificate table behind the package is invalid data (44), as
// is a file without PE headers in its first 512 bytes (no checksum field to verify).
int load_package();

// Opens this program file read-only, its path written into ctx.program_path and
// ctx.error_file_name (what a read error names). HFILE_ERROR when it cannot be opened.
HFILE open_program_file();

// The File entry record_length bytes after `entry`. A walk starts at ctx.file_table and takes
// exactly file_count steps.
uint8_t* next_file_entry(uint8_t* entry);
const uint8_t* next_file_entry(const uint8_t* entry);

// What an entry of `size_kb` kilobytes adds to required_kb: rounded up to a multiple of 32.
inline uint32_t rounded_required_kb(uint32_t size_kb) { return (size_kb + 31) & ~31u; }
