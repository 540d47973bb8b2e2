#include "tools/setup-pack/transcoder.h"

#include "tools/setup-pack/bit_writer.h"

namespace {

// Copies the bits [begin, end) of `data` to the writer.
void copy_bits(const uint8_t* data, size_t begin, size_t end, BitWriter& out) {
    while (begin < end) {
        unsigned n = end - begin < 24 ? (unsigned)(end - begin) : 24;
        uint32_t value = 0;
        for (unsigned i = 0; i < n; ++i, ++begin) value |= (uint32_t)((data[begin >> 3] >> (begin & 7)) & 1) << i;
        out.put(value, n);
    }
}

// The fixed literal/length code of a symbol, and its length.
void fixed_literal_code(unsigned symbol, uint32_t& code, unsigned& length) {
    if (symbol < 144) code = 0x30 + symbol, length = 8;
    else if (symbol < 256) code = 0x190 + (symbol - 144), length = 9;
    else if (symbol < 280) code = symbol - 256, length = 7;
    else code = 0xC0 + (symbol - 280), length = 8;
}

size_t fixed_block_bits(const ParsedBlock& block) {
    size_t bits = 4 + 7;   // header and end-of-block
    for (const Token& t : block.tokens) {
        uint32_t code;
        unsigned length;
        fixed_literal_code(t.symbol, code, length);
        bits += length;
        if (t.symbol > END_OF_BLOCK)
            bits += LENGTH_EXTRA[t.symbol - 257] + 5 + DISTANCE_EXTRA[t.distance_code];
    }
    return bits;
}

// Bits taken by the block written as stored blocks, starting `position` bits into the stream.
size_t stored_blocks_bits(size_t bytes, size_t position) {
    size_t start = position;
    do {
        size_t piece = bytes < MAX_STORED_LENGTH ? bytes : MAX_STORED_LENGTH;
        position += 4;
        position = (position + 7) & ~(size_t)7;
        position += 16 + piece * 8;
        bytes -= piece;
    } while (bytes != 0);
    return position - start;
}

void write_fixed_block(const ParsedBlock& block, BitWriter& out, size_t& header_bit) {
    header_bit = out.bit_length();
    out.put(PACKAGE_FIXED_BLOCK | (block.last ? PACKAGE_LAST_BLOCK : 0), 4);
    for (const Token& t : block.tokens) {
        uint32_t code;
        unsigned length;
        fixed_literal_code(t.symbol, code, length);
        out.put_code(code, length);
        if (t.symbol > END_OF_BLOCK) {
            out.put(t.length_extra, LENGTH_EXTRA[t.symbol - 257]);
            out.put_code(t.distance_code, 5);
            out.put(t.distance_extra, DISTANCE_EXTRA[t.distance_code]);
        }
    }
    out.put_code(0, 7);   // end of block
}

void write_stored_blocks(const uint8_t* bytes, size_t count, bool last, BitWriter& out, size_t& header_bit) {
    do {
        size_t piece = count < MAX_STORED_LENGTH ? count : MAX_STORED_LENGTH;
        bool final_piece = piece == count;
        header_bit = out.bit_length();
        out.put(PACKAGE_STORED_BLOCK | (last && final_piece ? PACKAGE_LAST_BLOCK : 0), 4);
        out.align();
        out.put((uint32_t)piece, 16);
        out.put_bytes(bytes, piece);
        bytes += piece;
        count -= piece;
    } while (count != 0);
}

bool package_accepts(const ParsedBlock& block) {
    return block.literal_count <= MAX_LITERAL_COUNT && block.distance_count <= MAX_DISTANCE_COUNT &&
           package_code_fault(block.code_length_lengths, 19, false).empty() &&
           package_code_fault(block.lengths, block.literal_count, false).empty() &&
           package_code_fault(block.lengths + block.literal_count, block.distance_count, true).empty();
}

void write_dynamic_header(const ParsedBlock& block, BitWriter& out, size_t& header_bit) {
    header_bit = out.bit_length();
    out.put(PACKAGE_DYNAMIC_BLOCK | (block.last ? PACKAGE_LAST_BLOCK : 0), 4);
    out.put(block.literal_count - 257, 5);
    out.put(block.distance_count - 1, 5);
    unsigned count = 19;
    while (count > 4 && block.code_length_lengths[PACKAGE_CODE_LENGTH_ORDER[count - 1]] == 0) --count;
    out.put(count - 4, 4);
    for (unsigned i = 0; i < count; ++i) out.put(block.code_length_lengths[PACKAGE_CODE_LENGTH_ORDER[i]], 3);
}

}  // namespace

std::vector<uint8_t> transcode_deflate(const uint8_t* deflate, const ParsedStream& parsed, TranscodeStats* stats) {
    BitWriter out;
    TranscodeStats local;
    for (const ParsedBlock& block : parsed.blocks) {
        const uint8_t* bytes = parsed.output.data() + block.output_begin;
        size_t count = block.output_end - block.output_begin;
        local.blocks++;
        switch (block.kind) {
        case BlockKind::stored:
            write_stored_blocks(bytes, count, block.last, out, local.last_header_bit);
            local.kept++;
            break;
        case BlockKind::fixed:
            local.last_header_bit = out.bit_length();
            out.put(PACKAGE_FIXED_BLOCK | (block.last ? PACKAGE_LAST_BLOCK : 0), 4);
            copy_bits(deflate, block.copy_begin_bit, block.end_bit, out);
            local.kept++;
            break;
        case BlockKind::dynamic:
            if (package_accepts(block)) {
                write_dynamic_header(block, out, local.last_header_bit);
                copy_bits(deflate, block.copy_begin_bit, block.end_bit, out);
                local.kept++;
            } else if (fixed_block_bits(block) <= stored_blocks_bits(count, out.bit_length())) {
                write_fixed_block(block, out, local.last_header_bit);
                local.as_fixed++;
            } else {
                write_stored_blocks(bytes, count, block.last, out, local.last_header_bit);
                local.as_stored++;
            }
            break;
        }
    }
    local.bit_length = out.bit_length();
    if (stats) *stats = local;
    return out.finish();
}
