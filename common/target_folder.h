// Where the product may be installed. One form for a target folder, shared by the Directory
// page, /D=, the install record and the uninstaller, so that whatever the installer takes the
// uninstaller takes too; and the guard that keeps a target away from the system's own folders,
// comparing folders by what they are (their long names), not by how they were spelled.
#pragma once

#include "common/install_context.h"

// The system's folders the guard compares against, each a full path with long names and a
// trailing backslash, or empty when unknown. The first two may hold no target at all; the
// others may hold one but not be or lie inside one.
enum : int {
    FOLDER_WINDOWS,
    FOLDER_SYSTEM,
    FOLDER_PROGRAM_FILES,         // this program's Program Files folder
    FOLDER_USER_PROGRAMS,         // the current user's Start-menu Programs folder
    FOLDER_COMMON_PROGRAMS,       // all users' Start-menu Programs folder
    FOLDER_USERS,                 // the folder of the users' profiles
    FOLDER_PROGRAM_DATA,          // all users' application data
    FOLDER_PROGRAM_FILES_OTHER,   // 64-bit Windows: the 64-bit Program Files (ProgramW6432Dir)
    SYSTEM_FOLDER_COUNT,
};
struct SystemFolders {
    char path[SYSTEM_FOLDER_COUNT][PATH_BUFFER_SIZE];
};

// Fills every folder from the system: the shell's folders, the users' folder as the parent of
// the current user's profile, and the 64-bit Program Files folder from the registry.
void get_system_folders(SystemFolders& folders);

// Puts a target folder as entered (Directory page, /D=) into the one form: "X:\a\b", a drive
// letter (upper case), backslashes only, no "." or ".." part, no doubled separator, no part
// ending in a dot or blank (Windows drops those), each part that exists under its long name
// (to_long_path), no trailing backslash. Forward slashes are taken as backslashes.
// Refused with 38: a network path, a path without a drive ("\a", "a\b") or relative to a
// drive's current folder ("C:a"), a drive root, ".." above the root, one of : " * < > ? |
// (the last five are wildcards to the system's listing, which gives the long names).
// Refused with 45: a result that does not fit a path buffer. Returns 0 or the message;
// `path` is only changed on 0.
int normalise_target(char* path);

// Whether a target folder (a full path ending with a backslash, under its long names: see
// to_long_path) keeps away from the system: not a drive root; not the Windows or system
// folder, inside one or holding one; not a Program Files, Programs, users' or all users' data
// folder, nor holding one.
bool target_folder_allowed(const char* target, const SystemFolders& folders);

// True when `path` lies strictly inside `folder` (which ends with a backslash), at any depth.
bool path_inside(const char* path, const char* folder);
// True when `path` is a file or folder directly in `folder`.
bool path_directly_inside(const char* path, const char* folder);
