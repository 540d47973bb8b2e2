// Stream channels: buffered byte readers and writers over an open file handle.
//
// The decoder reads an entry's compressed bytes through an input channel over the program
// file and writes the decoded bytes through an output channel over the destination file.
// The channels own the read and write error prompts (Retry / Cancel) and the output file's
// size limit.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Buffer sizes: 0 asks for the default; anything else is brought into [MIN, MAX].
constexpr uint32_t CHANNEL_DEFAULT_CAPACITY = 32768;
constexpr uint32_t CHANNEL_MIN_CAPACITY = 4;
constexpr uint32_t CHANNEL_MAX_CAPACITY = 65530;
// An input limit that never runs out in practice.
constexpr uint32_t CHANNEL_NO_INPUT_LIMIT = 0xFFFFFFFFu;

// Results of channel_fill / channel_flush / channel_write / channel_close.
constexpr int CHANNEL_OK = 0;
constexpr int CHANNEL_END = -1;      // fill: no more input (limit used up, or end of file)
constexpr int CHANNEL_FAILED = -2;   // fill: read error cancelled; flush: limit or write error

// Why the last fill or flush of a channel failed (StreamChannel::failure).
enum : int {
    CHANNEL_FAILURE_NONE = 0,
    CHANNEL_FAILURE_END = 1,         // input used up
    CHANNEL_FAILURE_LIMIT = 2,       // output would pass its limit (no prompt was shown)
    CHANNEL_FAILURE_CANCELLED = 3,   // the user answered Cancel to a read or write error
};

struct StreamChannel {
    HFILE file;
    HGLOBAL buffer_block;     // holds the buffer (alloc_block), capacity + 4 bytes
    uint8_t* buffer;
    uint8_t* cursor;          // input: next byte to take; output: next byte to fill
    uint32_t capacity;        // 4 to 65530
    uint32_t count;           // input: bytes not taken yet; output: bytes not written yet
    uint32_t limit;           // input: bytes that may still be read; output: largest file size, 0 = none
    uint32_t flush_on_close;  // nonzero for an output channel
    int failure;              // CHANNEL_FAILURE_*: why the last failed fill or flush failed
};

// Makes a channel over `file`. `buffer_size` 0 means 32768; below 4 becomes 4, above 65530
// becomes 65530. Returns the channel, or null when memory runs out (nothing stays allocated).
StreamChannel* channel_open(HFILE file, uint32_t buffer_size, uint32_t limit, uint32_t flush_on_close);

// Input: makes bytes ready. Returns 0 when `count` is above 0 afterwards, -1 when there is no
// more input (limit used up or nothing left in the file; no prompt), -2 when a read failed
// and the user chose Cancel at the read-error prompt (message 34 with error_file_name). A
// read that fails is retried from the position where it started.
int channel_fill(StreamChannel* channel);

// Output: writes what the buffer holds. Returns 0 when the buffer is empty afterwards, -2
// when the file would pass its limit (no prompt; the buffer keeps its bytes) or when a write
// failed and the user chose Cancel at the write-error prompt (message 35 with work_path; the
// buffer keeps its bytes). A write that stored only part of the buffer is retried from where
// that buffer's write began, so the file never holds a gap or a doubled piece.
int channel_flush(StreamChannel* channel);

// Output: appends `count` bytes (at most 65535), flushing whenever the buffer is full.
// Returns 0, or the -2 of a failed flush (the bytes after the refused buffer are not taken).
int channel_write(StreamChannel* channel, const uint8_t* bytes, uint32_t count);

// Writes out what an output channel still holds, then frees the channel. Null is allowed.
// Returns the result of that final flush (0 when there is none to do); when `failure` is
// given it receives the channel's failure reason (CHANNEL_FAILURE_*) as it stood at the end.
int channel_close(StreamChannel* channel, int* failure = nullptr);
