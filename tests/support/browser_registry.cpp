#include "tests/support/browser_registry.h"

#include "detect/browsers.h"
#include "tests/support/test_env.h"


void clear_browser_registry() {
    const std::string app_paths = APP_PATHS_KEY;
    delete_registry_tree(HKEY_LOCAL_MACHINE, app_paths + "\\netscape.exe");
    delete_registry_tree(HKEY_LOCAL_MACHINE, app_paths + "\\iexplore.exe");
    delete_registry_tree(HKEY_CURRENT_USER, SETTINGS_KEY);
    delete_registry_tree(HKEY_CURRENT_USER, OLD_SETTINGS_KEY);
    // An empty App Paths key, as every Windows installation has one.
    set_registry_string(HKEY_LOCAL_MACHINE, app_paths + "\\bvtest.exe", "", "C:\\bvtest\\bvtest.exe");
}

void delete_app_paths_key() {
    // The host registry holds only what the test seeded; Wine's has more below App Paths.
    for (const char* exe : {"bvtest.exe", "netscape.exe", "iexplore.exe"})
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(APP_PATHS_KEY) + "\\" + exe).c_str());
    delete_registry_tree(HKEY_LOCAL_MACHINE, APP_PATHS_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_PATHS_KEY);
}

void register_app_path(const std::string& exe_name, const std::string& path) {
    set_registry_string(HKEY_LOCAL_MACHINE, std::string(APP_PATHS_KEY) + "\\" + exe_name, "", path);
}

void set_setting(const std::string& name, const std::string& value, bool old_key) {
    set_registry_string(HKEY_CURRENT_USER, old_key ? OLD_SETTINGS_KEY : SETTINGS_KEY, name, value);
}
