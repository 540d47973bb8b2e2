// The extension-file test that runs before the main copy step: an extension module in the
// target directory whose embedded checksum does not match is listed (ctx.invalid_extensions):
// the package's copy replaces it whatever version it claims, and one the package does not
// replace is removed once the run has succeeded. Until then it stays as it was, so that a
// failed, stopped or killed run leaves it in place.
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
constexpr int EXTENSION_INVALID = 1;     // the checksum differs: the file was listed for removal

// Tests the file named by ctx.work_path and lists it in ctx.invalid_extensions when its
// checksum differs. Returns EXTENSION_ABSENT, EXTENSION_VALID, EXTENSION_INVALID, or 37 when
// the test could not run (no memory for its buffer, a read failed, no memory to list it): a
// file never judged is kept.
int verify_extension_file();

// After a run that succeeded: deletes every listed file that the run did not write again.
void remove_invalid_extension_files();

// Tests every listed file in target_directory (see extension_file_names). Returns 37 when
// any test could not run for want of memory, otherwise the last file's result.
int check_extension_files();
