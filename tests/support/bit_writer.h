// Test helper: writes streams of the package's compressed format by hand.
//
// Fields go in least significant bit first, prefix codes most significant bit first. A
// PrefixCode is built from code lengths with the canonical assignment, so dynamic blocks are
// written from the lengths a test chooses. encode_fixed / encode_dynamic are a small greedy
// LZ77 encoder, the round-trip partner of the decoder in tests and benchmarks.
#pragma once

#include "tools/setup-pack/bit_writer.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace bw {

// The packer's bit writer (tools/setup-pack/bit_writer.h), with what hand-made test streams
// also need: fill bits of a test's choosing before a stored block, and the bytes so far
// without ending the stream.
class BitWriter {
public:
    // `count` bits of `value`, least significant first.
    void bits(uint32_t value, unsigned count) { writer_.put(value, count); }
    // A prefix code of `length` bits, most significant first.
    void code(uint32_t value, unsigned length) { writer_.put_code(value, length); }
    // Pads the current byte with `fill` bits (what a stored block skips).
    void align(unsigned fill = 0) {
        unsigned pad = (unsigned)((8 - writer_.bit_length() % 8) % 8);
        writer_.put((fill & 1) ? (1u << pad) - 1 : 0, pad);
    }
    void byte(uint8_t b) { bits(b, 8); }
    size_t bit_count() const { return writer_.bit_length(); }
    void raw(const std::string& s) {
        for (unsigned char ch : s) byte(ch);
    }
    // The bytes so far, the last one padded with zeros.
    std::string finish() const {
        ::BitWriter copy = writer_;
        std::vector<uint8_t> bytes = copy.finish();
        return std::string(bytes.begin(), bytes.end());
    }

private:
    ::BitWriter writer_;
};

// Canonical prefix code from lengths (0 = no code).
struct PrefixCode {
    std::vector<int> lengths;
    std::vector<uint32_t> codes;

    explicit PrefixCode(std::vector<int> l) : lengths(std::move(l)), codes(lengths.size()) {
        int max = 0;
        for (int x : lengths) max = x > max ? x : max;
        std::vector<uint32_t> count(max + 2, 0), next(max + 2, 0);
        for (int x : lengths) if (x) count[x]++;
        // RFC 1951, 3.2.2: the first code of each length.
        uint32_t c = 0;
        for (int len = 1; len <= max; ++len) {
            c = (c + count[len - 1]) << 1;
            next[len] = c;
        }
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s]) codes[s] = next[lengths[s]]++;
    }
    void put(BitWriter& w, int symbol) const { w.code(codes.at(symbol), (unsigned)lengths.at(symbol)); }
};

