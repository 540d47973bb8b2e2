// setup-pack compress and expand: one raw package stream, without table or header.
#include "tools/setup-pack/commands.h"

#include "common/status.h"
#include "decompress/decoder.h"
#include "tools/setup-pack/compressor.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/program_decoder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* status_meaning(int status) {
    switch (status) {
    case 0: return "sound";
    case STATUS_BAD_DATA: return "invalid data";
    case STATUS_TABLE_MEMORY: return "no memory for code tables";
    case STATUS_BAD_BLOCK: return "invalid block type or over-subscribed code";
    case 37: return "not enough memory";
    default: return "failed";
    }
}

}  // namespace

int command_compress(const Args& args) {
    if (wants_help("compress", args)) return 0;
    if (args.size() != 2) return fail("compress", "needs IN and OUT (see --help)", EXIT_USAGE);
    std::vector<uint8_t> in, out;
    std::string error;
    if (!read_whole_file(args[0], in, error)) return fail("compress", "cannot read " + args[0] + ": " + error, EXIT_USAGE);
    CompressStats stats;
    if (!compress_stream(in.data(), in.size(), out, error, &stats)) return fail("compress", error);
    if (!write_file_atomically(args[1], out, 0644, error)) return fail("compress", error);
    std::printf("%s: %zu bytes -> %zu bytes (raw DEFLATE %zu), %u blocks\n", args[0].c_str(), in.size(), out.size(),
                stats.deflate_bytes, stats.blocks.blocks);
    return 0;
}

int command_expand(const Args& args) {
    if (wants_help("expand", args)) return 0;
    std::vector<std::string> files;
    uint32_t limit = NO_OUTPUT_LIMIT;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--limit") {
            if (i + 1 >= args.size()) return fail("expand", "--limit needs a byte count", EXIT_USAGE);
            const char* text = args[++i].c_str();
            char* end = nullptr;
            errno = 0;
            unsigned long long value = std::strtoull(text, &end, 10);
            if (!*text || *end || errno || value > NO_OUTPUT_LIMIT || text[0] == '-')
                return fail("expand", std::string("--limit must be a byte count up to 4294967295, got \"") + text + "\"",
                            EXIT_USAGE);
            limit = (uint32_t)value;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return fail("expand", "needs IN and OUT (see --help)", EXIT_USAGE);
    int in = ::open(files[0].c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail("expand", "cannot read " + files[0] + ": " + std::strerror(errno), EXIT_USAGE);
    // Decode into a temporary file beside OUT; OUT appears only when the stream is sound.
    std::string temp = files[1] + ".partial-XXXXXX";
    int out = ::mkstemp(temp.data());
    if (out < 0) {
        ::close(in);
        return fail("expand", "cannot create a file beside " + files[1] + ": " + std::strerror(errno));
    }
    int status = expand_entry(out, in, limit);
    ::close(in);
    bool kept = status == 0 && ::fchmod(out, 0644) == 0 && ::close(out) == 0 && ::rename(temp.c_str(), files[1].c_str()) == 0;
    if (!kept) {
        if (status != 0) ::close(out);
        ::unlink(temp.c_str());
        if (status == 0) return fail("expand", "cannot write " + files[1] + ": " + std::strerror(errno));
    }
    std::printf("expand: status %d (%s)\n", status, status_meaning(status));
    return status;
}
