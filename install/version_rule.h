// The version rule every copy step applies before it writes a file.
#pragma once

#include <cstdint>

// Results of check_file_version.
constexpr int VERSION_INSTALLED_NEWER = 0;   // keep the installed copy
constexpr int VERSION_SAME = 1;              // both versions are equal
constexpr int VERSION_WRITE = 2;             // the package's copy is newer, or nothing to compare
constexpr int VERSION_NO_MEMORY = 3;         // the installed copy's version could not be read for want of memory

// Compares the version resource of `directory` + `name` (the directory ends with a
// backslash; the path is built in ctx.work_path) with the version stored in `entry`.
// Returns VERSION_INSTALLED_NEWER, VERSION_SAME or VERSION_WRITE. An entry without the
// versioned flag, a missing file, a file without a version resource, a path too long for
// the buffer and a version block that cannot be read all give VERSION_WRITE. When the block
// for an installed copy's version cannot be allocated the answer is VERSION_NO_MEMORY: the
// copy may be newer, and a shortage of memory must not overwrite it with an older one.
int check_file_version(const char* directory, const char* name, const uint8_t* entry);
