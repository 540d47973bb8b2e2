// The main copy step: regular files into the target directory and the plug-in module into
// each selected browser's plug-in directory; and its undoing when the install fails.
#pragma once

// The plug-in module's file name.
constexpr const char PLUGIN_MODULE_NAME[] = "nptnf32.dll";

// Walks the File table and writes every regular entry (neither `not_installed` nor shared)
// unless the installed copy is newer: the plug-in module into netscape_directory and/or
// explorer_directory as browser_flags select, any other entry into target_directory. Marks
// each entry written as `placed` and remembers in ctx.plugin_copies_written which browsers
// got the plug-in module. Keeps the last ".txt" entry's name in readme_file_name. Returns 0,
// -1 when the user stopped the run, or the first non-zero status of entry extraction.
int install_main_files();

// Deletes what install_main_files placed in this run: for each `placed` entry, the file in
// target_directory, or the plug-in module in each browser directory this run wrote it to.
void remove_placed_files();
