// The registry records of an install: the settings read back by the next run, the
// uninstall registration, and the removal of an earlier publisher's keys.
#pragma once

#include "platform/win32.h"

// Opens `name` below `parent` for every access, made when missing; null when it cannot be had.
HKEY create_registry_key(HKEY parent, const char* name);

// The product's version as the uninstall record shows it, "major.minor.build" (16 bytes do).
void format_product_version(char* out);

// Deletes the old publisher's keys, children before parents, HKEY_CURRENT_USER first.
// Keys that are absent or cannot be deleted are passed over.
void delete_old_registry_keys();

// Writes HKCU\Software\Quendlark\Brisvane\Main ("CurDir", "bsr1", "bsr2": the target and the
// two browser directories without their trailing backslash) and the uninstall record below
// HKLM\Software\Microsoft\Windows\CurrentVersion\<uninstall_key_name> ("DisplayName",
// "UninstallString", the values the system's list of programs shows, and the install record).
// Each record is written as far as its keys can be opened; nothing is
// reported. The three Install context paths end as they began.
void write_registry_records();
