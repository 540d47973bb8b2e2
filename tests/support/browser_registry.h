// Registry seeding for the browser detection: the App Paths registrations and the settings
// keys. Under Wine the prefix persists between tests and registers iexplore.exe itself, so
// each test starts by clearing what detection reads.
#pragma once

#include <string>

// Deletes App Paths\netscape.exe and App Paths\iexplore.exe and both settings keys.
void clear_browser_registry();
// Deletes the whole App Paths key (detection then looks nothing up).
void delete_app_paths_key();
// Registers `path` as the default value of App Paths\<exe_name>.
void register_app_path(const std::string& exe_name, const std::string& path);
// Sets a value in the settings key (`old_key`: the earlier publisher's key).
void set_setting(const std::string& name, const std::string& value, bool old_key = false);
