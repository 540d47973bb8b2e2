// The extension-file test that runs before the main copy step: an extension module in the
// target directory whose embedded checksum does not match is removed, so that the package's
// copy replaces it whatever version it claims.
#pragma once

// Number of names in extension_file_names.
constexpr int EXTENSION_NAME_COUNT = 27;

// The names tested, in this order: 26 extension base names ("np" and a short word, in
// alphabetical order; one already carries ".cox"), then "TFTrans.dll". A base name without a
// dot stands for two files, the name with ".cox" and with ".mox".
extern const char* const extension_file_names[EXTENSION_NAME_COUNT];

// Results of verify_extension_file.
constexpr int EXTENSION_ABSENT = -1;     // the file could not be opened: left alone
constexpr int EXTENSION_VALID = 0;       // the checksum matches
constexpr int EXTENSION_REMOVED = 1;     // the checksum differs: the file was deleted

// Tests the file named by ctx.work_path and deletes it when its checksum differs. Returns
// EXTENSION_ABSENT, EXTENSION_VALID, EXTENSION_REMOVED, or 37 when the test could not run
// (no memory for its buffer, or a read failed): a file never judged is kept.
int verify_extension_file();

// Tests every listed file in target_directory (see extension_file_names). Returns 37 when
// any test could not run for want of memory, otherwise the last file's result.
int check_extension_files();
