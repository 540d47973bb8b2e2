// The list of files written under a temporary name during this run, every shared file and
// every file written over an existing one (ctx.pending_files_block / ctx.pending_files), and
// what happens to them at the end.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Sizes of the list block: its first size and each growth step, in bytes.
constexpr DWORD PENDING_LIST_FIRST_SIZE = 262;
constexpr DWORD PENDING_LIST_GROWTH = 1040;

// Appends `string` to the list held by `block` / `list`: zero-terminated strings one after
// another, ended by an empty string. Creates the list (PENDING_LIST_FIRST_SIZE zero bytes)
// when `block` is 0. Before a string of L characters goes in, the bytes in use U (up to the
// ending empty string) are checked: while U + L + 3 exceeds the block's size, the block grows
// by PENDING_LIST_GROWTH zero bytes. A string already listed (compared without regard to
// case) is not added again. Returns 0, or 37 when the block cannot be created or grown; the
// list is then unchanged and still usable.
int string_list_add(HGLOBAL* block, char** list, const char* string);
// Bytes of a list: its strings with their terminators and the ending empty string.
DWORD string_list_size(const char* list);
// Whether `string` is in `list` (compared without regard to case); a list never made holds nothing.
bool string_listed(const char* list, const char* string);

// Lists `path` in ctx.pending_files. Returns 0, or 37 when the list cannot hold it.
int add_pending_file(const char* path);

// Writes `entry` as `name` into `directory` under a temporary name (to_replacement_name) that
// no file has, and lists it, so that a copy already under the final name stays as it is until
// the commit. A file found at a temporary name is never removed or taken for this run's: the
// next name is tried, and when all are taken a write-error prompt asks Retry or Cancel.
// Returns the extraction status, 37 when the list cannot hold the file, or the answer to the
// prompt.
int write_pending_file(const char* name, const uint8_t* entry, const char* directory);
// Whether this run has written a copy of `final_path` under a temporary name.
bool replaced_by_pending_file(const char* final_path);

// The commit (install/commit_transaction.cpp), one transaction: each listed temporary file
// takes its final name in order, the earlier copy there moved aside under a backup name first
// (to_backup_name) and kept until finish_commit. A file that cannot take its final name (held
// open, write-protected, a folder in the way) asks "in use" with Retry/Cancel; Cancel puts
// back every file already committed (roll_back_commit) and returns 2. In a silent run a file
// held open is instead replaced at the next restart (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT) once every other file is in place, and ctx.restart_needed is
// set. Returns 0 when every file took its final name (or will at the restart); any other
// result has put everything back.
int commit_pending_files();
// Deletes every listed temporary file.
void discard_pending_files();
// Removes, deepest first, every folder this run created below a destination
// (ctx.created_folders) that is empty now, and forgets the list.
void remove_created_folders();
