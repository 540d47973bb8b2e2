#include "decompress/channels.h"

#include "common/install_context.h"
#include "common/status.h"
#include "common/memory_blocks.h"
#include "ui/messages.h"

#include <cstring>

StreamChannel* channel_open(HFILE file, uint32_t buffer_size, uint32_t limit, uint32_t flush_on_close) {
    auto* channel = static_cast<StreamChannel*>(LocalAlloc(LPTR, sizeof(StreamChannel)));
    if (!channel) return nullptr;
    channel->file = file;
    channel->flush_on_close = flush_on_close;

    uint32_t size = buffer_size;
    if (size == 0) size = CHANNEL_DEFAULT_CAPACITY;
    else if (size < CHANNEL_MIN_CAPACITY) size = CHANNEL_MIN_CAPACITY;
    else if (size > CHANNEL_MAX_CAPACITY) size = CHANNEL_MAX_CAPACITY;

    // Four spare bytes behind the buffer, so a reader may look a word ahead without care;
    // they are zero. The buffer itself is not cleared: only bytes read or written into it
    // are ever taken from it.
    channel->buffer_block = GlobalAlloc(GMEM_MOVEABLE, size + 4);
    channel->buffer = channel->buffer_block ? static_cast<uint8_t*>(GlobalLock(channel->buffer_block)) : nullptr;
    if (!channel->buffer) {
        if (channel->buffer_block) GlobalFree(channel->buffer_block);
        LocalFree(channel);
        return nullptr;
    }
    std::memset(channel->buffer + size, 0, 4);
    channel->count = 0;
    channel->capacity = size;
    channel->cursor = channel->buffer;
    channel->limit = limit;
    return channel;
}

int channel_fill(StreamChannel* channel) {
    if (channel->count > 0) return CHANNEL_OK;
    if (channel->limit == 0) {
        channel->failure = CHANNEL_FAILURE_END;
        return CHANNEL_END;
    }
    channel->cursor = channel->buffer;
    channel->count = 0;
    UINT request = channel->capacity < channel->limit ? channel->capacity : channel->limit;
    // Where this read starts, so that a retry after a failed read reads the same bytes.
    LONG start = _llseek(channel->file, 0, FILE_CURRENT);
    for (;;) {
        UINT got = _lread(channel->file, channel->buffer, request);
        if (got == 0) {
            channel->failure = CHANNEL_FAILURE_END;
            return CHANNEL_END;
        }
        if (got <= request) {
            channel->count = got;
            channel->limit -= got;
            return CHANNEL_OK;
        }
        if (message_box_formatted(ctx.backdrop_window, MSG_READ_ERROR, ctx.error_file_name,
                                  BOX_WARNING_RETRY_CANCEL) != IDRETRY) {
            channel->count = 0;
            channel->failure = CHANNEL_FAILURE_CANCELLED;
            return CHANNEL_FAILED;
        }
        if (start != HFILE_ERROR) _llseek(channel->file, start, FILE_BEGIN);
    }
}

int channel_flush(StreamChannel* channel) {
    uint32_t n = channel->count;
    if (n == 0) return CHANNEL_OK;
    for (;;) {
        // The position is needed both for the limit test and to start a retry from where
        // this buffer's write began.
        LONG start = _llseek(channel->file, 0, FILE_CURRENT);
        if (channel->limit != 0 && start != HFILE_ERROR &&
            (uint64_t)(uint32_t)start + n > channel->limit) {
            channel->failure = CHANNEL_FAILURE_LIMIT;
            return CHANNEL_FAILED;
        }
        if (start != HFILE_ERROR &&
            _lwrite(channel->file, reinterpret_cast<const char*>(channel->buffer), n) == n) {
            channel->count = 0;
            channel->cursor = channel->buffer;
            return CHANNEL_OK;
        }
        // Part of the buffer may have reached the file: go back so that a retry writes the
        // whole buffer again at the same place.
        // A full disk is told as such (a person can make room and retry; a silent run ends with
        // the code for no space), any other failure as a write error.
        DWORD error = GetLastError();
        int message = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? MSG_DISK_FULL : MSG_WRITE_ERROR;
        if (start != HFILE_ERROR) _llseek(channel->file, start, FILE_BEGIN);
        if (message_box_formatted(ctx.backdrop_window, message, ctx.work_path, BOX_WARNING_RETRY_CANCEL) != IDRETRY) {
            channel->failure = CHANNEL_FAILURE_CANCELLED;
            return CHANNEL_FAILED;
        }
    }
}

int channel_write(StreamChannel* channel, const uint8_t* bytes, uint32_t count) {
    while (count > 0) {
        if (channel->count >= channel->capacity) {
            int result = channel_flush(channel);
            if (result != CHANNEL_OK) return result;
        }
        uint32_t room = channel->capacity - channel->count;
        uint32_t piece = count < room ? count : room;
        std::memcpy(channel->cursor, bytes, piece);
        channel->cursor += piece;
        channel->count += piece;
        bytes += piece;
        count -= piece;
    }
    return CHANNEL_OK;
}

int channel_close(StreamChannel* channel, int* failure) {
    if (failure) *failure = CHANNEL_FAILURE_NONE;
    if (!channel) return CHANNEL_OK;
    int result = channel->flush_on_close ? channel_flush(channel) : CHANNEL_OK;
    if (failure) *failure = channel->failure;
    free_block(&channel->buffer_block);
    LocalFree(channel);
    return result;
}
