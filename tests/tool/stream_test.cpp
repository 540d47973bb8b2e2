// The compressor: every stream it makes decodes, with the program's own decoder, to exactly
// the bytes it was made from; and DEFLATE blocks whose codes the package format cannot take
// are written again in a form it can.
#include "tests/tool/tool_support.h"

#include "tools/setup-pack/bit_writer.h"
#include "tools/setup-pack/compressor.h"
#include "tools/setup-pack/program_decoder.h"
#include "tools/setup-pack/stream_parser.h"
#include "tools/setup-pack/transcoder.h"

#include <cstring>

namespace {

// Compresses, then decodes with the program's decoder under the limit extraction uses.
void expect_round_trip(const Bytes& data, const char* label) {
    Bytes stream;
    std::string error;
    ASSERT_TRUE(compress_stream(data.data(), data.size(), stream, error)) << label << ": " << error;
    Bytes decoded;
    uint32_t limit = (uint32_t)(((data.size() + 1023) / 1024 + 1) * 1024);
    EXPECT_EQ(decode_with_program(stream.data(), stream.size(), limit, decoded), 0) << label;
    EXPECT_TRUE(decoded == data) << label << ": " << decoded.size() << " bytes decoded of " << data.size();
}

}  // namespace

TEST(Compressor, RoundTripsThroughTheProgramsDecoder) {
    Bytes mixed = program_like_data(200000, 3);
    Bytes noise = random_data(70000, 4);
    mixed.insert(mixed.end(), noise.begin(), noise.end());   // compressible, then stored, then more
    Bytes tail = repetitive_data(50000);
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    // Chunks join at whatever bit the previous one ends on; the next one's stored blocks
    // must still start on a byte of the joined stream.
    Bytes then_noise = program_like_data(CHUNK_SIZE - 500, 7);
    Bytes more_noise = random_data(100000, 8);
    then_noise.insert(then_noise.end(), more_noise.begin(), more_noise.end());
    Bytes runs_then_text = Bytes(CHUNK_SIZE + 7, 'z');
    runs_then_text.insert(runs_then_text.end(), tail.begin(), tail.end());
    const struct {
        Bytes data;
        const char* label;
    } cases[] = {
        {{}, "empty"},
        {{'a'}, "one byte"},
        {{'a', 'b', 'c'}, "three bytes"},
        {repetitive_data(32768), "one window"},
        {program_like_data(32768 * 3, 1), "three windows exactly"},
        {program_like_data(32768 * 2 + 1, 2), "two windows and a byte"},
        {random_data(100000, 5), "random (stored blocks)"},
        {Bytes(300000, 0), "zeros"},
        {repetitive_data(1 << 20), "repetitive megabyte"},
        {mixed, "mixed blocks"},
        {program_like_data(3 << 20, 6), "three megabytes"},
        {then_noise, "a chunk, then stored blocks in the next"},
        {runs_then_text, "a chunk of one byte, then a phrase"},
    };
    for (const auto& c : cases) expect_round_trip(c.data, c.label);
}

TEST(Compressor, EmptyInputIsOneLastBlock) {
    Bytes stream;
    std::string error;
    ASSERT_TRUE(compress_stream(nullptr, 0, stream, error)) << error;
    ParsedStream parsed;
    ASSERT_EQ(parse_stream(stream.data(), stream.size(), StreamFormat::package, parsed), "");
    ASSERT_EQ(parsed.blocks.size(), 1u);
    EXPECT_TRUE(parsed.blocks[0].last);
    EXPECT_TRUE(parsed.output.empty());
}

TEST(Compressor, KeepsCloseToLibdeflatesSize) {
    Bytes data = program_like_data(1 << 20, 8);
    Bytes stream, deflate;
    std::string error;
    ASSERT_TRUE(compress_stream(data.data(), data.size(), stream, error)) << error;
    ASSERT_TRUE(deflate_raw(data.data(), data.size(), deflate));
    EXPECT_LE((double)stream.size(), 1.005 * (double)deflate.size());
}

