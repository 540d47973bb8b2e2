// brisvane-bench: decode speed, packed size and build speed of the package format against
// zlib and libdeflate on the same corpus, in one run; and a driver for callgrind.
//
//   brisvane-bench run [--reps N] [--build-reps N] CORPUS_DIR...   (--build-reps 0: decoding only)
//   brisvane-bench callgrind ours|zlib|libdeflate|memcpy CORPUS_DIR
//
// A corpus is a folder of files with a setup-pack manifest CORPUS_DIR.ini beside it listing
// them (bench/make-corpus makes both). See bench/README.md.
#include "bench/corpus.h"
#include "bench/decoders.h"

#include "package/package_format.h"

#include <libdeflate.h>
#include <valgrind/callgrind.h>

// How our decoder in this benchmark program was built (brisvane-bench-product: the product's
// flags).
#ifndef BENCH_DECODER_BUILD
#define BENCH_DECODER_BUILD "the benchmark build's flags"
#endif
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double mb(size_t bytes) { return (double)bytes / 1e6; }

int fail(const std::string& what) {
    std::fprintf(stderr, "brisvane-bench: %s\n", what.c_str());
    return 1;
}

struct Figures {
    std::string name;
    size_t files = 0, bytes = 0;
    size_t zlib9 = 0, deflate12 = 0, ours = 0;
    unsigned blocks = 0, as_fixed = 0, as_stored = 0;
    double decode_mbs[4] = {};        // ours, zlib, libdeflate, memcpy
    double build_seconds = 0, build_mbs = 0;
    size_t installer = 0;
};

const Decoder ALL_DECODERS[4] = {Decoder::ours, Decoder::zlib, Decoder::libdeflate, Decoder::copy};

// A bare program file for setup-pack: zeros with one empty Setup header in it.
bool write_stub(const std::string& path) {
    std::vector<uint8_t> stub(4096, 0);
    std::memcpy(stub.data() + 1024, SETUP_MARKER, sizeof SETUP_MARKER);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(stub.data(), 1, stub.size(), f) == stub.size();
    return std::fclose(f) == 0 && ok;
}

bool time_builds(const std::string& corpus_dir, int reps, Figures& fig, std::string& error) {
    char tmp[] = "/tmp/brisvane-bench-XXXXXX";
    if (!::mkdtemp(tmp)) {
        error = "cannot make a temporary folder";
        return false;
    }
    std::string dir = tmp, stub = dir + "/stub.exe", out = dir + "/installer.exe";
    std::string manifest = corpus_dir + ".ini";
    std::string command = std::string("'") + SETUP_PACK_PATH + "' build --stub '" + stub + "' --manifest '" + manifest +
                          "' --out '" + out + "' >/dev/null";
    bool ok = write_stub(stub);
    std::vector<double> times;
    for (int r = 0; ok && r < reps; ++r) {
        ::unlink(out.c_str());
        Clock::time_point start = Clock::now();
        int status = std::system(command.c_str());
        times.push_back(seconds_since(start));
        if (status != 0) {
            error = "setup-pack build failed on " + manifest;
            ok = false;
        }
    }
    struct stat st;
    if (ok && ::stat(out.c_str(), &st) == 0) fig.installer = (size_t)st.st_size;
    ::unlink(out.c_str());
    ::unlink(stub.c_str());
    ::rmdir(dir.c_str());
    if (!ok) {
        if (error.empty()) error = "cannot write the stub";
        return false;
    }
    fig.build_seconds = median(times);
    fig.build_mbs = mb(fig.bytes) / fig.build_seconds;
    return true;
}

bool bench_corpus(const std::string& dir, int reps, int build_reps, Figures& fig, std::string& error) {
    Corpus corpus;
    if (!load_corpus(dir, corpus, error)) return false;
    Clock::time_point start = Clock::now();
    if (!prepare_corpus(corpus, PREPARE_ALL, error)) return false;
    std::fprintf(stderr, "%s: %zu files, %zu bytes, streams made in %.1f s\n", dir.c_str(), corpus.files.size(),
                 corpus.bytes, seconds_since(start));

    std::string name = dir;
    while (!name.empty() && name.back() == '/') name.pop_back();
    fig.name = name.substr(name.find_last_of('/') + 1);
    fig.files = corpus.files.size();
    fig.bytes = corpus.bytes;
    for (const CorpusFile& f : corpus.files) {
        fig.zlib9 += f.zlib9.size();
        fig.deflate12 += f.deflate.size();
        fig.ours += f.ours.size();
        fig.blocks += f.stats.blocks.blocks;
        fig.as_fixed += f.stats.blocks.as_fixed;
        fig.as_stored += f.stats.blocks.as_stored;
    }

    DecodeRig rig;
    bool ok = open_rig(corpus, rig, error);
    // One untimed run of each decoder, checked byte for byte, before the timed ones.
    for (Decoder d : ALL_DECODERS) {
        if (!ok) break;
        std::fill(rig.output.begin(), rig.output.end(), 0xA5);
        ok = decode_corpus(rig, d, error) && output_matches(rig, d, error);
    }
    // The decoders take turns, so that a slow moment of the machine falls on all of them.
    std::vector<double> times[4];
    for (int r = 0; ok && r < reps; ++r)
        for (int k = 0; ok && k < 4; ++k) {
            Clock::time_point t = Clock::now();
            ok = decode_corpus(rig, ALL_DECODERS[k], error);
            times[k].push_back(seconds_since(t));
        }
    for (int k = 0; ok && k < 4; ++k) ok = output_matches(rig, ALL_DECODERS[k], error);
    close_rig(rig);
    if (!ok) return false;
    for (int k = 0; k < 4; ++k) fig.decode_mbs[k] = mb(corpus.bytes) / median(times[k]);
    return build_reps == 0 || time_builds(dir, build_reps, fig, error);
}

