// Start-menu shortcuts of an install (Windows shell and COM; COM is started at start-up).
#pragma once

#include "platform/win32.h"

// Makes the program group "<Programs folder>\<string 98>" and in it a shortcut (string 103)
// to target_directory + readme_file_name when there is a read-me, then one (string 101) to
// target_directory + "NpU32.exe". Silent: a folder that cannot be found or made means no
// shortcuts, a shortcut that cannot be saved is lost.
void create_shortcuts();

// Saves a shortcut at `link_path` to `target`, with the target's directory as working
// directory, `arguments` when not empty and the target's icon number `icon_index` when not
// 0. Returns the result of IPersistFile::Save, or the first failure (negative).
long create_shell_link(const char* target, const char* link_path, const char* arguments, int icon_index);
