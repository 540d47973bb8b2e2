// The install record (common/install_record.h has its form): this run's entries, listed as
// files are placed, and the record written with the uninstall record at the end.
#pragma once

#include "platform/win32.h"

// Lists `path` as an entry of `kind` in this run's record. A plug-in copy's entry carries the
// file's size and last-write time as found now, so `path` must be complete and closed. An
// entry that cannot be listed (no memory) is left out: the file then outlives an uninstall,
// which is better than failing an installation that has succeeded.
void record_entry(char kind, const char* path);

// A file this run has put under its final name: a shared file, the plug-in module (in a
// Plugins folder) or a file of the target folder. (A shared file the run keeps, because the
// copy where it belongs is newer or the same, is listed too: the installation needs it.)
void record_placed_file(const char* path, bool shared);

// Completes the record and writes it into the open uninstall record `uninstall_key`: adds the
// target and Plugins folders, merges the record an earlier installation left there (one that
// passes the uninstaller's own form check: its files stay recorded, so one uninstall removes
// what both placed; any other is replaced) and raises the use count of each shared file this
// record lists for the first time (a repair raises none; a file an uninstaller has released
// since is counted again).
void write_install_record(HKEY uninstall_key);
