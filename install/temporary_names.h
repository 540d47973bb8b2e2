// Temporary names: a file the run writes over an existing one (and every shared file) is
// written under a name of its own and takes its final name only when the whole install has
// succeeded, so that until then the copy already there stays as it was. Shared libraries and
// programs get a name that nothing loads (".~ll", ".~xe"); any other file its name with "~"
// added.
#pragma once

// Swap results.
constexpr int NAME_SWAPPED = 0;
constexpr int NAME_UNCHANGED = 1;

// If the extension of `path` (from the last dot of its last component) is ".dll" or
// ".exe" in any case, overwrites it in place with ".~ll" or ".~xe" and returns
// NAME_SWAPPED; otherwise leaves the path alone and returns NAME_UNCHANGED.
int to_temporary_name(char* path);
// The temporary name of any file, in place: what to_temporary_name makes of ".dll" and ".exe",
// otherwise the path with "~" added. NAME_UNCHANGED when the path (a PATH_BUFFER_SIZE buffer)
// has no room for it.
int to_replacement_name(char* path);
// The reverse of both: a trailing "~" is taken off; otherwise ".~ll" becomes ".dll" and ".~xe"
// becomes ".exe", lower case.
int to_final_name(char* path);
