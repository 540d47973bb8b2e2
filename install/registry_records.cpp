#include "install/registry_records.h"

#include "common/install_context.h"
#include "common/install_record.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "common/run_log.h"
#include "common/status.h"
#include "detect/browsers.h"
#include "install/install_record.h"
#include "package/setup_header.h"

#include <cstring>

namespace {

// An earlier publisher's keys of the same product; each child before its parent.
const char* const old_user_keys[] = {
    "Software\\Halvo\\Brisvane\\Main",
    "Software\\Halvo\\Brisvane",
};
const char* const old_machine_keys[] = {
    "Software\\Halvo\\Brisvane\\1.0",
    "Software\\Halvo\\Brisvane\\2.0",
    "Software\\Halvo\\Brisvane",
};

constexpr const char PUBLISHER[] = "Quendlark";

void set_string(HKEY key, const char* name, const char* value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), (DWORD)std::strlen(value) + 1);
}

}  // namespace

HKEY create_registry_key(HKEY parent, const char* name) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    char no_class[1] = "";
    if (RegCreateKeyExA(parent, name, 0, no_class, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

namespace {

void set_number(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// A directory is stored without its trailing backslash (a drive root keeps it); the field
// gets it back afterwards.
void set_directory(HKEY key, const char* name, char* directory) {
    remove_backslash(directory);
    set_string(key, name, directory);
    add_backslash(directory);
}

void write_settings_record() {
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &software) !=
        ERROR_SUCCESS)
        return;
    // SETTINGS_KEY below the "Software" key just opened.
    HKEY key = create_registry_key(software, SETTINGS_KEY + sizeof "Software");
    if (key) {
        set_directory(key, "CurDir", ctx.target_directory);
        set_directory(key, "bsr1", ctx.netscape_directory);
        set_directory(key, "bsr2", ctx.explorer_directory);
        RegCloseKey(key);
        record_entry(RECORD_USER_KEY, SETTINGS_KEY);
        log_line("Registry record: HKCU\\", SETTINGS_KEY);
    }
    RegCloseKey(software);
}

void write_uninstall_record() {
    char command[PATH_BUFFER_SIZE] = {};
    char display_name[PATH_BUFFER_SIZE] = {};
    append_text(command, PATH_BUFFER_SIZE, ctx.target_directory);
    add_backslash(command);
    // A command cut short would name some other file: no record rather than a wrong one.
    if (!append_text(command, PATH_BUFFER_SIZE, UNINSTALLER_NAME)) return;
    LoadStringA(ctx.instance, MSG_PRODUCT_SHORT_NAME, display_name, PATH_BUFFER_SIZE);

    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_PARENT_KEY, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      &parent) != ERROR_SUCCESS)
        return;
    HKEY key = create_registry_key(parent, ctx.uninstall_key_name);
    if (key) {
        set_string(key, "DisplayName", display_name);
        // Quoted: the system runs the command elevated, and an unquoted path with a blank in
        // it is tried piece by piece ("C:\Program.exe" first).
        char text[PATH_BUFFER_SIZE + 8];
        int quoted = wsprintfA(text, "\"%s\" /S", command) - 3;
        set_string(key, "QuietUninstallString", text);
        text[quoted] = 0;
        set_string(key, "UninstallString", text);
        // What the system's list of programs shows, and what administrators' tools read.
        set_string(key, "DisplayIcon", command);
        format_product_version(text);
        set_string(key, "DisplayVersion", text);
        set_string(key, "Publisher", PUBLISHER);
        set_directory(key, "InstallLocation", ctx.target_directory);
        set_number(key, "EstimatedSize", ctx.required_kb);
        set_number(key, "NoModify", 1);
        set_number(key, "NoRepair", 1);
        write_install_record(key);
        RegCloseKey(key);
        wsprintfA(text, "HKLM\\%s\\%s", UNINSTALL_PARENT_KEY, ctx.uninstall_key_name);
        log_line("Registry record: ", text);
    }
    RegCloseKey(parent);
}

}  // namespace

void format_product_version(char* out) {
    const SetupHeader& header = setup_header();
    wsprintfA(out, "%u.%u.%u", (unsigned)(header.product_version_ms >> 16),
              (unsigned)(header.product_version_ms & 0xFFFF), (unsigned)(header.product_version_ls & 0xFFFF));
}

void delete_old_registry_keys() {
    for (const char* key : old_user_keys) RegDeleteKeyA(HKEY_CURRENT_USER, key);
    for (const char* key : old_machine_keys) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

void write_registry_records() {
    write_settings_record();
    write_uninstall_record();
}
