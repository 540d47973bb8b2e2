// The checks of the Directory page's Next: is the entry a directory the product may be
// installed into? Apart from the page so that every step can be tested without windows.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// The names that mark the installation directory of one of the maker's authoring products.
constexpr const char* CONFLICT_MARKERS[] = {"tnfsa.bin", "tnfsa32.bin"};

// Checks ctx.target_directory (as typed) in this order, asking and warning with boxes owned
// by `page`: its form, which it takes into the one form of a target folder (normalise_target:
// else message 38 or 45); room below it for the longest name the install writes there, with
// the "~" of its temporary name (else 45, before anything is created); that it keeps away from the system's folders
// (target_folder_allowed: else 38); no conflict marker file in it (43); enough free space for
// required_kb (42: Retry measures again, Abort or Cancel stays, Ignore goes on; unknown space
// goes on); that it exists, else offers to create it (49; No stays; a failure to create it,
// or to enter it once created, shows 41). What the creation made is recorded (see
// remove_created_directory).
// Returns true when the page may go on: target_directory then has the one form, ends with a
// backslash and is the process's current directory. On false the page stays; target_directory
// is as typed when its form was refused, else in the one form.
bool check_target_directory(HWND page);

// Removes the directories the page created in this run (the last chain it made), deepest
// first, each only while it is empty; the process's current directory moves to the parent
// of the chain first. Forgets the record. Called when the run ends without an install.
void remove_created_directory();
// Forgets the record, so the directories stay: the install has put its files there.
void forget_created_directory();

// The text the page shows for a size: "?" for FREE_SPACE_UNKNOWN, else string 99 ("%lu Kb")
// formatted with `kb`. `out` holds SIZE_TEXT_SIZE bytes.
constexpr int SIZE_TEXT_SIZE = 64;   // a 39-character template and ten digits fit
void format_size_kb(char* out, uint32_t kb);
