#include "install/extension_checksum.h"

#include "common/bytes.h"
#include "common/memory_blocks.h"

uint32_t extension_checksum_add(const uint8_t* bytes, uint32_t count, uint32_t sum) {
    for (uint32_t i = 0; i < count; ++i) sum = ((sum << 1) | (sum >> 31)) + bytes[i] - 15u;
    return sum;
}

bool extension_marker_at(const uint8_t* bytes, uint32_t available) {
    if (available < EXTENSION_MARKER_SIZE + EXTENSION_STORED_SIZE) return false;
    for (uint32_t i = 0; i < EXTENSION_MARKER_SIZE; ++i)
        if (bytes[i] != EXTENSION_MARKER[i]) return false;
    return true;
}

// Reads up to `count` bytes; returns how many came, or -1 on a read error.
static long read_some(HFILE file, uint8_t* buffer, uint32_t count) {
    UINT got = _lread(file, buffer, count);
    return got == (UINT)HFILE_ERROR ? -1 : (long)got;
}

int extension_checksum_matches(HFILE file) {
    LONG size = _llseek(file, 0, FILE_END);
    if (size == HFILE_ERROR || _llseek(file, 0, FILE_BEGIN) == HFILE_ERROR) return EXTENSION_CHECKSUM_UNTESTED;

    HGLOBAL handle = nullptr;
    uint8_t* buffer = (uint8_t*)alloc_block(EXTENSION_BUFFER_SIZE, &handle);
    if (!buffer) return EXTENSION_CHECKSUM_UNTESTED;

    int result = EXTENSION_CHECKSUM_UNTESTED;
    uint32_t sum = EXTENSION_CHECKSUM_SEED, expected = EXTENSION_CHECKSUM_SENTINEL;
    bool found = false;   // a found marker counts even when its stored value equals the sentinel
    long got = read_some(file, buffer, EXTENSION_BUFFER_SIZE);
    if (got >= 0) {
        uint32_t unread = (uint32_t)size > (uint32_t)got ? (uint32_t)size - (uint32_t)got : 0;
        uint32_t current = (uint32_t)got > EXTENSION_BLOCK_SIZE ? EXTENSION_BLOCK_SIZE : (uint32_t)got;
        uint32_t next = (uint32_t)got - current;
        for (;;) {
            // A marker may start anywhere in the current block; its stored value may lie in
            // the next block, which is already in the buffer.
            for (uint32_t p = 0; !found && p < current; ++p) {
                if (!extension_marker_at(buffer + p, current + next - p)) continue;
                uint8_t* stored = buffer + p + EXTENSION_MARKER_SIZE;
                expected = read_u32(stored);
                write_u32(stored, 0);
                found = true;
            }
            sum = extension_checksum_add(buffer, current, sum);
            if (next == 0) {
                result = sum == expected ? EXTENSION_CHECKSUM_MATCH : EXTENSION_CHECKSUM_MISMATCH;
                break;
            }
            for (uint32_t i = 0; i < next; ++i) buffer[i] = buffer[EXTENSION_BLOCK_SIZE + i];
            current = next;
            next = 0;
            if (unread != 0) {
                got = read_some(file, buffer + EXTENSION_BLOCK_SIZE,
                                unread < EXTENSION_BLOCK_SIZE ? unread : EXTENSION_BLOCK_SIZE);
                if (got < 0) break;
                next = (uint32_t)got;
                // A file that ends sooner than its size said ends here.
                unread = got == 0 ? 0 : unread - (uint32_t)got;
            }
        }
    }
    free_block(&handle);
    return result;
}
