// The lock that the installer and the uninstaller share: a file in the temporary folder held
// open without sharing while either runs, so that neither starts while the other changes the
// installation (and a silent run, which has no window to find, is found as well).
#pragma once

#include "platform/win32.h"

inline constexpr char INSTANCE_LOCK_NAME[] = "BrisvaneSetup.lock";
// Bytes of a path buffer for the lock's path.
constexpr int LOCK_PATH_SIZE = MAX_PATH + 20;
// take_instance_lock's answer when another run holds the lock.
constexpr HFILE LOCK_HELD_ELSEWHERE = -2;

// Opens the lock file (its path written into `path`, LOCK_PATH_SIZE bytes), making it first
// when there is none. Returns the open lock (closed when the process ends), HFILE_ERROR when
// none could be made (that stops nothing), or LOCK_HELD_ELSEWHERE.
HFILE take_instance_lock(char* path);
