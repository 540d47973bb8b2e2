#include "tools/setup-pack/parallel_compress.h"

#include "tools/setup-pack/file_util.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct Job {
    size_t entry;
    size_t offset, length;
    bool final;   // the entry's last chunk
};

struct Shared {
    Shared(const Manifest& manifest, int compression_level, size_t ahead)
        : m(manifest), level(compression_level), window(ahead) {}
    const Manifest& m;
    int level;
    std::vector<Job> jobs;
    size_t window;   // how far ahead of the writer a chunk may be taken

    std::mutex lock;
    std::condition_variable changed;
    size_t next_job = 0;       // the next chunk to take
    size_t next_write = 0;     // the next chunk the writer waits for
    std::vector<std::unique_ptr<CompressedChunk>> done;   // by job, until written
    bool failed = false;
    std::string error;

    // Stamped entries are read and stamped whole, once, by the first chunk that needs them.
    std::vector<std::once_flag> stamped_once;
    std::vector<std::vector<uint8_t>> stamped_data;
    std::vector<std::string> stamped_error;

    void fail(const std::string& why) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failed) failed = true, error = why;
        changed.notify_all();
    }
};

// Reads `length` bytes at `offset` of the entry's source; a source that is shorter now, or
// whose last chunk does not end the file, changed since the manifest was checked.
bool read_chunk(const ManifestEntry& e, const Job& job, std::vector<uint8_t>& data, std::string& error) {
    int fd = ::open(e.source_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + e.source + ": " + std::strerror(errno);
        return false;
    }
    data.resize(job.length);
    std::string why;
    struct stat st;
    bool same = pread_all(fd, data.data(), job.length, job.offset, why) && ::fstat(fd, &st) == 0 &&
                (uint64_t)st.st_size == e.size;
    ::close(fd);
    if (!same) error = e.source + " changed while the installer was built (it was " + std::to_string(e.size) + " bytes)";
    return same;
}

void work(Shared& s) {
    for (;;) {
        size_t j;
        {
            std::unique_lock<std::mutex> guard(s.lock);
            s.changed.wait(guard, [&] { return s.failed || s.next_job >= s.jobs.size() || s.next_job < s.next_write + s.window; });
            if (s.failed || s.next_job >= s.jobs.size()) return;
            j = s.next_job++;
        }
        const Job& job = s.jobs[j];
        const ManifestEntry& e = s.m.entries[job.entry];
        auto chunk = std::make_unique<CompressedChunk>();
        std::string error;
        bool ok;
        if (e.stamped) {
            std::call_once(s.stamped_once[job.entry], [&] {
                if (!read_entry_data(e, s.stamped_data[job.entry], s.stamped_error[job.entry])) s.stamped_data[job.entry].clear();
            });
            const std::vector<uint8_t>& whole = s.stamped_data[job.entry];
            ok = s.stamped_error[job.entry].empty();
            if (!ok) error = s.stamped_error[job.entry];
            else ok = compress_chunk(whole.data() + job.offset, job.length, s.level, *chunk, error);
        } else {
            std::vector<uint8_t> data;
            ok = read_chunk(e, job, data, error) && compress_chunk(data.data(), data.size(), s.level, *chunk, error);
        }
        if (!ok) return s.fail(e.name + ": " + error);
        std::lock_guard<std::mutex> guard(s.lock);
        s.done[j] = std::move(chunk);
        s.changed.notify_all();
    }
}

}  // namespace

unsigned default_thread_count() {
    unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

bool compress_entries(const Manifest& m, int level, unsigned threads, const EntryStreamHandlers& handlers,
                      std::string& error) {
    if (threads < 1) threads = 1;
    Shared s(m, level, 2 * (size_t)threads);
    for (size_t i = 0; i < m.entries.size(); ++i) {
        size_t size = (size_t)m.entries[i].size, offset = 0;
        do {
            size_t piece = size - offset < CHUNK_SIZE ? size - offset : CHUNK_SIZE;
            s.jobs.push_back({i, offset, piece, offset + piece == size});
            offset += piece;
        } while (offset < size);
    }
    s.done.resize(s.jobs.size());
    s.stamped_once = std::vector<std::once_flag>(m.entries.size());
    s.stamped_data.resize(m.entries.size());
    s.stamped_error.resize(m.entries.size());

    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work, std::ref(s));

    BitWriter stream;
    CompressStats stats;
    std::vector<uint32_t> crcs;
    bool ok = true;
    for (size_t j = 0; ok && j < s.jobs.size(); ++j) {
        const Job& job = s.jobs[j];
        std::unique_ptr<CompressedChunk> chunk;
        {
            std::unique_lock<std::mutex> guard(s.lock);
            s.changed.wait(guard, [&] { return s.failed || s.done[j]; });
            if (s.failed) {
                ok = false;
                break;
            }
            chunk = std::move(s.done[j]);
            s.next_write = j + 1;
            s.changed.notify_all();
        }
        if (job.offset == 0) {
            if (handlers.begin) handlers.begin(job.entry);
            stats = CompressStats();
            crcs.clear();
        }
        add_stats(stats, chunk->stats);
        crcs.push_back(chunk->crc);
        append_chunk(stream, *chunk, job.final);
        chunk.reset();
        size_t packed = (stream.bit_length() + 7) / 8;
        std::vector<uint8_t> bytes = job.final ? stream.finish() : stream.take_whole_bytes();
        std::string why;
        if (!handlers.write(bytes.data(), bytes.size(), why)) {
            s.fail(why);
            ok = false;
            break;
        }
        if (job.final) {
            std::vector<uint8_t>().swap(s.stamped_data[job.entry]);   // every chunk of it is done
            if (handlers.end) handlers.end(job.entry, packed, stats, crcs);
        }
    }
    for (std::thread& t : pool) t.join();
    if (!ok) error = s.error;
    return ok;
}
