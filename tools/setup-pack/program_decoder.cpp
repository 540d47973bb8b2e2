#include "tools/setup-pack/program_decoder.h"

#include "decompress/decoder.h"

#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

// The host stand-in's file handles are file descriptors, so the program's decoder reads and
// writes two anonymous in-memory files.
int decode_with_program(const uint8_t* stream, size_t size, uint32_t limit, std::vector<uint8_t>& out) {
    out.clear();
    int in = ::memfd_create("setup-pack-in", MFD_CLOEXEC);
    int result = ::memfd_create("setup-pack-out", MFD_CLOEXEC);
    bool ok = in >= 0 && result >= 0;
    for (size_t done = 0; ok && done < size;) {
        ssize_t n = ::write(in, stream + done, size - done);
        if (n <= 0) ok = false;
        else done += (size_t)n;
    }
    int status = -1;
    if (ok && ::lseek(in, 0, SEEK_SET) == 0) {
        // The program's decoder keeps its state in one global: one decode at a time.
        static std::mutex one_at_a_time;
        {
            std::lock_guard<std::mutex> lock(one_at_a_time);
            status = expand_entry(result, in, limit);
        }
        off_t length = ::lseek(result, 0, SEEK_END);
        if (length < 0 || ::lseek(result, 0, SEEK_SET) != 0) status = -1;
        else out.resize((size_t)length);
        for (size_t done = 0; status != -1 && done < out.size();) {
            ssize_t n = ::read(result, out.data() + done, out.size() - done);
            if (n <= 0) status = -1;
            else done += (size_t)n;
        }
    }
    if (in >= 0) ::close(in);
    if (result >= 0) ::close(result);
    return status;
}
