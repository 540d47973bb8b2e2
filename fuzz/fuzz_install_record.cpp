// libFuzzer target: the uninstaller's reading of the install record, on any bytes as the
// record value (anyone with administrator rights can edit it, and the uninstaller deletes
// files on its word). Beyond the sanitizers, the reader's promise is checked for every record
// it takes, with checks of this target's own: each path it would delete or remove is a clean
// full path (a drive, no "." or ".." part, no empty part, no part Windows would trim, no
// device name, nothing but one colon after the drive), and lies where the install writes: a
// file inside a recorded target folder that keeps away from the system's folders, a plug-in
// copy (the module, by its name) directly in a recorded Plugins folder, a shortcut inside a
// recorded group inside a Programs folder, a shared file directly in the system or Windows
// folder or inside a target; the only key is the settings key.
#include "uninstall/record_reader.h"

#include "common/install_record.h"
#include "detect/browsers.h"
#include "install/main_files.h"
#include "package/table_checks.h"
#include "platform/win32.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const FOLDERS[SYSTEM_FOLDER_COUNT] = {
    "C:\\Windows\\",
    "C:\\Windows\\System32\\",
    "C:\\Program Files (x86)\\",
    "C:\\Users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\",
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\",
    "C:\\Users\\",
    "C:\\ProgramData\\",
    "C:\\Program Files\\",
};

std::string lower(const char* s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return out;
}
// `path` is `folder` (ending with a backslash) or lies inside it, letter case aside.
bool at_or_inside(const char* path, const char* folder) {
    std::string p = lower(path), f = lower(folder);
    if (!p.empty() && p.back() != '\\') p += '\\';
    return p.compare(0, f.size(), f) == 0;
}
bool strictly_inside(const char* path, const char* folder) {
    return at_or_inside(path, folder) && lower(path) != lower(folder);
}
bool directly_inside(const char* path, const char* folder) {
    if (!strictly_inside(path, folder)) return false;
    const char* rest = path + std::strlen(folder);
    const char* slash = std::strchr(rest, '\\');
    return !slash || slash[1] == 0;
}

bool clean(const char* p) {
    size_t n = std::strlen(p);
    if (n < 4 || n >= (size_t)PATH_BUFFER_SIZE) return false;
    if (!(((p[0] | 0x20) >= 'a' && (p[0] | 0x20) <= 'z') && p[1] == ':' && p[2] == '\\')) return false;
    const char* part = p + 3;
    for (const char* c = p + 3;; ++c) {
        if (*c == '\\' || *c == 0) {
            size_t length = (size_t)(c - part);
            if (length == 0) return *c == 0;   // only a folder's closing backslash
            if (part[length - 1] == '.' || part[length - 1] == ' ') return false;
            if (is_device_name(part, length)) return false;
            if (*c == 0) return true;
            part = c + 1;
            continue;
        }
        if ((unsigned char)*c < 32 || std::strchr("/:*?\"<>|", *c)) return false;
    }
}

bool target_keeps_away(const char* t) {
    for (int f : {FOLDER_WINDOWS, FOLDER_SYSTEM})
        if (at_or_inside(t, FOLDERS[f]) || at_or_inside(FOLDERS[f], t)) return false;
    for (int f : {FOLDER_PROGRAM_FILES, FOLDER_USER_PROGRAMS, FOLDER_COMMON_PROGRAMS, FOLDER_USERS,
                  FOLDER_PROGRAM_DATA, FOLDER_PROGRAM_FILES_OTHER})
        if (at_or_inside(FOLDERS[f], t)) return false;
    return std::strlen(t) > 3;
}

bool in_accepted(const InstallRecord& r, char kind, const char* path, bool direct) {
    for (int i = 0; i < r.count; ++i)
        if (r.entries[i].kind == kind &&
            (direct ? directly_inside(path, r.entries[i].path) : strictly_inside(path, r.entries[i].path)))
            return true;
    return false;
}

const char* name_of(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

void check_entry(const InstallRecord& r, const RecordEntry& e) {
    const char* p = e.path;
    if (e.kind == RECORD_USER_KEY) {
        if (lower(p) != lower(SETTINGS_KEY)) std::abort();
        return;
    }
    if (!clean(p)) std::abort();
    switch (e.kind) {
    case RECORD_TARGET_FOLDER:
        if (!target_keeps_away(p)) std::abort();
        break;
    case RECORD_PLUGIN_FOLDER:
        if (lower(name_of(std::string(p, std::strlen(p) - 1).c_str())) != "plugins") std::abort();
        break;
    case RECORD_GROUP_FOLDER:
        if (!strictly_inside(p, FOLDERS[FOLDER_USER_PROGRAMS]) && !strictly_inside(p, FOLDERS[FOLDER_COMMON_PROGRAMS]))
            std::abort();
        break;
    case RECORD_FILE:
        if (!in_accepted(r, RECORD_TARGET_FOLDER, p, false)) std::abort();
        break;
    case RECORD_PLUGIN_COPY:
        if (lower(name_of(p)) != lower(PLUGIN_MODULE_NAME) || !in_accepted(r, RECORD_PLUGIN_FOLDER, p, true))
            std::abort();
        break;
    case RECORD_SHORTCUT:
        if (lower(p).size() < 4 || lower(p).compare(lower(p).size() - 4, 4, ".lnk") != 0 ||
            !in_accepted(r, RECORD_GROUP_FOLDER, p, false))
            std::abort();
        break;
    case RECORD_SHARED_FILE:
    case RECORD_SHARED_RELEASED:
        if (!directly_inside(p, FOLDERS[FOLDER_SYSTEM]) && !directly_inside(p, FOLDERS[FOLDER_WINDOWS]) &&
            !in_accepted(r, RECORD_TARGET_FOLDER, p, false))
            std::abort();
        break;
    default:
        std::abort();   // a kind the reader should not have taken
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SystemFolders folders;
    static HKEY key;
    if (!key) {
        for (int i = 0; i < SYSTEM_FOLDER_COUNT; ++i) std::strcpy(folders.path[i], FOLDERS[i]);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\FuzzUninstall", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            std::abort();
    }
    if (RegSetValueExA(key, INSTALL_RECORD_VALUE, 0, REG_MULTI_SZ, data, (DWORD)size) != ERROR_SUCCESS) return 0;
    InstallRecord record;
    int result = read_install_record(key, folders, record);
    if (result == RECORD_READ) {
        if (record.count < 0 || record.refused < 0) std::abort();
        for (int i = 0; i < record.count; ++i) check_entry(record, record.entries[i]);
    } else if (record.count != 0) {
        std::abort();   // nothing is taken from a record that was not read
    }
    free_install_record(record);
    return 0;
}
