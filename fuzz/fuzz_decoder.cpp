// Fuzz target: the stream decoder over arbitrary bytes, through expand_entry on two
// memory-backed files (the host stand-in's file handles are file descriptors).
//
// The first byte steers the run: bit 7 set makes the ((byte & 31) + 1)-th allocation fail,
// so the out-of-memory paths are explored too. The rest is the stream.
// Checked beyond the sanitizers: the status is one the decoder documents, the output never
// passes its limit, and a stream that decodes once decodes the same way again.
#include "common/install_context.h"
#include "common/status.h"
#include "decompress/decoder.h"
#include "platform/test_control.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uint32_t OUTPUT_LIMIT = 1u << 20;

int memory_file(const uint8_t* data, size_t size) {
    int fd = memfd_create("fuzz", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    if (size && write(fd, data, size) != (ssize_t)size) std::abort();
    lseek(fd, 0, SEEK_SET);
    return fd;
}

std::string run(const uint8_t* data, size_t size, int* status) {
    int in = memory_file(data, size);
    int out = memory_file(nullptr, 0);
    *status = expand_entry(out, in, OUTPUT_LIMIT);
    off_t length = lseek(out, 0, SEEK_END);
    if (length < 0 || (uint64_t)length > OUTPUT_LIMIT) std::abort();
    std::string bytes((size_t)length, '\0');
    if (length && pread(out, bytes.data(), (size_t)length, 0) != length) std::abort();
    close(in);
    close(out);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        allocate_path_buffers();
        return true;
    }();
    (void)ready;
    if (size == 0) return 0;
    uint8_t steer = data[0];
    ++data;
    --size;

    test_fail_allocation((steer & 0x80) ? (long)(steer & 31) + 1 : 0);
    int status = 0;
    std::string first = run(data, size, &status);
    test_fail_allocation(0);
    if (status != 0 && status != STATUS_BAD_DATA && status != STATUS_BAD_BLOCK &&
        status != STATUS_TABLE_MEMORY && status != MSG_NO_MEMORY)
        std::abort();
    if (status == 0 && !(steer & 0x80)) {
        int again = 0;
        if (run(data, size, &again) != first || again != 0) std::abort();
    }
    return 0;
}
