// Runs the decoder over a stream held in a file of the test folder, as entry extraction
// does: the stream file open for reading, the destination created, both handed to
// expand_entry. work_path names the destination, as the write-error prompt expects.
#pragma once

#include "tests/support/test_env.h"

#include "decompress/decoder.h"

#include <cstring>
#include <string>

struct Decoded {
    int status;
    std::string out;
};

// `arm`, when given, runs right before decoding (after the stream file has been written).
inline Decoded decode_stream(const std::string& dir, const std::string& stream, uint32_t limit = 0,
                             uint32_t input_offset = 0, void (*arm)() = nullptr) {
    std::string in_path = dir + "stream.bin", out_path = dir + "out.bin";
    write_file(in_path, stream);
    std::strcpy(ctx.work_path, out_path.c_str());
    HFILE in = _lopen(in_path.c_str(), OF_READ);
    HFILE out = _lcreat(out_path.c_str(), 0);
    EXPECT_NE(in, HFILE_ERROR);
    EXPECT_NE(out, HFILE_ERROR);
    _llseek(in, (LONG)input_offset, FILE_BEGIN);
    if (arm) arm();
    int status = expand_entry(out, in, limit);
    _lclose(out);
    _lclose(in);
    return {status, read_file(out_path)};
}
