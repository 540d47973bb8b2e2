#include "tools/setup-pack/stream_parser.h"

#include <cstring>

const uint8_t DEFLATE_CODE_LENGTH_ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
const uint8_t PACKAGE_CODE_LENGTH_ORDER[19] = {18, 17, 16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

const uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

namespace {

constexpr unsigned MAX_CODE_BITS = 15;

// Bits of the input, least significant first. Reading past the end is a fault, not zeros:
// the streams checked here must hold every bit they use.
struct BitReader {
    const uint8_t* data;
    size_t size;
    size_t position = 0;   // in bits
    bool overrun = false;

    uint32_t get(unsigned count) {
        if (position + count > size * 8) {
            overrun = true;
            position = size * 8;
            return 0;
        }
        uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++position)
            value |= (uint32_t)((data[position >> 3] >> (position & 7)) & 1) << i;
        return value;
    }
    void align() { position = (position + 7) & ~(size_t)7; }
};

// A canonical prefix code for decoding, one bit at a time: counts per length and the symbols
// sorted by length, then by symbol number.
struct Decoder {
    uint16_t count[MAX_CODE_BITS + 1];
    uint16_t symbol[320];

    void build(const uint8_t* lengths, unsigned n) {
        std::memset(count, 0, sizeof count);
        for (unsigned s = 0; s < n; ++s) count[lengths[s]]++;
        uint16_t offset[MAX_CODE_BITS + 2] = {};
        for (unsigned len = 1; len <= MAX_CODE_BITS; ++len) offset[len + 1] = offset[len] + count[len];
        for (unsigned s = 0; s < n; ++s)
            if (lengths[s] != 0) symbol[offset[lengths[s]]++] = (uint16_t)s;
    }

    // The next symbol, or -1 at a pattern no symbol takes (or at the end of the input).
    int decode(BitReader& in) const {
        int code = 0, first = 0, index = 0;
        for (unsigned len = 1; len <= MAX_CODE_BITS; ++len) {
            code |= (int)in.get(1);
            if (in.overrun) return -1;
            int n = count[len];
            if (code - n < first) return symbol[index + (code - first)];
            index += n;
            first += n;
            first <<= 1;
            code <<= 1;
        }
        return -1;
    }
};

// Patterns left over after the code of these lengths: 0 complete, > 0 incomplete, < 0 over-subscribed.
long code_space_left(const uint8_t* lengths, unsigned n) {
    long count[17] = {};
    for (unsigned s = 0; s < n; ++s) count[lengths[s] <= 16 ? lengths[s] : 16]++;
    long left = 1;
    for (unsigned len = 1; len <= 16; ++len) {
        left = left * 2 - count[len];
        if (left < 0) return left;
    }
    return left;
}

struct Parser {
    BitReader in;
    StreamFormat format;
    ParsedStream& out;
    size_t limit;

    std::string put_byte(uint8_t b) {
        if (out.output.size() >= limit) return "the output passes its size limit";
        out.output.push_back(b);
        return "";
    }

    std::string stored(ParsedBlock& block) {
        in.align();
        uint32_t len = in.get(16);
        if (format == StreamFormat::deflate) {
            uint32_t nlen = in.get(16);
            if (!in.overrun && (len ^ 0xFFFF) != nlen) return "a stored block's length and its complement differ";
        }
        if (in.overrun) return "the stream ends inside a stored block's header";
        if (in.position / 8 + len > in.size) return "the stream ends inside a stored block";
        for (uint32_t i = 0; i < len; ++i) {
            std::string fault = put_byte(in.data[in.position / 8 + i]);
            if (!fault.empty()) return fault;
        }
        in.position += (size_t)len * 8;
        block.end_bit = in.position;
        return "";
    }

    std::string coded_data(ParsedBlock& block, const Decoder& literals, const Decoder& distances,
                           unsigned distance_symbols) {
        for (;;) {
            int sym = literals.decode(in);
            if (sym < 0) return in.overrun ? "the stream ends inside a block" : "an invalid literal/length code";
            if (sym == (int)END_OF_BLOCK) break;
            Token t{(uint16_t)sym, 0, 0, 0};
            if (sym < 256) {
                std::string fault = put_byte((uint8_t)sym);
                if (!fault.empty()) return fault;
                block.tokens.push_back(t);
                continue;
            }
            if (sym > 285) return "literal/length symbol 286 or 287";
            unsigned li = sym - 257;
            t.length_extra = (uint16_t)in.get(LENGTH_EXTRA[li]);
            size_t length = LENGTH_BASE[li] + t.length_extra;
            int d = distances.decode(in);
            if (d < 0) return in.overrun ? "the stream ends inside a block" : "an invalid distance code";
            if (d >= 30 || (unsigned)d >= distance_symbols) return "distance code 30 or 31";
            t.distance_code = (uint16_t)d;
            t.distance_extra = (uint16_t)in.get(DISTANCE_EXTRA[d]);
            if (in.overrun) return "the stream ends inside a block";
            size_t distance = DISTANCE_BASE[d] + t.distance_extra;
            if (distance > out.output.size()) return "a distance reaches before the start of the data";
            for (size_t i = 0; i < length; ++i) {
                std::string fault = put_byte(out.output[out.output.size() - distance]);
                if (!fault.empty()) return fault;
            }
            block.tokens.push_back(t);
        }
        block.end_bit = in.position;
        return "";
    }

    std::string fixed(ParsedBlock& block) {
        uint8_t lengths[288 + 32];
        for (unsigned s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        for (unsigned s = 0; s < 32; ++s) lengths[288 + s] = 5;
        Decoder literals, distances;
        literals.build(lengths, 288);
        distances.build(lengths + 288, 32);
        block.copy_begin_bit = in.position;
        return coded_data(block, literals, distances, 30);
    }

    std::string dynamic(ParsedBlock& block) {
        block.literal_count = in.get(5) + 257;
        block.distance_count = in.get(5) + 1;
        unsigned cl_count = in.get(4) + 4;
        const uint8_t* order = format == StreamFormat::deflate ? DEFLATE_CODE_LENGTH_ORDER : PACKAGE_CODE_LENGTH_ORDER;
        for (unsigned i = 0; i < cl_count; ++i) block.code_length_lengths[order[i]] = (uint8_t)in.get(3);
        if (in.overrun) return "the stream ends inside a block header";
        if (format == StreamFormat::package &&
            (block.literal_count > MAX_LITERAL_COUNT || block.distance_count > MAX_DISTANCE_COUNT))
            return "a literal/length count above 286 or a distance count above 30";
        std::string fault = format == StreamFormat::package ? package_code_fault(block.code_length_lengths, 19, false)
                            : code_space_left(block.code_length_lengths, 19) < 0 ? "over-subscribed" : "";
        if (!fault.empty()) return "the code-length code is " + fault;
        Decoder cl;
        cl.build(block.code_length_lengths, 19);
        block.copy_begin_bit = in.position;
        unsigned total = block.literal_count + block.distance_count;
        unsigned previous = 0;
        for (unsigned n = 0; n < total;) {
            int sym = cl.decode(in);
            if (sym < 0) return in.overrun ? "the stream ends inside the code lengths" : "an invalid code-length code";
            unsigned repeat = 1, value = (unsigned)sym;
            if (sym == 16) repeat = 3 + in.get(2), value = previous;
            else if (sym == 17) repeat = 3 + in.get(3), value = 0;
            else if (sym == 18) repeat = 11 + in.get(7), value = 0;
            if (in.overrun) return "the stream ends inside the code lengths";
            if (n + repeat > total) return "a code-length repeat runs past the end";
            for (unsigned i = 0; i < repeat; ++i) block.lengths[n++] = (uint8_t)value;
            previous = value;
        }
        const uint8_t* dist_lengths = block.lengths + block.literal_count;
        if (format == StreamFormat::package) {
            fault = package_code_fault(block.lengths, block.literal_count, false);
            if (!fault.empty()) return "a literal/length code is " + fault;
            fault = package_code_fault(dist_lengths, block.distance_count, true);
            if (!fault.empty()) return "a distance code is " + fault;
        } else if (code_space_left(block.lengths, block.literal_count) < 0 ||
                   code_space_left(dist_lengths, block.distance_count) < 0) {
            return "an over-subscribed code";
        }
        if (block.lengths[END_OF_BLOCK] == 0) return "a block without an end-of-block code";
        Decoder literals, distances;
        literals.build(block.lengths, block.literal_count);
        distances.build(dist_lengths, block.distance_count);
        return coded_data(block, literals, distances, block.distance_count);
    }

    std::string run() {
        for (;;) {
            ParsedBlock block;
            block.output_begin = out.output.size();
            unsigned type;
            if (format == StreamFormat::deflate) {
                block.last = in.get(1) != 0;
                unsigned t = in.get(2);
                type = t == 0 ? 7 : t == 1 ? 5 : t == 2 ? 6 : 0;
            } else {
                unsigned header = in.get(4);
                block.last = (header & 8) != 0;
                type = header & 7;
            }
            if (in.overrun) return "the stream ends before its last block";
            std::string fault;
            if (type == 7) block.kind = BlockKind::stored, fault = stored(block);
            else if (type == 5) block.kind = BlockKind::fixed, fault = fixed(block);
            else if (type == 6) block.kind = BlockKind::dynamic, fault = dynamic(block);
            else fault = "an invalid block type";
            if (!fault.empty()) return fault;
            block.output_end = out.output.size();
            bool last = block.last;
            out.blocks.push_back(std::move(block));
            if (last) break;
        }
        out.end_bit = in.position;
        return "";
    }
};

}  // namespace

std::string package_code_fault(const uint8_t* lengths, unsigned count, bool may_be_empty) {
    unsigned longest = 0;
    for (unsigned s = 0; s < count; ++s) longest = lengths[s] > longest ? lengths[s] : longest;
    if (longest > MAX_CODE_BITS) return "longer than 15 bits";
    if (longest == 0) return may_be_empty ? "" : "empty";
    long left = code_space_left(lengths, count);
    if (left < 0) return "over-subscribed";
    if (left > 0 && longest != 1) return "incomplete";
    return "";
}

std::string parse_stream(const uint8_t* data, size_t size, StreamFormat format, ParsedStream& out,
                         size_t output_limit) {
    out = ParsedStream();
    Parser parser{BitReader{data, size}, format, out, output_limit};
    return parser.run();
}
