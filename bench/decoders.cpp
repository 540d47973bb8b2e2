#include "bench/decoders.h"

#include "decompress/decoder.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool write_all(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k <= 0) return false;
        p += k;
        n -= (size_t)k;
    }
    return true;
}

bool decode_ours(DecodeRig& rig, std::string& error) {
    if (::lseek(rig.out_fd, 0, SEEK_SET) != 0) {
        error = "cannot rewind the output file";
        return false;
    }
    const auto& files = rig.corpus->files;
    for (size_t i = 0; i < files.size(); ++i) {
        ::lseek(rig.in_fd, (off_t)rig.in_offsets[i], SEEK_SET);
        int status = expand_entry(rig.out_fd, rig.in_fd, 0);
        if (status != 0) {
            error = files[i].name + ": our decoder returned status " + std::to_string(status);
            return false;
        }
    }
    return true;
}

bool decode_zlib(DecodeRig& rig, std::string& error) {
    auto* z = static_cast<z_stream*>(rig.zlib_stream);
    for (const CorpusFile& f : rig.corpus->files) {
        inflateReset(z);
        z->next_in = const_cast<Bytef*>(f.deflate.data());
        z->avail_in = (uInt)f.deflate.size();
        z->next_out = rig.output.data() + f.offset;
        z->avail_out = (uInt)f.data.size();
        if (inflate(z, Z_FINISH) != Z_STREAM_END || z->avail_out != 0) {
            error = f.name + ": zlib's inflate failed";
            return false;
        }
    }
    return true;
}

bool decode_libdeflate(DecodeRig& rig, std::string& error) {
    auto* d = static_cast<libdeflate_decompressor*>(rig.libdeflate);
    for (const CorpusFile& f : rig.corpus->files) {
        size_t got = 0;
        if (libdeflate_deflate_decompress(d, f.deflate.data(), f.deflate.size(), rig.output.data() + f.offset,
                                          f.data.size(), &got) != LIBDEFLATE_SUCCESS ||
            got != f.data.size()) {
            error = f.name + ": libdeflate's decompressor failed";
            return false;
        }
    }
    return true;
}

void copy_corpus(DecodeRig& rig) {
    for (const CorpusFile& f : rig.corpus->files) std::memcpy(rig.output.data() + f.offset, f.data.data(), f.data.size());
}

}  // namespace

const char* decoder_name(Decoder d) {
    switch (d) {
    case Decoder::ours: return "ours";
    case Decoder::zlib: return "zlib";
    case Decoder::libdeflate: return "libdeflate";
    case Decoder::copy: return "memcpy";
    }
    return "?";
}

bool parse_decoder(const std::string& text, Decoder& d) {
    for (Decoder k : {Decoder::ours, Decoder::zlib, Decoder::libdeflate, Decoder::copy})
        if (text == decoder_name(k)) {
            d = k;
            return true;
        }
    return false;
}

bool open_rig(const Corpus& corpus, DecodeRig& rig, std::string& error) {
    rig.corpus = &corpus;
    rig.output.assign(corpus.bytes, 0xA5);   // touched now, so no run pays for page faults
    rig.in_fd = ::memfd_create("bench-in", MFD_CLOEXEC);
    rig.out_fd = ::memfd_create("bench-out", MFD_CLOEXEC);
    if (rig.in_fd < 0 || rig.out_fd < 0) {
        error = "cannot make in-memory files";
        return false;
    }
    size_t at = 0;
    for (const CorpusFile& f : corpus.files) {
        rig.in_offsets.push_back(at);
        if (!write_all(rig.in_fd, f.ours.data(), f.ours.size())) {
            error = "cannot fill the input file";
            return false;
        }
        at += f.ours.size();
    }
    auto* z = new z_stream{};
    rig.zlib_stream = z;
    if (inflateInit2(z, -15) != Z_OK) {
        error = "inflateInit2 failed";
        return false;
    }
    rig.libdeflate = libdeflate_alloc_decompressor();
    if (!rig.libdeflate) {
        error = "libdeflate_alloc_decompressor failed";
        return false;
    }
    return true;
}

void close_rig(DecodeRig& rig) {
    if (rig.in_fd >= 0) ::close(rig.in_fd);
    if (rig.out_fd >= 0) ::close(rig.out_fd);
    if (rig.zlib_stream) {
        inflateEnd(static_cast<z_stream*>(rig.zlib_stream));
        delete static_cast<z_stream*>(rig.zlib_stream);
    }
    if (rig.libdeflate) libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(rig.libdeflate));
    rig = DecodeRig();
}

bool decode_corpus(DecodeRig& rig, Decoder d, std::string& error) {
    switch (d) {
    case Decoder::ours: return decode_ours(rig, error);
    case Decoder::zlib: return decode_zlib(rig, error);
    case Decoder::libdeflate: return decode_libdeflate(rig, error);
    case Decoder::copy: copy_corpus(rig); return true;
    }
    return false;
}

bool output_matches(DecodeRig& rig, Decoder d, std::string& error) {
    const Corpus& c = *rig.corpus;
    std::vector<uint8_t> got;
    if (d == Decoder::ours) {
        got.resize(c.bytes);
        if (::pread(rig.out_fd, got.data(), got.size(), 0) != (ssize_t)got.size()) {
            error = "cannot read our decoder's output back";
            return false;
        }
    }
    const std::vector<uint8_t>& out = d == Decoder::ours ? got : rig.output;
    for (const CorpusFile& f : c.files)
        if (std::memcmp(out.data() + f.offset, f.data.data(), f.data.size()) != 0) {
            error = std::string(decoder_name(d)) + " decoded " + f.name + " wrongly";
            return false;
        }
    return true;
}
