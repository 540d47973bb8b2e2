#include "install/shared_files.h"

#include "common/install_context.h"
#include "common/install_record.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "common/status.h"
#include "install/install_record.h"
#include "install/install_sequence.h"
#include "install/pending_files.h"
#include "install/temporary_names.h"
#include "install/version_rule.h"
#include "package/extract_entry.h"
#include "package/load_package.h"
#include "package/setup_header.h"
#include "ui/messages.h"
#include "ui/progress_page.h"

#include <cstring>

namespace {

// The step's work buffers: where an installed copy is, where the service proposes to put
// the file, and the Windows directory.
struct WorkBuffers {
    char* current;
    char* destination;
    char* windows;
};

bool is_shared_entry(const uint8_t* entry) {
    uint16_t flags = entry_flags(entry);
    return !(flags & ENTRY_NOT_INSTALLED) && (flags & (ENTRY_SHARED | ENTRY_SHARED_ALT));
}

// Asks the version service where `name` is and where it should go, and applies the version
// rule, until settled. Fills b.current and b.destination. Returns the status (0, 2 when
// the in-use prompt was cancelled, 37 when the installed copy's version could not be read) and stores whether to write the file in `write`.
int locate_shared_file(const char* name, const uint8_t* entry, WorkBuffers& b, bool& write) {
    for (;;) {
        std::memset(b.current, 0, PATH_BUFFER_SIZE);
        std::memset(b.destination, 0, PATH_BUFFER_SIZE);
        GetWindowsDirectoryA(b.windows, PATH_BUFFER_SIZE);
        // One byte is kept back in each buffer for the backslash added below.
        UINT current_length = PATH_BUFFER_SIZE - 1, destination_length = PATH_BUFFER_SIZE - 1;
        DWORD found = VerFindFileA(VFFF_ISSHAREDFILE, const_cast<char*>(name), b.windows,
                                   ctx.target_directory, b.current, &current_length, b.destination,
                                   &destination_length);
        int decision = VERSION_WRITE;
        if (b.current[0]) {
            add_backslash(b.current);
            decision = check_file_version(b.current, name, entry);
            if (decision == VERSION_NO_MEMORY) return MSG_NO_MEMORY;
            // The same version already loaded by someone: nothing to gain by replacing it.
            if (decision == VERSION_SAME && (found & VFF_FILEINUSE)) decision = VERSION_INSTALLED_NEWER;
        }
        write = decision != VERSION_INSTALLED_NEWER;
        // In use where it will be written: only closing the program that holds it helps.
        // With VFF_CURNEDEST as well, the copy in use is elsewhere and the write goes ahead.
        if (write && found == VFF_FILEINUSE) {
            if (ask_retry_cancel(ctx.progress_page, MSG_FILE_IN_USE, name) == IDRETRY) continue;
            return STATUS_CANCELLED;
        }
        return STATUS_OK;
    }
}

int place_shared_file(uint8_t* entry, WorkBuffers& b) {
    const char* name = last_component(entry_name(entry));
    SetDlgItemTextA(ctx.progress_page, PROGRESS_FILE_NAME_ID, name);

    bool write = true;
    int status = locate_shared_file(name, entry, b, write);

    char* directory = b.destination;
    if (directory[0]) add_backslash(directory);
    else directory = ctx.target_directory;

    // Under its temporary name, whatever its kind: a copy already there (perhaps in use by
    // other programs) stays until the commit, and one that a failure leaves is restored.
    if (write && status == STATUS_OK) {
        status = write_pending_file(name, entry, directory);
        if (status == STATUS_OK) ++ctx.shared_files_pending;   // shared files come first in the list
    } else if (status == STATUS_OK) {
        // Kept where it belongs: this installation uses it as well, so it counts its use like
        // any other. (A newer copy found elsewhere than where it belongs is not counted.)
        if (same_name(b.current, directory) && append_text(b.current, PATH_BUFFER_SIZE, name))
            record_entry(RECORD_SHARED_FILE, b.current);
    }
    advance_progress();
    return status;
}

}  // namespace

int install_shared_files() {
    HLOCAL memory = LocalAlloc(LPTR, 3 * PATH_BUFFER_SIZE);
    if (!memory) return MSG_NO_MEMORY;
    char* base = static_cast<char*>(memory);
    WorkBuffers b = {base, base + PATH_BUFFER_SIZE, base + 2 * PATH_BUFFER_SIZE};

    int status = STATUS_OK;
    ctx.shared_files_pending = 0;
    uint8_t* entry = ctx.file_table;
    for (unsigned i = 0; i < setup_header().file_count && status == STATUS_OK; ++i, entry = next_file_entry(entry)) {
        if (stop_requested()) {
            status = STATUS_STOPPED;
            break;
        }
        if (is_shared_entry(entry)) status = place_shared_file(entry, b);
    }
    LocalFree(memory);
    return status;
}
