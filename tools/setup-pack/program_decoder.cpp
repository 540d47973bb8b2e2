#include "tools/setup-pack/program_decoder.h"

#include "decompress/decoder.h"
#include "tools/setup-pack/file_util.h"

#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Above this, the output file is emptied after each use so that it does not keep a large
// entry's memory.
constexpr off_t KEPT_OUTPUT_BYTES = 4 << 20;

// The host stand-in's file handles are file descriptors, so the program's decoder reads and
// writes two anonymous in-memory files. Each thread keeps its pair: making fresh ones for
// every stream cost more than the decoding.
struct MemoryFiles {
    int in = ::memfd_create("setup-pack-in", MFD_CLOEXEC);
    int out = ::memfd_create("setup-pack-out", MFD_CLOEXEC);
    ~MemoryFiles() {
        if (in >= 0) ::close(in);
        if (out >= 0) ::close(out);
    }
};

}  // namespace

int decode_with_program(const uint8_t* stream, size_t size, uint32_t limit, std::vector<uint8_t>& out) {
    out.clear();
    thread_local MemoryFiles files;
    if (files.in < 0 || files.out < 0) return -1;
    // The input file holds exactly the stream: the decoder must see where it ends.
    std::string error;
    if (!pwrite_all(files.in, stream, size, 0, error) || ::ftruncate(files.in, (off_t)size) != 0 ||
        ::lseek(files.in, 0, SEEK_SET) != 0 || ::lseek(files.out, 0, SEEK_SET) != 0)
        return -1;
    int status;
    {
        // The program's decoder keeps its state in one global: one decode at a time.
        static std::mutex one_at_a_time;
        std::lock_guard<std::mutex> lock(one_at_a_time);
        status = expand_entry(files.out, files.in, limit);
    }
    // The decoder writes from the start on: its position is the length written (what lies
    // behind it is left from an earlier, longer output).
    off_t length = ::lseek(files.out, 0, SEEK_CUR);
    if (length < 0) return -1;
    out.resize((size_t)length);
    if (!pread_all(files.out, out.data(), out.size(), 0, error)) return -1;
    if (length > KEPT_OUTPUT_BYTES && ::ftruncate(files.out, 0) != 0) return -1;
    if (size > (size_t)KEPT_OUTPUT_BYTES && ::ftruncate(files.in, 0) != 0) return -1;
    return status;
}
