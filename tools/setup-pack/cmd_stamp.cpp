// setup-pack stamp and check: the embedded checksum of extension files.
#include "tools/setup-pack/commands.h"

#include "common/bytes.h"
#include "install/extension_checksum.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/package_builder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int command_stamp(const Args& args) {
    if (wants_help("stamp", args)) return 0;
    if (args.size() != 1) return fail("stamp", "needs one FILE (see --help)", EXIT_USAGE);
    std::vector<uint8_t> data;
    std::string error;
    if (!read_whole_file(args[0], data, error)) return fail("stamp", "cannot read " + args[0] + ": " + error);
    if (!stamp_extension_checksum(data))
        return fail("stamp", args[0] + " holds no checksum marker (44 02 01 56 27 75 and four bytes for the value)");
    struct stat st;
    unsigned mode = ::stat(args[0].c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (!write_file_atomically(args[0], data, mode, error)) return fail("stamp", error);
    std::printf("%s: stamped\n", args[0].c_str());
    return 0;
}

int command_check(const Args& args) {
    if (wants_help("check", args)) return 0;
    // With --stub or --manifest: the dry run of build.
    for (const std::string& a : args)
        if (a.rfind("--stub", 0) == 0 || a.rfind("--manifest", 0) == 0 || a.rfind("--set", 0) == 0)
            return command_check_build(args);
    if (args.size() != 1) return fail("check", "needs one FILE (see --help)", EXIT_USAGE);
    int fd = ::open(args[0].c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail("check", "cannot read " + args[0] + ": " + std::strerror(errno));
    int result = extension_checksum_matches(fd);
    ::close(fd);
    if (result == EXTENSION_CHECKSUM_UNTESTED) return fail("check", "could not test " + args[0]);
    if (result != EXTENSION_CHECKSUM_MATCH) return fail("check", args[0] + ": the embedded checksum does not match");
    std::printf("%s: the embedded checksum matches\n", args[0].c_str());
    return 0;
}
