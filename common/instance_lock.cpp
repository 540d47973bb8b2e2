#include "common/instance_lock.h"

bool take_instance_lock() {
    // The handle is never closed: the object lives as long as this process.
    if (CreateMutexA(nullptr, FALSE, INSTANCE_LOCK_NAME)) return GetLastError() != ERROR_ALREADY_EXISTS;
    return GetLastError() != ERROR_ACCESS_DENIED;
}
