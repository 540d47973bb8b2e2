// Placement of the package's shared files where the platform's version service says they
// belong, never over a newer installed copy.
#pragma once

// Walks the File table and installs every shared entry (shared flag, not `not_installed`).
// ".dll" and ".exe" files are written under their temporary name and listed in
// ctx.pending_files; other files are written under their final name. Returns 0; -1 when the
// user stopped the run; 2 when the user cancelled the in-use prompt; 37 when the work
// buffers cannot be had or a temporary file cannot be listed (that file is deleted again);
// or the first non-zero status of entry extraction.
int install_shared_files();
