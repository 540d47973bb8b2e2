// Finds the two supported browsers and the directory to propose for the installation, from
// the platform's application paths and the settings an earlier run left in the registry.
#pragma once

#include "common/paths.h"
#include "platform/win32.h"

#include <cstdint>

// The maker's settings key under HKEY_CURRENT_USER, and the key an earlier publisher used.
constexpr const char* SETTINGS_KEY = "Software\\Quendlark\\Brisvane\\Main";
constexpr const char* OLD_SETTINGS_KEY = "Software\\Halvo\\Brisvane\\Main";
constexpr const char* APP_PATHS_KEY = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr const char PRODUCT_FOLDER_NAME[] = "\\Brisvane";
constexpr const char* DEFAULT_TARGET_DIRECTORY = "C:\\Program Files\\Brisvane";

// Oldest accepted versions (major << 16 | minor); 0, no version resource, is accepted.
// Detection takes a browser from BROWSER_MIN_VERSION (Navigator) or 4.70 (Explorer) on; the
// Web browser(s) page asks before it takes either browser older than BROWSER_MIN_VERSION.
constexpr uint32_t BROWSER_MIN_VERSION = 0x00020000;   // 2.0
constexpr uint32_t NETSCAPE_MIN_VERSION = BROWSER_MIN_VERSION;
constexpr uint32_t EXPLORER_MIN_VERSION = 0x00040046;   // 4.70

// Opens the first of SETTINGS_KEY and OLD_SETTINGS_KEY that opens for reading.
bool open_settings_key(HKEY* key);

// Fills netscape_directory / netscape_exe_name, explorer_directory / explorer_exe_name and sets
// browser_flags bits for the browsers found (it never clears one). App Paths is asked first;
// a browser it does not name is taken from "bsr1" / "bsr2" in the settings key. A browser
// older than its minimum version is left out (its directory stays empty). The directories
// come out without a trailing backslash and in long form.
void detect_browsers();

// Sets target_directory (empty on entry) to "CurDir" from the settings key, else to the
// system's Program Files folder for this program's kind (ProgramFilesDir) with "\Brisvane",
// else to DEFAULT_TARGET_DIRECTORY; with a trailing backslash.
void read_default_target();

