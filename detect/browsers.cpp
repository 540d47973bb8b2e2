#include "detect/browsers.h"

#include "common/file_version.h"
#include "common/install_context.h"
#include "common/install_record.h"
#include "common/path_text.h"
#include "common/paths.h"

#include <cstring>

namespace {

// The default value of App Paths' subkey for `exe_name`; empty when missing.
void read_app_path(HKEY app_paths, const char* exe_name, char* out) {
    LONG size = PATH_BUFFER_SIZE;
    if (RegQueryValueA(app_paths, exe_name, out, &size) != ERROR_SUCCESS) {
        out[0] = 0;
        return;
    }
    out[PATH_BUFFER_SIZE - 1] = 0;
    // A registration may be quoted, as command lines are: "C:\Program Files\...\x.exe".
    size_t n = std::strlen(out);
    if (n >= 2 && out[0] == '"' && out[n - 1] == '"') {
        std::memmove(out, out + 1, n - 2);
        out[n - 2] = 0;
    }
}

// "bsr1"/"bsr2" hold the browser's Plugins directory when the plug-in went there, else the
// browser's own directory. Either way the result names the executable in the browser's
// directory. A value without a backslash is left as read.
void settings_value_to_exe_path(char* path, const char* exe_name) {
    remove_backslash(path);
    char* last = std::strrchr(path, '\\');
    if (!last) return;
    char* name_at = same_name(last + 1, "Plugins") ? last + 1 : path + std::strlen(path);
    if (name_at != last + 1) *name_at++ = '\\';
    if ((size_t)(name_at - path) + std::strlen(exe_name) >= (size_t)PATH_BUFFER_SIZE) {
        path[0] = 0;   // no room to name the executable: the browser is not found
        return;
    }
    std::strcpy(name_at, exe_name);
}

// Step 4 and 5 of the detection for one browser.
void accept_browser(char* directory, char* exe_name, const char* default_exe, uint32_t min_version,
                    unsigned flag) {
    std::strcpy(exe_name, default_exe);
    if (directory[0] == 0) return;
    uint32_t version = query_file_version(directory);
    if (version != 0 && version < min_version) {
        directory[0] = 0;
        return;
    }
    ctx.browser_flags |= flag;
    char* last = std::strrchr(directory, '\\');
    if (!last) return;
    std::strcpy(exe_name, last + 1);
    *last = 0;
    to_long_path(directory);
}

// The system's folder for programs of this program's kind, with PRODUCT_FOLDER_NAME: the
// registry's ProgramFilesDir, which on 64-bit Windows is "Program Files (x86)" in the view a
// 32-bit program has. DEFAULT_TARGET_DIRECTORY when the value is missing, is not a full path
// on a drive or leaves no room for the name.
void read_programs_folder(char* out) {
    read_windows_value("ProgramFilesDir", out);
    remove_backslash(out);
    size_t n = std::strlen(out);
    bool full_path = n > 3 && out[1] == ':' && out[2] == '\\';
    if (!full_path || n + sizeof(PRODUCT_FOLDER_NAME) >= (size_t)PATH_BUFFER_SIZE - 1) {
        std::strcpy(out, DEFAULT_TARGET_DIRECTORY);
        return;
    }
    std::strcpy(out + n, PRODUCT_FOLDER_NAME);
}

}  // namespace

bool open_settings_key(HKEY* key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, key) == ERROR_SUCCESS ||
           RegOpenKeyExA(HKEY_CURRENT_USER, OLD_SETTINGS_KEY, 0, KEY_READ, key) == ERROR_SUCCESS;
}

void detect_browsers() {
    HKEY app_paths;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, APP_PATHS_KEY, &app_paths) == ERROR_SUCCESS) {
        read_app_path(app_paths, "netscape.exe", ctx.netscape_directory);
        read_app_path(app_paths, "iexplore.exe", ctx.explorer_directory);
        RegCloseKey(app_paths);

        HKEY settings;
        if ((ctx.netscape_directory[0] == 0 || ctx.explorer_directory[0] == 0) && open_settings_key(&settings)) {
            if (ctx.netscape_directory[0] == 0) {
                read_value(settings, "bsr1", ctx.netscape_directory);
                settings_value_to_exe_path(ctx.netscape_directory, "netscape.exe");
            }
            if (ctx.explorer_directory[0] == 0) {
                read_value(settings, "bsr2", ctx.explorer_directory);
                settings_value_to_exe_path(ctx.explorer_directory, "iexplore.exe");
            }
            RegCloseKey(settings);
        }
    }
    accept_browser(ctx.netscape_directory, ctx.netscape_exe_name, "netscape.exe", NETSCAPE_MIN_VERSION,
                   BROWSER_NETSCAPE);
    accept_browser(ctx.explorer_directory, ctx.explorer_exe_name, "iexplore.exe", EXPLORER_MIN_VERSION,
                   BROWSER_EXPLORER);
}

void read_default_target() {
    HKEY settings;
    if (open_settings_key(&settings)) {
        read_value(settings, "CurDir", ctx.target_directory);
        RegCloseKey(settings);
    }
    if (ctx.target_directory[0] == 0) read_programs_folder(ctx.target_directory);
    add_backslash(ctx.target_directory);
}
