// The install record: what a successful installation placed and where, kept for the
// uninstaller. The installer writes it (install/install_record.cpp); the uninstaller reads and
// checks it (uninstall/record_reader.cpp).
//
// It is the REG_MULTI_SZ value INSTALL_RECORD_VALUE of the program's uninstall record
// (HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<product short name>): one set of
// the value replaces the old one whole, so a half-written record cannot exist, and the record
// outlives a target folder the user deleted. Its strings, in order:
//
//   INSTALL_RECORD_TAG                the form and its version
//   <kind><text>                      one string per entry (kinds below), none empty
//   'E' <decimal count>               the end: the number of entries before it
//
// The uninstaller takes a record only when all of this holds, and then checks each path
// against the folders the record names (a target file inside a recorded target folder, a
// plug-in copy inside a recorded Plugins folder, a shortcut inside the recorded group folder).
// An install over an earlier one merges the earlier record into its own, so that one
// uninstall removes what both placed.
#pragma once

#include "platform/win32.h"
#include "resources/product_name.h"

inline constexpr char INSTALL_RECORD_VALUE[] = "InstallRecord";
inline constexpr char INSTALL_RECORD_TAG[] = "Brisvane install record 1";

// Kinds of entry: the first character of the string; the rest is a full path.
enum : char {
    RECORD_TARGET_FOLDER = 'T',   // the target folder, ending with a backslash
    RECORD_PLUGIN_FOLDER = 'B',   // a selected browser's Plugins folder, ending with a backslash
    RECORD_GROUP_FOLDER = 'G',    // the Start-menu program group folder, ending with a backslash
    RECORD_FILE = 'F',            // a file written in the target folder (or a subfolder of it)
    // A plug-in copy written into a Plugins folder: after the kind, 24 upper-case hexadecimal
    // digits (the file's size, then its last-write time's high and low words, 8 digits each,
    // as the file was once installed), then the path. The copy is removed only while it still
    // has that size and time: a browser's newer module stays.
    RECORD_PLUGIN_COPY = 'P',
    // A shared file the installation needs, written or kept (its use count was raised once
    // for the installation in SharedDLLs).
    RECORD_SHARED_FILE = 'S',
    // A shared file whose use count the uninstaller has already lowered: it marks the entry so
    // before it lowers the count, so that a second run (after a file could not be removed, or
    // after the first one was killed) never lowers it again.
    RECORD_SHARED_RELEASED = 'U',
    RECORD_SHORTCUT = 'L',        // a shortcut (.lnk) in the group folder
    RECORD_USER_KEY = 'R',        // a key under HKEY_CURRENT_USER the installation wrote
    RECORD_END = 'E',
};

// The uninstaller's file name, in the target folder.
inline constexpr char UNINSTALLER_NAME[] = "NpU32.exe";

// Digits of a plug-in copy's stamp, before its path.
constexpr int RECORD_STAMP_DIGITS = 24;

// Where shared files' use counts are kept (HKEY_LOCAL_MACHINE), one REG_DWORD per full path.
inline constexpr char SHARED_DLLS_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// The uninstall records (HKEY_LOCAL_MACHINE), and this product's, named once for the installer,
// which writes it, and the uninstaller, which reads and removes it.
#define UNINSTALL_PARENT_KEY_TEXT "Software\\Microsoft\\Windows\\CurrentVersion"
#define UNINSTALL_RECORDS_KEY UNINSTALL_PARENT_KEY_TEXT "\\Uninstall"
// The parent of the uninstall records; ctx.uninstall_key_name (UNINSTALL_KEY_NAME) is below it.
inline constexpr char UNINSTALL_PARENT_KEY[] = UNINSTALL_PARENT_KEY_TEXT;
inline constexpr char UNINSTALL_KEY_NAME[] = "Uninstall\\" PRODUCT_SHORT_NAME;
inline constexpr char UNINSTALL_KEY[] = UNINSTALL_RECORDS_KEY "\\" PRODUCT_SHORT_NAME;

// The one check of a record's form, made by the installer before it merges an earlier record
// and by the uninstaller before it takes anything from one: `size` bytes of `text` are the tag,
// entries of known kinds (none empty; plug-in copies with their stamp digits), the end string
// with their number, and then only the terminating zeros. `count` receives the number.
bool install_record_form(const char* text, DWORD size, DWORD& count);
// Reads `count` upper-case hexadecimal digits; false at any other character.
bool record_hex_digits(const char* p, int count, DWORD& value);
// The stamp of a plug-in copy as found now: RECORD_STAMP_DIGITS digits and a zero into `out`.
void format_record_stamp(char* out, const WIN32_FIND_DATAA& found);
