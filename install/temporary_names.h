// Temporary names of shared libraries and programs: such files are written under a name
// that nothing loads (".~ll", ".~xe") and take their final name only when the whole
// install has succeeded.
#pragma once

// Swap results.
constexpr int NAME_SWAPPED = 0;
constexpr int NAME_UNCHANGED = 1;

// If the extension of `path` (from the last dot of its last component) is ".dll" or
// ".exe" in any case, overwrites it in place with ".~ll" or ".~xe" and returns
// NAME_SWAPPED; otherwise leaves the path alone and returns NAME_UNCHANGED.
int to_temporary_name(char* path);
// The reverse: ".~ll" becomes ".dll" and ".~xe" becomes ".exe", lower case.
int to_final_name(char* path);
