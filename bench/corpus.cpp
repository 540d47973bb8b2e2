#include "bench/corpus.h"

#include "tools/setup-pack/file_util.h"

#include <zlib.h>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool zlib_raw(const std::vector<uint8_t>& in, int level, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = (uInt)in.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return result == Z_STREAM_END;
}

}  // namespace

bool load_corpus(const std::string& dir, Corpus& corpus, std::string& error) {
    corpus = Corpus();
    corpus.dir = dir;
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        error = "cannot open the corpus folder " + dir;
        return false;
    }
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
        std::string path = dir + "/" + e->d_name;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        CorpusFile f;
        f.name = name;
        if (!read_whole_file(dir + "/" + name, f.data, error)) {
            error = dir + "/" + name + ": " + error;
            return false;
        }
        f.offset = corpus.bytes;
        corpus.bytes += f.data.size();
        corpus.files.push_back(std::move(f));
    }
    if (corpus.files.empty()) {
        error = "the corpus folder " + dir + " holds no files (run bench/make-corpus)";
        return false;
    }
    return true;
}

bool prepare_corpus(Corpus& corpus, unsigned which, std::string& error) {
    for (CorpusFile& f : corpus.files) {
        if ((which & PREPARE_DEFLATE) && !deflate_raw(f.data.data(), f.data.size(), f.deflate)) {
            error = f.name + ": libdeflate failed";
            return false;
        }
        if ((which & PREPARE_OURS) && !compress_stream(f.data.data(), f.data.size(), f.ours, error, &f.stats)) {
            error = f.name + ": " + error;
            return false;
        }
        if ((which & PREPARE_ZLIB9) && !zlib_raw(f.data, 9, f.zlib9)) {
            error = f.name + ": zlib failed";
            return false;
        }
    }
    return true;
}
