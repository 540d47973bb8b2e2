// Small operations on paths, directories and disks shared by the installer's pages and steps
// and the uninstaller. Paths are 8-bit texts in zero-filled buffers of PATH_BUFFER_SIZE (260)
// bytes; the backslash is the only separator.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// free_space_kb's answer for a drive it cannot measure.
constexpr uint32_t FREE_SPACE_UNKNOWN = 0xFFFFFFFF;

// Makes every missing directory of `path` (a 260-byte buffer), from the top down; existing
// ones are left alone. A trailing backslash is added to the buffer first and stays there.
// The walk starts below the drive root ("C:\A" is the first directory tried for C:\A\B), below
// the share of a network path (\\server\share\A first) and, for other paths, at their first
// component. A directory exists when it can be made the current directory, so the current
// directory ends at the last directory that exists.
// A path too long for the trailing backslash is walked to its end all the same.
// When `first_created` is given it receives the length of the first (topmost) prefix that this
// call created, so that prefix and everything below it are the call's own; -1 when none was.
// Returns 0 when all exist, 1 when one could not be created, -1 when memory is short.
int make_directory_path(char* path, int* first_created = nullptr);

// Free kilobytes on the drive (or network share) of `path`: a drive path is measured at its
// root, a network path at its share. FREE_SPACE_UNKNOWN when it cannot be measured; more
// than 0xFFFFFFFE kilobytes are reported as 0xFFFFFFFE, never wrapped.
uint32_t free_space_kb(const char* path);

// Rewrites a full path "X:\..." (260-byte buffer) with each part that exists as the file
// system lists it (its long name), so that two spellings of one folder compare equal; a part
// that does not exist, and every part after it, stays as written, and so does a trailing
// backslash. Leaves the path unchanged when it has no drive ("\\server\share", "\dir"), holds
// a wildcard, or memory or room is short.
void to_long_path(char* path);

// Reads a registry value of any type into a path buffer, terminated; empty when it cannot
// be read (the buffer's contents are not defined after a failed or too-long read).
void read_value(HKEY key, const char* name, char* out);
// Reads value `name` of HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion, where
// the system names its own folders, as read_value does.
void read_windows_value(const char* name, char* out);

// Appends a backslash when the path is not empty, does not end with one and has room for it.
void add_backslash(char* path);
// Removes a trailing backslash from a path longer than 3 characters (a root such as C:\ keeps it).
void remove_backslash(char* path);
// Shortens a path longer than `limit` for display: as many leading directories as fit, then
// "...", then the last backslash and name (C:\Program Files\Netscape\...\Plugins). Never makes
// the text longer; the result can still exceed the limit by up to three characters, or by more
// when the last name alone is too long.
void shorten_path(char* path, int limit);
