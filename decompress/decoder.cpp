// The stream loop and the three block decoders. The data of fixed and dynamic blocks is
// decoded by expand_codes (expand_codes.cpp).
#include "decompress/decoder.h"

#include "common/status.h"
#include "decompress/bit_input.h"
#include "decompress/channels.h"
#include "decompress/code_tables.h"
#include "common/memory_blocks.h"

#include <cstring>

DecoderState decoder;

const uint16_t bit_masks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F,
                                0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF,
                                0x3FFF, 0x7FFF, 0xFFFF};
unsigned literal_lookup_bits = 10;
unsigned distance_lookup_bits = 6;

namespace {

constexpr unsigned MAX_LITERAL_COUNT = 286;
constexpr unsigned MAX_DISTANCE_COUNT = 30;

// The symbols of the length code (from 257) or the distance code: each one's base and its
// number of extra bits, the op of its table entry.
template <unsigned N>
struct MatchCodes {
    uint16_t base[N];
    uint8_t extra[N];
};

// Each base follows the one before by the range that one's extra bits cover, so the codes
// leave no value out and give none twice. The extra bits grow by one every four symbols.
constexpr MatchCodes<31> length_codes() {
    MatchCodes<31> codes{};
    unsigned base = 3;   // the shortest match
    for (unsigned i = 0; i < 28; ++i) {   // symbols 257..284: extra bits 0 (eight times), 1..5
        codes.extra[i] = (uint8_t)(i < 8 ? 0 : (i - 4) / 4);
        codes.base[i] = (uint16_t)base;
        base += 1u << codes.extra[i];
    }
    codes.base[28] = 258;   // 285: the longest match, without extra bits (the rule: 227 + 32)
    // 286 and 287 have codes in the fixed code only; their entries decode as invalid.
    for (unsigned i = 29; i < 31; ++i) codes.extra[i] = CODE_OP_INVALID;
    return codes;
}

constexpr MatchCodes<30> distance_codes() {
    MatchCodes<30> codes{};
    unsigned base = 1;
    for (unsigned i = 0; i < 30; ++i) {   // extra bits 0 (four times), then 1..13 twice each
        codes.extra[i] = (uint8_t)(i < 4 ? 0 : (i - 2) / 2);
        codes.base[i] = (uint16_t)base;
        base += 1u << codes.extra[i];
    }
    return codes;
}

// Built by the compiler; the checks pin the rule's results to the format's figures.
constexpr MatchCodes<31> LENGTH_CODES = length_codes();
constexpr MatchCodes<30> DISTANCE_CODES = distance_codes();
static_assert(LENGTH_CODES.base[8] == 11 && LENGTH_CODES.extra[8] == 1 && LENGTH_CODES.base[27] == 227 &&
              LENGTH_CODES.extra[27] == 5 && LENGTH_CODES.base[28] == 258 && LENGTH_CODES.extra[28] == 0);
static_assert(DISTANCE_CODES.base[4] == 5 && DISTANCE_CODES.extra[4] == 1 && DISTANCE_CODES.base[29] == 24577 &&
              DISTANCE_CODES.extra[29] == 13 && DISTANCE_CODES.base[29] + (1u << 13) - 1 == WINDOW_SIZE);

// The symbol whose code-length code length comes i-th in a dynamic block's header:
// 18, 17, 16, then 0 to 15.
constexpr unsigned code_length_symbol(unsigned i) { return i < 3 ? 18 - i : i - 3; }

// The status for a code that could not be made into tables. The code builder's own numbers
// are not statuses: its "over-subscribed" must never read as the user's Cancel.
int table_status(int result) {
    if (result == CODE_OVERSUBSCRIBED) return STATUS_BAD_BLOCK;
    if (result == CODE_NO_MEMORY) return STATUS_TABLE_MEMORY;
    return STATUS_BAD_DATA;
}

// The status of a failed write to the output channel.
int output_failure_status() {
    return decoder.output->failure == CHANNEL_FAILURE_CANCELLED ? STATUS_CANCELLED : STATUS_BAD_DATA;
}

}  // namespace

bool refill_input() {
    if (decoder.input_status != 0) return false;
    int result = channel_fill(decoder.input);
    if (result == CHANNEL_OK) return true;
    decoder.input_status = result == CHANNEL_END ? STATUS_BAD_DATA : STATUS_CANCELLED;
    return false;
}

int write_window() {
    if (channel_write(decoder.output, decoder.window, WINDOW_SIZE) != CHANNEL_OK)
        return output_failure_status();
    decoder.window_pos = 0;
    return STATUS_OK;
}

