// The soundness test of a File table. The checksum proves that the package is the one that
// was built, not that it was built well: a damaged or hostile table whose checksum matches
// must still never make the program read outside the loaded table or write outside its
// target directory. setup-pack runs the same test on every table it writes.
#pragma once

#include <cstddef>
#include <cstdint>

// Checks the `file_count` File entries at the start of `table` (`table_size` bytes) of a
// program file of `file_size` bytes whose entry data starts at `data_start`. Returns 0 when
// every entry is sound, else 44 (invalid data). An entry is sound when:
//   - its record lies inside the table, and its record_length holds every field the entry
//     must have (name length + 20, or + 28 with the version pair);
//   - its name is terminated inside the record, not empty, shorter than a path buffer,
//     relative (no leading backslash, no ':' or '/'), and has no component made only of dots
//     and blanks (such as "..", which Windows also reaches as ".. " or ". ."), and no
//     component that names a device (see is_device_name);
//   - its data_offset lies in the data area [data_start, file_size).
// Pure: reads only the given bytes.
int check_file_table(const uint8_t* table, uint32_t table_size, unsigned file_count, uint32_t data_start,
                     uint32_t file_size);

// True when the `length` characters at `part` (one component of a path, without backslashes)
// name a device rather than a file: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 and
// LPT0 to LPT9 (also with the superscript digits 1, 2 and 3 of the 8-bit character set), in
// any letter case, alone or followed by an extension ("NUL.txt"), trailing dots or blanks
// ("CON. ", "COM1 .log"). Opening such a name opens the device in whatever directory it
// stands. Pure.
bool is_device_name(const char* part, size_t length);
