// Reading and checking the install record (see common/install_record.h) before anything is
// removed. The value as a whole must have the record's form, or nothing is taken from it; then
// every entry's path is checked against the folders the record names and the system's own
// folders, and an entry that fails is left out (and counted), so that a hostile or mistaken
// record cannot make the uninstaller delete anything outside what the install placed.
#pragma once

#include "common/install_context.h"
#include "common/target_folder.h"
#include "platform/win32.h"

struct RecordEntry {
    char kind;            // one of the RECORD_* kinds
    const char* path;     // the full path (or the key, for RECORD_USER_KEY)
    DWORD stamp_size;     // plug-in copies only: the size and last-write time once installed
    DWORD stamp_high;
    DWORD stamp_low;
};

struct InstallRecord {
    HLOCAL text_block;    // the value's text, which the entries point into
    DWORD text_size;      // its bytes, as the value holds them
    HLOCAL entry_block;
    RecordEntry* entries; // the accepted entries, folders first, then the rest in record order
    int count;
    int refused;          // entries left out by the path checks
    const char* first_refused;   // the path of the first of them, or null
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