int expand_entry(HFILE output, HFILE input, uint32_t limit) {
    StreamChannel* in = channel_open(input, CHANNEL_DEFAULT_CAPACITY, CHANNEL_NO_INPUT_LIMIT, 0);
    StreamChannel* out = in ? channel_open(output, CHANNEL_DEFAULT_CAPACITY, limit, 1) : nullptr;
    int status = MSG_NO_MEMORY;
    if (in && out) {
        decoder.input = in;
        decoder.output = out;
        status = expand_stream();
    }
    // The output channel still holds the last piece of the file: its write decides, too.
    int failure = CHANNEL_FAILURE_NONE;
    if (channel_close(out, &failure) != CHANNEL_OK && status == STATUS_OK)
        status = failure == CHANNEL_FAILURE_CANCELLED ? STATUS_CANCELLED : STATUS_BAD_DATA;
    channel_close(in);
    decoder.input = decoder.output = nullptr;
    return status;
}

int expand_stream() {
    decoder.fixed_literal_table = decoder.fixed_distance_table = nullptr;
    decoder.fixed_literal_bits = decoder.fixed_distance_bits = 0;
    decoder.window_pos = 0;
    decoder.bit_count = 0;
    decoder.bit_buffer = 0;
    decoder.input_status = 0;
    decoder.window = static_cast<uint8_t*>(alloc_block(WINDOW_SIZE, &decoder.window_block));
    if (!decoder.window) return MSG_NO_MEMORY;

    int status;
    unsigned header;
    do {
        BitState b = load_bits();
        if (!take_bits(b, 4, &header)) {
            status = short_input_status();
            break;
        }
        store_bits(b);
        switch (header & 7) {
        case 5: status = expand_fixed_block(); break;
        case 6: status = expand_dynamic_block(); break;
        case 7: status = expand_stored_block(); break;
        default: status = STATUS_BAD_BLOCK; break;
        }
    } while (status == STATUS_OK && !(header & 8));

    if (status == STATUS_OK && decoder.window_pos > 0 &&
        channel_write(decoder.output, decoder.window, decoder.window_pos) != CHANNEL_OK)
        status = output_failure_status();

    if (decoder.fixed_literal_table) {
        free_code_tables(decoder.fixed_distance_table);
        free_code_tables(decoder.fixed_literal_table);
        decoder.fixed_literal_table = decoder.fixed_distance_table = nullptr;
    }
    free_block(&decoder.window_block);
    decoder.window = nullptr;
    return status;
}

int expand_stored_block() {
    BitState b = load_bits();
    drop_bits(b, b.count % 8);   // to the next byte boundary; these bits mean nothing
    unsigned remaining;
    if (!take_bits(b, 16, &remaining)) return short_input_status();

    uint8_t* window = decoder.window;
    uint32_t pos = decoder.window_pos;
    int status = STATUS_OK;
    while (remaining > 0) {
        unsigned byte;
        if (!take_bits(b, 8, &byte)) {
            status = short_input_status();
            break;
        }
        window[pos++] = (uint8_t)byte;
        --remaining;
        if (pos == WINDOW_SIZE) {
            decoder.window_pos = pos;
            status = write_window();
            if (status != STATUS_OK) break;
            pos = 0;
        }
    }
    decoder.window_pos = pos;
    store_bits(b);
    return status;
}

int expand_fixed_block() {
    if (!decoder.fixed_literal_table) {
        uint8_t lengths[288];
        unsigned s = 0;
        for (; s < 144; ++s) lengths[s] = 8;
        for (; s < 256; ++s) lengths[s] = 9;
        for (; s < 280; ++s) lengths[s] = 7;
        for (; s < 288; ++s) lengths[s] = 8;
        decoder.fixed_literal_bits = 7;
        int result = build_code_tables(lengths, 288, 257, LENGTH_CODES.base, LENGTH_CODES.extra,
                                       &decoder.fixed_literal_table, &decoder.fixed_literal_bits);
        if (result != CODE_COMPLETE) {
            // The fixed lengths always make a complete code; anything else is memory.
            if (result == CODE_INCOMPLETE) free_code_tables(decoder.fixed_literal_table);
            decoder.fixed_literal_table = nullptr;
            return table_status(result);
        }
        for (s = 0; s < 30; ++s) lengths[s] = 5;
        decoder.fixed_distance_bits = 5;
        result = build_code_tables(lengths, 30, 0, DISTANCE_CODES.base, DISTANCE_CODES.extra,
                                   &decoder.fixed_distance_table, &decoder.fixed_distance_bits);
        if (result > CODE_INCOMPLETE) {   // 30 of the 32 patterns taken is expected
            free_code_tables(decoder.fixed_literal_table);
            decoder.fixed_literal_table = decoder.fixed_distance_table = nullptr;
            return table_status(result);
        }
    }
    return expand_codes(decoder.fixed_literal_table, decoder.fixed_distance_table,
                        decoder.fixed_literal_bits, decoder.fixed_distance_bits);
}

