// The install sequence: the whole installation after the last wizard page, and the
// progress feed that its copy steps share.
#pragma once

#include "platform/win32.h"

// Clears the run-time `placed` flag on every File entry and sets ctx.progress_total to 4
// plus the number of entries without `not_installed`.
void count_install_units();

// One installable entry handled (written or kept): adds 1 to ctx.progress_done and shows
// progress_done * 100 / progress_total on the progress page.
void advance_progress();

// True when the step must stop: polls the interface once (at most 20 messages) and reads
// ctx.page_result, which Cancel on the progress page or a quit message set.
bool stop_requested();

// Steps 1 to 3 of the run: turns each selected browser's directory into its plug-in
// directory ("...\Plugins\"), reads this program's path into program_path and
// error_file_name, and opens it read-only as ctx.package_file. Returns 0, or 34 when the
// program file cannot be opened.
int open_install_package();

// The rest of the run, given the progress page just created (null when it could not be
// created: status 32; a silent run has none and runs the steps without it). First puts right
// what a killed earlier run left (its journal); then copies the shared files, tests the
// extension files and copies the main files, and closes ctx.package_file on every path.
// Then the commit of the temporary files, all or nothing. When everything succeeded:
// destroys the page, makes the shortcuts, deletes the earlier publisher's keys (only now, so
// that a failed run leaves them for the next), writes the registry records, removes the
// damaged extension files and returns 0. When a copy step or the commit failed, or the user
// stopped the run: removes what was placed, deletes the temporary files and the folders the
// run created, destroys the page, shows a positive status once and returns -1.
int run_install_steps(HWND progress_page);

// The whole installation (Windows): open_install_package, the progress page (dialog 405,
// child of the logo panel; none in a silent run), run_install_steps. Clears last_message
// first. Returns 0 on success, -1 otherwise.
int run_install();
