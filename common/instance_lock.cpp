#include "common/instance_lock.h"

#include <cstring>

HFILE take_instance_lock(char* path) {
    DWORD length = GetTempPathA(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH) return HFILE_ERROR;
    std::strcat(path, INSTANCE_LOCK_NAME);
    for (int attempt = 0;; ++attempt) {
        HFILE lock = _lopen(path, OF_READWRITE | OF_SHARE_EXCLUSIVE);
        if (lock != HFILE_ERROR) return lock;
        if (attempt || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return LOCK_HELD_ELSEWHERE;
        HFILE made = _lcreat(path, 0);
        if (made == HFILE_ERROR) return HFILE_ERROR;
        _lclose(made);
    }
}
