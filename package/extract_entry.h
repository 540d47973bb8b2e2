// Entry extraction: one File entry of the loaded table becomes a file on disk.
#pragma once

#include <cstdint>

// Writes `entry`'s data to `directory` + `file_name` (the directory is used as it is, so it
// ends with a backslash or is empty; the name may hold backslash-separated subdirectories,
// which are created when missing). The path goes into work_path. The data is decoded from
// the open package_file at the entry's data offset, with the entry's size plus one kilobyte
// as the output limit.
//
// When the destination cannot be created the user is asked (owner progress_page): an
// existing file gives message 36 (Abort / Retry / Ignore), a new one message 35 (Retry /
// Cancel). Returns 0 when written or when the user chose Ignore (the old file stays), -1 for
// Abort, 2 for Cancel, 34 when the package file cannot be positioned at the entry's data,
// and otherwise the status of expand_entry (2 for a Cancel, or 37; the decoder's 1 and 4,
// a damaged stream, are given as 44 and its 3 as 37, so the user is told; the partly
// written file is deleted).
// output_file is -1 before and after the call.
int extract_entry(const char* file_name, const uint8_t* entry, const char* directory);

// Asks the platform for a name in the temporary directory (GetTempFileNameA with `prefix`
// and `unique`; with unique 0 the file is created, empty, under an unused name) into `out`
// (260 bytes). Returns what GetTempFileNameA returns (nonzero on success), or 0 without
// asking when the 260-byte scratch buffer cannot be allocated.
unsigned make_temp_file_name(const char* prefix, unsigned unique, char* out);
