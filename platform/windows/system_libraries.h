// Start-up steps that keep the program from loading a DLL planted beside it.
#pragma once

#include "platform/win32.h"

// Restricts the DLL search for every later load to the system directory (or, on systems
// without that, takes the current directory out of it).
void restrict_dll_search();

// Loads version.dll from the system directory and binds the program's four version functions
// to it. False when it cannot be loaded or lacks one of them.
bool bind_version_library();
