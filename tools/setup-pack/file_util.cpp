#include "tools/setup-pack/file_util.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool read_whole_file(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = ::fstat(fd, &st) != 0 ? std::strerror(errno) : S_ISDIR(st.st_mode) ? "it is a folder" : "not a regular file";
        ::close(fd);
        return false;
    }
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes, unsigned mode,
                           std::string& error) {
    std::string temp = path + ".partial-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += (size_t)n;
    }
    if (!ok) error = "cannot write " + temp + ": " + std::strerror(errno);
    if (ok && ::fchmod(fd, mode) != 0) ok = false, error = std::string("cannot set its mode: ") + std::strerror(errno);
    if (ok && ::fsync(fd) != 0) ok = false, error = "cannot write " + temp + ": " + std::strerror(errno);
    if (::close(fd) != 0 && ok) ok = false, error = "cannot write " + temp + ": " + std::strerror(errno);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false, error = "cannot rename to " + path + ": " + std::strerror(errno);
    if (!ok) ::unlink(temp.c_str());
    return ok;
}
