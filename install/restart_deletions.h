// Deletions the system makes at the next restart (the REG_MULTI_SZ value
// PendingFileRenameOperations, pairs of a source and a destination; an empty destination
// deletes the source): an uninstall lists there what it could not remove at once.
#pragma once

// Where the system keeps them (HKEY_LOCAL_MACHINE) and the value's name.
inline constexpr char SESSION_MANAGER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char PENDING_RENAMES_VALUE[] = "PendingFileRenameOperations";

// Takes out of the pending deletions every file this run placed (the F, P and S entries of
// ctx.record so far): the file just written must outlive the restart. Other entries stay in
// their order (none left: the empty list).
void keep_recorded_paths_at_restart();
