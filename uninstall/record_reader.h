// Reading and checking the install record (see common/install_record.h) before anything is
// removed. The value as a whole must have the record's form, or nothing is taken from it; then
// every entry's path is checked against the folders the record names and the system's own
// folders, and an entry that fails is left out (and counted), so that a hostile or mistaken
// record cannot make the uninstaller delete anything outside what the install placed.
#pragma once

#include "common/install_context.h"
#include "platform/win32.h"

// The system's folders the checks compare against, each with a trailing backslash, or empty
// when unknown (an empty Programs folder takes no group folder).
struct SystemFolders {
    char windows[PATH_BUFFER_SIZE];
    char system[PATH_BUFFER_SIZE];
    char program_files[PATH_BUFFER_SIZE];
    char user_programs[PATH_BUFFER_SIZE];     // the current user's Start-menu Programs folder
    char common_programs[PATH_BUFFER_SIZE];   // all users' Start-menu Programs folder
};

// Fills `windows` and `system` from the system; the other fields are left as they are.
void get_windows_folders(SystemFolders& folders);

struct RecordEntry {
    char kind;            // one of the RECORD_* kinds
    const char* path;     // the full path (or the key, for RECORD_USER_KEY)
    DWORD stamp_size;     // plug-in copies only: the size and last-write time once installed
    DWORD stamp_high;
    DWORD stamp_low;
};

struct InstallRecord {
    HLOCAL text_block;    // the value's text, which the entries point into
    HLOCAL entry_block;
    RecordEntry* entries; // the accepted entries, folders first, then the rest in record order
    int count;
    int refused;          // entries left out by the path checks
};

enum : int {
    RECORD_READ = 0,
    RECORD_MISSING = 1,    // no uninstall key or no record value
    RECORD_DAMAGED = 2,    // a value that does not have the record's form
    RECORD_NO_MEMORY = 3,
};

// Reads the record value from the open uninstall key `key` (null: missing) into `out`, which
// is cleared first and must be released with free_install_record whatever the result.
int read_install_record(HKEY key, const SystemFolders& folders, InstallRecord& out);
void free_install_record(InstallRecord& record);

// Path helpers shared with the removal rules.
// True when `path` lies strictly inside `folder` (which ends with a backslash), at any depth.
bool path_inside(const char* path, const char* folder);
// True when `path` is a file or folder directly in `folder`.
bool path_directly_inside(const char* path, const char* folder);