namespace {

// Reads the literal/length and distance code lengths of a dynamic block (`total` of them)
// with the code-length code. Returns 0 or a status.
int read_code_lengths(const CodeEntry* table, unsigned table_bits, uint8_t* lengths, unsigned total) {
    if (!table) return STATUS_BAD_DATA;   // a code-length code without any code
    BitState b = load_bits();
    int status = STATUS_OK;
    unsigned previous = 0;
    unsigned n = 0;
    while (n < total) {
        need_bits(b, table_bits);
        const CodeEntry& e = table[b.buffer & bit_masks[table_bits]];
        if (e.op != CODE_OP_LITERAL) { status = STATUS_BAD_DATA; break; }
        if (!drop_bits(b, e.bits)) { status = short_input_status(); break; }
        unsigned symbol = e.value;
        if (symbol < 16) {
            lengths[n++] = (uint8_t)symbol;
            previous = symbol;
            continue;
        }
        unsigned extra_bits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        unsigned repeat = symbol == 16 ? 3 : symbol == 17 ? 3 : 11;
        unsigned extra;
        if (!take_bits(b, extra_bits, &extra)) { status = short_input_status(); break; }
        repeat += extra;
        if (n + repeat > total) { status = STATUS_BAD_DATA; break; }
        unsigned value = symbol == 16 ? previous : 0;
        while (repeat--) lengths[n++] = (uint8_t)value;
        previous = value;
    }
    store_bits(b);
    return status;
}

}  // namespace

int expand_dynamic_block() {
    BitState b = load_bits();
    unsigned literal_count, distance_count, length_code_count;
    if (!take_bits(b, 5, &literal_count) || !take_bits(b, 5, &distance_count) ||
        !take_bits(b, 4, &length_code_count))
        return short_input_status();
    literal_count += 257;
    distance_count += 1;
    length_code_count += 4;
    if (literal_count > MAX_LITERAL_COUNT || distance_count > MAX_DISTANCE_COUNT) return STATUS_BAD_DATA;

    uint8_t lengths[MAX_LITERAL_COUNT + MAX_DISTANCE_COUNT] = {};
    for (unsigned i = 0; i < length_code_count; ++i) {
        unsigned length;
        if (!take_bits(b, 3, &length)) return short_input_status();
        lengths[code_length_symbol(i)] = (uint8_t)length;
    }
    store_bits(b);

    CodeEntry* length_table = nullptr;
    unsigned length_bits = 7;
    int result = build_code_tables(lengths, 19, 19, nullptr, nullptr, &length_table, &length_bits);
    if (result != CODE_COMPLETE) {
        if (result == CODE_INCOMPLETE) free_code_tables(length_table);
        return table_status(result);
    }
    unsigned total = literal_count + distance_count;
    std::memset(lengths, 0, 19);
    int status = read_code_lengths(length_table, length_bits, lengths, total);
    free_code_tables(length_table);
    if (status != STATUS_OK) return status;

    CodeEntry* literal_table = nullptr;
    unsigned literal_bits = literal_lookup_bits;
    result = build_code_tables(lengths, literal_count, 257, LENGTH_CODES.base, LENGTH_CODES.extra,
                               &literal_table, &literal_bits);
    if (result != CODE_COMPLETE) {
        if (result == CODE_INCOMPLETE) free_code_tables(literal_table);
        return table_status(result);
    }
    CodeEntry* distance_table = nullptr;
    unsigned distance_bits = distance_lookup_bits;
    result = build_code_tables(lengths + literal_count, distance_count, 0, DISTANCE_CODES.base,
                               DISTANCE_CODES.extra, &distance_table, &distance_bits);
    if (result != CODE_COMPLETE) {
        if (result == CODE_INCOMPLETE) free_code_tables(distance_table);
        free_code_tables(literal_table);
        return table_status(result);
    }
    status = expand_codes(literal_table, distance_table, literal_bits, distance_bits);
    free_code_tables(distance_table);
    free_code_tables(literal_table);
    return status;
}