inline std::vector<int> fixed_literal_lengths() {
    std::vector<int> l(288);
    for (int s = 0; s < 288; ++s) l[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    return l;
}
inline const PrefixCode& fixed_literal_code() {
    static PrefixCode c(fixed_literal_lengths());
    return c;
}
inline const PrefixCode& fixed_distance_code() {
    static PrefixCode c(std::vector<int>(32, 5));   // codes 30 and 31 written only by bad streams
    return c;
}

// Block headers: the type in bits 0..2, bit 3 on the last block.
enum { FIXED = 5, DYNAMIC = 6, STORED = 7 };
inline void header(BitWriter& w, unsigned type, bool last) { w.bits(type | (last ? 8u : 0u), 4); }

inline void stored_block(BitWriter& w, const std::string& data, bool last, unsigned skipped_fill = 0) {
    header(w, STORED, last);
    w.align(skipped_fill);
    w.bits((uint32_t)data.size(), 16);
    w.raw(data);
}

// Length and distance symbols (RFC 1951, 3.2.5).
struct LengthCode { int symbol; int extra_bits; int extra; };
inline LengthCode length_code(int length) {
    static const int base[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43,
                                 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3,
                                  4, 4, 4, 4, 5, 5, 5, 5, 0};
    for (int i = 28; i >= 0; --i)
        if (length >= base[i]) return {257 + i, extra[i], length - base[i]};
    return {-1, 0, 0};
}
inline LengthCode distance_code(int distance) {
    int base = 1, step = 1;
    for (int i = 0; i < 30; ++i) {
        int next = base + step;
        if (i > 3 && i % 2 == 0) { step *= 2; next = base + step; }
        int extra = i < 4 ? 0 : (i - 2) / 2;
        if (distance < base + (1 << extra)) return {i, extra, distance - base};
        base = next;
    }
    return {-1, 0, 0};
}

// The coded data of one block: literals and (length, distance) matches, then end of block.
struct Item { int literal; int length; int distance; };   // literal < 0 for a match
inline void put_items(BitWriter& w, const std::vector<Item>& items, const PrefixCode& lit,
                      const PrefixCode& dist, bool end = true) {
    for (const Item& it : items) {
        if (it.literal >= 0) { lit.put(w, it.literal); continue; }
        LengthCode lc = length_code(it.length);
        lit.put(w, lc.symbol);
        w.bits((uint32_t)lc.extra, (unsigned)lc.extra_bits);
        LengthCode dc = distance_code(it.distance);
        dist.put(w, dc.symbol);
        w.bits((uint32_t)dc.extra, (unsigned)dc.extra_bits);
    }
    if (end) lit.put(w, 256);
}

// Greedy LZ77 parse with a hash of 3-byte prefixes (distances up to 32768, lengths 3..258).
inline std::vector<Item> parse(const std::string& data) {
    std::vector<Item> items;
    std::vector<int> head(1 << 15, -1), prev(data.size(), -1);
    auto hash = [&](size_t i) {
        return (((unsigned char)data[i] << 10) ^ ((unsigned char)data[i + 1] << 5) ^
                (unsigned char)data[i + 2]) & 0x7FFF;
    };
    size_t i = 0;
    while (i < data.size()) {
        int best = 0, best_distance = 0;
        if (i + 3 <= data.size()) {
            int candidate = head[hash(i)];
            for (int tries = 0; candidate >= 0 && tries < 32; ++tries, candidate = prev[candidate]) {
                int distance = (int)i - candidate;
                if (distance > 32768) break;
                int n = 0;
                while (n < 258 && i + n < data.size() && data[candidate + n] == data[i + n]) ++n;
                if (n > best) { best = n; best_distance = distance; }
            }
        }
        size_t advance = best >= 3 ? (size_t)best : 1;
        if (best >= 3) items.push_back({-1, best, best_distance});
        else items.push_back({(unsigned char)data[i], 0, 0});
        for (size_t k = 0; k < advance; ++k, ++i) {
            if (i + 3 <= data.size()) {
                unsigned h = hash(i);
                prev[i] = head[h];
                head[h] = (int)i;
            }
        }
    }
    return items;
}

// One last fixed block holding `data`.
inline std::string encode_fixed(const std::string& data) {
    BitWriter w;
    header(w, FIXED, true);
    put_items(w, parse(data), fixed_literal_code(), fixed_distance_code());
    return w.finish();
}

// A complete code-length code: 13 symbols of 4 bits and 6 of 5 bits.
inline std::vector<int> plain_length_code_lengths() {
    std::vector<int> l(19, 4);
    for (int s : {13, 14, 15, 16, 17, 18}) l[s] = 5;
    return l;
}

// The order in which a dynamic block stores the code-length code's lengths.
inline int length_order(int i) { return i < 3 ? 18 - i : i - 3; }

// A dynamic block header: counts, the code-length code (lengths of symbols 0..18, written in
// the format's order, `stored_count` of them), then `sequence`: code-length symbols with the
// value of their extra bits.
inline void dynamic_header(BitWriter& w, bool last, int literal_count, int distance_count,
                           const std::vector<int>& length_code_lengths, int stored_count,
                           const std::vector<std::pair<int, int>>& sequence) {
    header(w, DYNAMIC, last);
    w.bits((uint32_t)(literal_count - 257), 5);
    w.bits((uint32_t)(distance_count - 1), 5);
    w.bits((uint32_t)(stored_count - 4), 4);
    for (int i = 0; i < stored_count; ++i) w.bits((uint32_t)length_code_lengths[length_order(i)], 3);
    PrefixCode lc(length_code_lengths);
    for (auto [symbol, extra] : sequence) {
        lc.put(w, symbol);
        if (symbol == 16) w.bits((uint32_t)extra, 2);
        if (symbol == 17) w.bits((uint32_t)extra, 3);
        if (symbol == 18) w.bits((uint32_t)extra, 7);
    }
}

// A dynamic block header for these literal/length and distance lengths, each written as a
// plain length symbol.
inline void dynamic_header(BitWriter& w, bool last, const std::vector<int>& literal_lengths,
                           const std::vector<int>& distance_lengths) {
    std::vector<std::pair<int, int>> seq;
    for (int x : literal_lengths) seq.push_back({x, 0});
    for (int x : distance_lengths) seq.push_back({x, 0});
    dynamic_header(w, last, (int)literal_lengths.size(), (int)distance_lengths.size(),
                   plain_length_code_lengths(), 19, seq);
}

// Complete lengths for a dynamic block using all 286 literal/length and 30 distance symbols.
inline std::vector<int> full_literal_lengths() {
    std::vector<int> l(286, 9);
    for (int s = 256; s < 286; ++s) l[s] = s < 258 ? 5 : 6;
    return l;
}
inline std::vector<int> full_distance_lengths() {
    std::vector<int> l(30, 5);
    l[0] = l[1] = 4;
    return l;
}

// One last dynamic block holding `data`.
inline std::string encode_dynamic(const std::string& data) {
    BitWriter w;
    auto lit = full_literal_lengths();
    auto dist = full_distance_lengths();
    dynamic_header(w, true, lit, dist);
    put_items(w, parse(data), PrefixCode(lit), PrefixCode(dist));
    return w.finish();
}

inline std::string hex(const char* text) {
    std::string out;
    auto nib = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (const char* p = text; *p;) {
        if (*p == ' ') { ++p; continue; }
        out.push_back((char)(nib(p[0]) * 16 + nib(p[1])));
        p += 2;
    }
    return out;
}

// Random complete code lengths for `symbols` symbols, none longer than 15 bits: leaves of a
// binary tree split at random, so that many codes need the tables' second level.
inline std::vector<int> random_complete_lengths(std::mt19937& rng, size_t symbols) {
    std::vector<int> leaves = {1, 1};
    while (leaves.size() < symbols) {
        size_t pick = rng() % leaves.size();
        if (leaves[pick] >= 15) continue;
        leaves[pick]++;
        leaves.push_back(leaves[pick]);
    }
    std::shuffle(leaves.begin(), leaves.end(), rng);
    return leaves;
}

}  // namespace bw