// Hand-made DEFLATE blocks that a DEFLATE decoder accepts but the package format does not.
namespace {

// Writes a dynamic DEFLATE block holding the literals "ab", a match (length 3, distance 2)
// and the end, with these literal/length and distance code lengths. All code lengths are
// sent as plain code-length symbols with a 5-bit code-length code.
Bytes dynamic_deflate(const std::vector<uint8_t>& lit_lengths, const std::vector<uint8_t>& dist_lengths) {
    BitWriter w;
    w.put(1, 1);   // last
    w.put(2, 2);   // dynamic
    w.put((uint32_t)lit_lengths.size() - 257, 5);
    w.put((uint32_t)dist_lengths.size() - 1, 5);
    w.put(19 - 4, 4);
    // Code-length code: symbols 0 to 15 with 4 bits (16 codes: complete); 16 to 18 unused.
    for (unsigned i = 0; i < 19; ++i) w.put(DEFLATE_CODE_LENGTH_ORDER[i] <= 15 ? 4 : 0, 3);
    auto put_length = [&w](uint8_t len) { w.put_code(len, 4); };   // canonical: symbol n has code n
    for (uint8_t l : lit_lengths) put_length(l);
    for (uint8_t l : dist_lengths) put_length(l);
    // Canonical codes of the literal/length code.
    auto codes = [](const std::vector<uint8_t>& lengths) {
        std::vector<uint32_t> code(lengths.size());
        uint32_t next[17] = {}, count[17] = {};
        for (uint8_t l : lengths) count[l]++;
        count[0] = 0;
        for (unsigned bits = 1, c = 0; bits <= 16; ++bits) c = (c + count[bits - 1]) << 1, next[bits] = c;
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s]) code[s] = next[lengths[s]]++;
        return code;
    };
    auto lc = codes(lit_lengths), dc = codes(dist_lengths);
    w.put_code(lc['a'], lit_lengths['a']);
    w.put_code(lc['b'], lit_lengths['b']);
    w.put_code(lc[257], lit_lengths[257]);   // length 3
    w.put_code(dc[1], dist_lengths[1]);      // distance 2
    w.put_code(lc[256], lit_lengths[256]);
    return w.finish();
}

std::vector<uint8_t> literal_lengths(size_t count) {
    // 'a', 'b', 256 and 257 get codes of 2 bits: complete.
    std::vector<uint8_t> l(count, 0);
    l['a'] = l['b'] = l[256] = l[257] = 2;
    return l;
}

}  // namespace

TEST(Transcoder, RewritesBlocksThePackageFormatRefuses) {
    const struct {
        std::vector<uint8_t> lit, dist;
        bool refused;
        const char* label;
    } cases[] = {
        {literal_lengths(258), {2, 2, 0, 0}, true, "incomplete distance code of 2-bit codes"},
        {literal_lengths(258), {1, 1}, false, "complete distance code (kept)"},
        {literal_lengths(258), {0, 1}, false, "a single 1-bit distance code (kept)"},
        {literal_lengths(258), [] { std::vector<uint8_t> d(32, 0); d[0] = d[1] = 1; return d; }(), true, "32 distance lengths"},
        {literal_lengths(288), {1, 1}, true, "288 literal/length lengths"},
    };
    const Bytes expected = {'a', 'b', 'a', 'b', 'a'};
    for (const auto& c : cases) {
        Bytes deflate = dynamic_deflate(c.lit, c.dist);
        ParsedStream parsed;
        ASSERT_EQ(parse_stream(deflate.data(), deflate.size(), StreamFormat::deflate, parsed), "") << c.label;
        ASSERT_EQ(parsed.output, expected) << c.label;
        TranscodeStats stats;
        Bytes stream = transcode_deflate(deflate.data(), parsed, &stats);
        EXPECT_EQ(stats.kept, c.refused ? 0u : 1u) << c.label;
        EXPECT_EQ(stats.as_fixed + stats.as_stored, c.refused ? 1u : 0u) << c.label;
        Bytes decoded;
        EXPECT_EQ(decode_with_program(stream.data(), stream.size(), NO_OUTPUT_LIMIT, decoded), 0) << c.label;
        EXPECT_EQ(decoded, expected) << c.label;
    }
}

TEST(Transcoder, StoredBlocksLoseTheirLengthComplement) {
    // One last stored DEFLATE block "abc" becomes 0F 03 00 61 62 63.
    const Bytes deflate = {0x01, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c'};
    ParsedStream parsed;
    ASSERT_EQ(parse_stream(deflate.data(), deflate.size(), StreamFormat::deflate, parsed), "");
    EXPECT_EQ(transcode_deflate(deflate.data(), parsed), (Bytes{0x0F, 0x03, 0x00, 'a', 'b', 'c'}));
}
