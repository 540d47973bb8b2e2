// The main copy step: regular files into the target directory and the plug-in module into
// each selected browser's plug-in directory; and its undoing when the install fails.
#pragma once

// The plug-in module's file name.
constexpr const char PLUGIN_MODULE_NAME[] = "nptnf32.dll";

// Walks the File table and writes every regular entry (neither `not_installed` nor shared)
// unless the installed copy is newer: the plug-in module into netscape_directory and/or
// explorer_directory as browser_flags select, any other entry into target_directory. A file
// that was not there is written under its name: such entries are marked `placed`, and
// ctx.plugin_copies_written remembers which browsers got the plug-in module. A file that was
// there is written under its temporary name and listed for the commit (pending_files.h), so
// that its old copy stays until the whole install has succeeded. Keeps the last ".txt" entry's name in readme_file_name. Returns 0,
// -1 when the user stopped the run, or the first non-zero status of entry extraction.
int install_main_files();

// Deletes the files install_main_files created in this run (the replacements of existing
// files are the pending list's): for each `placed` entry, the file in target_directory, or
// the plug-in module in each browser directory this run created it in.
void remove_placed_files();
