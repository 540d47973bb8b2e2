// Temporary names: a file the run writes over an existing one (and every shared file) is
// written under a name of its own and takes its final name only when the whole install has
// succeeded, so that until then the copy already there stays as it was. Shared libraries and
// programs get a name that nothing loads (".~ll", ".~xe"); any other file its name with "~"
// added.
#pragma once

// Swap results.
constexpr int NAME_SWAPPED = 0;
constexpr int NAME_UNCHANGED = 1;

// How many temporary names to_replacement_name can make for one path.
constexpr int TEMPORARY_NAME_ATTEMPTS = 7;
// The temporary name of any file, in place: when the extension of `path` (from the last dot
// of its last component) is ".dll" or ".exe" in any case, it becomes ".~ll" or ".~xe";
// otherwise "~" is added to the path. Attempts after the first (0) add one more character,
// the mark "!#$%&@" of the attempt, for when a file of someone else's (an editor's
// "notes.txt~") has the name already. NAME_UNCHANGED when the path (a PATH_BUFFER_SIZE buffer)
// has no room for what is added.
int to_replacement_name(char* path, int attempt = 0);
// How many backup names to_backup_name can make for one path.
constexpr int BACKUP_NAME_ATTEMPTS = 6;
// The name an earlier copy keeps during the commit, in place: the path with its last character
// replaced by the `attempt`-th backup mark (0 to BACKUP_NAME_ATTEMPTS - 1). As long as the
// final name, it fits wherever that fits; the caller tries the next attempt while a file has
// the name. NAME_UNCHANGED when the mark is the last character already or the path is empty.
int to_backup_name(char* path, int attempt);
// The reverse of both: an attempt's mark is taken off, then a trailing "~"; otherwise ".~ll"
// becomes ".dll" and ".~xe" becomes ".exe", lower case. (A first temporary name never ends in
// a mark: it ends in "~", "ll" or "xe".)
int to_final_name(char* path);
