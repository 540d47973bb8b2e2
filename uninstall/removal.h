// The removal rules: what the uninstaller removes of an accepted install record, in order, and
// what it keeps.
//
//   1. the recorded files of the target folder, except the running program itself;
//   2. the plug-in copies, only while their size and last-write time are those recorded, and
//      not while another installed product's record lists the same copy: it is then handed
//      over to that product (its entry takes the copy's stamp) and stays;
//   3. the shortcuts, then each group folder once it is empty;
//   4. the shared files: the entry is marked released in the record first, then the use
//      count is lowered, so each installation's count is lowered once however often the
//      uninstaller runs; at zero the count is removed and the user is asked whether to remove
//      the file (default: keep; silent: keep); a file without a count is not ours to judge
//      and stays;
//   5. the settings record (and its maker's keys once they are left empty), then the uninstall
//      record — kept when a file could be neither removed nor listed for the next restart, or
//      when the record had entries the checks refused, so that the uninstaller can be run
//      again and the list of programs still shows what is left;
//   6. the folders of the recorded files, deepest first, up to and including each target
//      folder, each only once it is empty: a file the user added keeps its folder.
//
// A file that cannot be deleted (in use, write-protected) gives a Retry/Cancel prompt; on
// Cancel, and always when silent, it is listed for deletion at the next restart.
#pragma once

#include "common/install_record.h"
#include "resources/product_name.h"
#include "uninstall/record_reader.h"


// The uninstaller's message boxes, all under its caption. Returns the button.
// `text` as it is:
int show_uninstaller_text(HINSTANCE instance, const char* text, unsigned style);
// Catalogue text `id`, with `argument` in it (wsprintfA) when that is not null:
int uninstaller_box(HINSTANCE instance, int id, const char* argument, unsigned style);

struct RemovalOptions {
    HINSTANCE instance;            // where the texts are
    bool silent;                   // no prompt: the answers are "keep" and "at the next restart"
    const char* running_program;   // the uninstaller's own file: it is removed by its cleanup
    // The uninstall record's name below UNINSTALL_RECORDS_KEY; null: this product's own.
    const char* record_name;
};

struct RemovalReport {
    int removed;             // files and shortcuts removed
    int at_restart;          // files listed for deletion at the next restart
    int failed;              // files that could be neither removed nor listed
    int plugins_kept;        // plug-in copies changed since the install
    int plugins_handed_over; // plug-in copies another installed product's record lists
    int shared_kept;         // shared files whose use count fell to zero, kept
    bool self_recorded;      // the running program is a recorded file, left for its cleanup
    bool record_key_kept;    // the uninstall record stays (see above, and refused entries)
    // The first recorded target folder that still holds files the install did not place.
    char kept_folder[PATH_BUFFER_SIZE];
};

void remove_installation(const InstallRecord& record, const RemovalOptions& options,
                         RemovalReport& report);

// The uninstaller's exit code after a removal (see docs/deployment.md): 15 when a file could
// be neither removed nor listed for the next restart, 13 when `refused` entries of the record
// were left alone, 3010 when files go at the next restart, else 0.
int removal_exit_code(const RemovalReport& report, int refused);

// Deletes HKEY_CURRENT_USER\`key` and then its parents while they are left empty, up to (not
// including) the top key "Software".
void remove_user_key(const char* key);

// What a missing or damaged record leaves: the settings record and the uninstall record.
void remove_leftover_records();
