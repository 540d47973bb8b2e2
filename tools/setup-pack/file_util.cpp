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

namespace {

// Repeats `step(done)` (one read or write of the bytes from `done` on) until `count` bytes
// are through; false with `error` on a failure or when the step moves nothing (`short_why`).
template <typename Step>
bool transfer_all(size_t count, Step step, const char* short_why, std::string& error) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = step(done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : short_why;
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

}  // namespace

bool write_all(int fd, const uint8_t* bytes, size_t count, std::string& error) {
    return transfer_all(count, [&](size_t done) { return ::write(fd, bytes + done, count - done); }, "no room left", error);
}

bool pwrite_all(int fd, const uint8_t* bytes, size_t count, uint64_t offset, std::string& error) {
    return transfer_all(
        count, [&](size_t done) { return ::pwrite(fd, bytes + done, count - done, (off_t)(offset + done)); },
        "no room left", error);
}

bool pread_all(int fd, uint8_t* bytes, size_t count, uint64_t offset, std::string& error) {
    return transfer_all(
        count, [&](size_t done) { return ::pread(fd, bytes + done, count - done, (off_t)(offset + done)); },
        "the file ends early", error);
}

int create_temp_beside(const std::string& path, std::string& temp, std::string& error) {
    temp = path + ".partial-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) error = "cannot create a file beside " + path + ": " + std::strerror(errno);
    return fd;
}

bool commit_temp(int fd, const std::string& temp, const std::string& path, unsigned mode, std::string& error) {
    bool ok = true;
    if (::fchmod(fd, mode) != 0) ok = false, error = std::string("cannot set its mode: ") + std::strerror(errno);
    if (ok && ::fsync(fd) != 0) ok = false, error = "cannot write " + temp + ": " + std::strerror(errno);
    if (::close(fd) != 0 && ok) ok = false, error = "cannot write " + temp + ": " + std::strerror(errno);
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false, error = "cannot rename to " + path + ": " + std::strerror(errno);
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes, unsigned mode,
                           std::string& error) {
    std::string temp;
    int fd = create_temp_beside(path, temp, error);
    if (fd < 0) return false;
    if (!write_all(fd, bytes.data(), bytes.size(), error)) {
        error = "cannot write " + temp + ": " + error;
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    return commit_temp(fd, temp, path, mode, error);
}

bool file_identity(const std::string& path, FileIdentity& id) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    id.device = (unsigned long long)st.st_dev;
    id.inode = (unsigned long long)st.st_ino;
    return true;
}