void print_figures(const std::vector<Figures>& all) {
    std::printf("\n| corpus | files | bytes | zlib -9 | libdeflate -12 | ours | ours / libdeflate-12 |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all)
        std::printf("| %s | %zu | %zu | %zu (%.4f) | %zu (%.4f) | %zu (%.4f) | %.5f |\n", f.name.c_str(), f.files,
                    f.bytes, f.zlib9, (double)f.zlib9 / f.bytes, f.deflate12, (double)f.deflate12 / f.bytes, f.ours,
                    (double)f.ours / f.bytes, (double)f.ours / f.deflate12);
    std::printf("\nDecode throughput, MB/s of output (10^6 bytes/s, median of the timed runs):\n\n");
    std::printf("| corpus | ours | zlib | libdeflate | memcpy | ours / zlib | ours / libdeflate |\n"
                "|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all)
        std::printf("| %s | %.0f | %.0f | %.0f | %.0f | %.2f | %.2f |\n", f.name.c_str(), f.decode_mbs[0],
                    f.decode_mbs[1], f.decode_mbs[2], f.decode_mbs[3], f.decode_mbs[0] / f.decode_mbs[1],
                    f.decode_mbs[0] / f.decode_mbs[2]);
    if (all.empty() || all[0].build_seconds == 0) return;
    std::printf("\n`setup-pack build` (median wall time):\n\n");
    std::printf("| corpus | seconds | MB/s of input | installer bytes | blocks | re-coded fixed | re-coded stored |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all)
        std::printf("| %s | %.2f | %.2f | %zu | %u | %u | %u |\n", f.name.c_str(), f.build_seconds, f.build_mbs,
                    f.installer, f.blocks, f.as_fixed, f.as_stored);
}

int run(int argc, char** argv) {
    int reps = 11, build_reps = 3;
    std::vector<std::string> dirs;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--reps" || a == "--build-reps") && i + 1 < argc) {
            int n = std::atoi(argv[++i]);
            if (n < (a == "--reps" ? 1 : 0)) return fail(a + " needs a count of at least " + (a == "--reps" ? "1" : "0"));
            (a == "--reps" ? reps : build_reps) = n;
        } else if (a.rfind("--", 0) == 0) {
            return fail("unknown option " + a);
        } else {
            dirs.push_back(a);
        }
    }
    if (dirs.empty()) return fail("usage: brisvane-bench run [--reps N] [--build-reps N] CORPUS_DIR...");
    std::vector<Figures> all;
    for (const std::string& dir : dirs) {
        Figures fig;
        std::string error;
        if (!bench_corpus(dir, reps, build_reps, fig, error)) return fail(error);
        all.push_back(fig);
    }
    std::printf("ours built with %s; zlib %s, libdeflate %s, compiler %s; %d timed decode runs per decoder, "
                "%d builds per corpus\n",
                BENCH_DECODER_BUILD, zlibVersion(), LIBDEFLATE_VERSION_STRING, __VERSION__, reps, build_reps);
    print_figures(all);
    return 0;
}

// Decodes the corpus once with one decoder, with callgrind collecting only around the
// decoding: run under valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no.
int callgrind(int argc, char** argv) {
    Decoder d;
    if (argc != 2 || !parse_decoder(argv[0], d))
        return fail("usage: brisvane-bench callgrind ours|zlib|libdeflate|memcpy CORPUS_DIR");
    Corpus corpus;
    std::string error;
    if (!load_corpus(argv[1], corpus, error)) return fail(error);
    unsigned which = d == Decoder::ours ? (unsigned)PREPARE_OURS : d == Decoder::copy ? 0u : (unsigned)PREPARE_DEFLATE;
    if (!prepare_corpus(corpus, which, error)) return fail(error);
    DecodeRig rig;
    if (!open_rig(corpus, rig, error)) return fail(error);
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_TOGGLE_COLLECT;
    bool ok = decode_corpus(rig, d, error);
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_STOP_INSTRUMENTATION;
    ok = ok && output_matches(rig, d, error);
    close_rig(rig);
    if (!ok) return fail(error);
    std::printf("%s output_bytes %zu\n", decoder_name(d), corpus.bytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "run") == 0) return run(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "callgrind") == 0) return callgrind(argc - 2, argv + 2);
    return fail("usage: brisvane-bench run [--reps N] [--build-reps N] CORPUS_DIR... | "
                "callgrind ours|zlib|libdeflate|memcpy CORPUS_DIR");
}
