// The lock that the installer and the uninstaller share: a named object in the machine's
// global namespace, held while either runs, so that neither starts while the other changes the
// installation, under any account and in any session (a deployment under the system account
// and a user's own run are kept apart as well), and a silent run, which has no window to find,
// is found as well. It goes with the process that holds it, however that process ends.
#pragma once

#include "platform/win32.h"

inline constexpr char INSTANCE_LOCK_NAME[] = "Global\\Brisvane setup and uninstall";

// Takes the lock for the rest of the process. False when another run holds it: the object
// exists already, or it is another account's and this one may not open it. A lock that cannot
// be made for any other reason stops nothing.
bool take_instance_lock();
