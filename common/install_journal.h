// The install journal: what a run of the installer has made so far, kept in the registry while
// it runs, so that a run killed at any point (power cut, ended from the task list) is
// recognised by the next run of the installer or of the uninstaller and undone, or completed
// when it had already succeeded. The installer writes it (each list again as it grows), both
// programs read it (recover_killed_run).
//
// It is the key JOURNAL_KEY of HKEY_LOCAL_MACHINE, holding nothing else, with REG_MULTI_SZ
// values in the form of the installer's string lists:
//   JOURNAL_CREATED    the files it created under their final names
//   JOURNAL_TEMPORARY  its temporary copies (written under names of its own)
//   JOURNAL_COMMIT     its commit steps, "<final path>|<backup path>" (see commit_transaction.h)
//   JOURNAL_FOLDERS    the folders it created, each after its parent
// and the REG_DWORD JOURNAL_DONE once the run has succeeded and written its records: only the
// backups are then left to delete.
#pragma once

#include "platform/win32.h"

#define JOURNAL_KEY_TEXT "Software\\Brisvane install journal"
inline constexpr char JOURNAL_KEY[] = JOURNAL_KEY_TEXT;
inline constexpr char JOURNAL_CREATED[] = "Created";
inline constexpr char JOURNAL_TEMPORARY[] = "Temporary";
inline constexpr char JOURNAL_COMMIT[] = "Commit";
inline constexpr char JOURNAL_FOLDERS[] = "Folders";
inline constexpr char JOURNAL_DONE[] = "Done";
// The records phase (after the commit, before Done): the REG_DWORD JOURNAL_RECORDS marks its
// start; its subkeys JOURNAL_SAVED_UNINSTALL and JOURNAL_SAVED_SETTINGS hold the uninstall and
// settings records as they were before it (absent: there was none); JOURNAL_COUNTS lists each
// shared file whose use count the run raises, "<path>|<count before>" (8 upper-case hexadecimal
// digits; 0: none).
inline constexpr char JOURNAL_RECORDS[] = "Records";
inline constexpr char JOURNAL_SAVED_UNINSTALL[] = JOURNAL_KEY_TEXT "\\Uninstall";
inline constexpr char JOURNAL_SAVED_SETTINGS[] = JOURNAL_KEY_TEXT "\\Settings";
inline constexpr char JOURNAL_COUNTS[] = "Counts";
// Separates the final path from the backup path in a commit step: no path can hold it.
constexpr char COMMIT_STEP_SEPARATOR = '|';

// Writes `list` (zero-terminated strings ended by an empty one) as the value `name`, creating
// the key. A journal that cannot be written costs only the recovery after a kill.
void journal_list(const char* name, const char* list);
// The records phase begins: the uninstall and settings records as they are now are kept in
// the journal, and the phase is marked, so that the recovery of a run killed before Done puts
// both back as they were.
void journal_records();
// The run has succeeded: its records are written.
void journal_mark_done();
// The run is over (it succeeded and deleted its backups, or it undid itself): the journal goes.
void journal_close();

// The undo steps, shared by a failed run and the recovery of a killed one. Each takes a list
// (null: nothing to do) and leaves it as it is.
// Deletes every file the list names.
void delete_listed_files(const char* list);
// Puts each earlier copy back under its final name in one step over the new copy, and deletes
// a new copy that had no earlier one. A step that was never taken changes nothing.
void undo_commit_steps(const char* steps);
// Deletes each step's backup; one held open is listed for deletion at the next restart.
void delete_commit_backups(const char* steps);
// Removes each listed folder that is empty, deepest first (the process leaves them first).
void remove_listed_folders(const char* folders);

// A journal left by a killed run: when it is marked done, deletes the backups it lists;
// otherwise puts back every earlier copy, deletes every file and temporary copy the run made
// and removes its folders once empty, and, when its records phase had begun, puts back the
// uninstall and settings records and the use counts as they were. Then the journal goes.
// Returns true when there was one.
bool recover_killed_run();
