// Text operations on file names and paths, shared by the install steps and the uninstaller:
// bounded joins into 260-byte path buffers, names compared without regard to case, the last
// component and the extension of a name.
#pragma once

#include "common/install_context.h"

// `c` with an ASCII capital letter made small; every other byte as it is. The one case
// folding of both programs: names, switches and device names compare through it.
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// True when `a` and `b` are equal without regard to (ASCII) case, as file names compare.
bool same_name(const char* a, const char* b);

// The text after `prefix` when `text` begins with it without regard to (ASCII) case; null
// when it does not.
const char* after_prefix(const char* text, const char* prefix);

// The part of `name` after its last backslash, or the whole name.
const char* last_component(const char* name);

// The extension of `name`: from the last dot of its last component, dot included; null
// when that component has no dot.
const char* name_extension(const char* name);

// True when `name` has extension `extension` (with its dot), without regard to case.
bool has_extension(const char* name, const char* extension);

// How deep a path lies: its number of backslashes (X:\ 1, X:\a\ 2, X:\a\b.txt 2).
int path_depth(const char* path);

// Copies `first` then `second` into `out`, a PATH_BUFFER_SIZE buffer. Returns false, with
// `out` emptied, when the joined text does not fit: a cut path would name another file.
bool join_path(char* out, const char* first, const char* second);

// Appends `text` to the zero-terminated `buffer` of `size` bytes. Returns false, leaving the
// buffer unchanged, when it does not fit.
bool append_text(char* buffer, int size, const char* text);
