// The decoder's hot loop: coded literals and matches into the window.
//
// Two paths decode the same items. The fast path runs while the input channel holds enough
// bytes for any item and the window has room for the longest match: it takes input a machine
// word at a time and needs no end-of-input or window-end checks inside an item. The careful
// path decodes one item at a time near those edges: bytes one by one, missing bits at the end
// of the input read as zeros, the window written out as soon as it is full.
#include "common/status.h"
#include "decompress/bit_input.h"
#include "decompress/code_tables.h"
#include "decompress/decoder.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;
constexpr uint32_t MAX_MATCH = 258;

// The fast path's bit buffer: a machine word, filled a word at a time.
using BitWord = uintptr_t;
constexpr unsigned WORD_BITS = sizeof(BitWord) * 8;
constexpr unsigned WORD_BYTES = sizeof(BitWord);
// Bits held after a refill: at least this many (56 on 64 bits, 24 on 32 bits).
constexpr unsigned REFILLED_BITS = WORD_BITS - 8;
// Longest code (a root entry and a sub-table entry together), longest extra-bit fields.
constexpr unsigned MAX_CODE_BITS = 15;
constexpr unsigned MAX_LENGTH_EXTRA = 5;
constexpr unsigned MAX_DISTANCE_EXTRA = 13;

// Literals decoded in a row without a refill: each takes a bit or more, and the row stops
// when fewer bits than a whole code are left.
constexpr uint32_t MAX_LITERAL_ROW = WORD_BITS - MAX_CODE_BITS + 1;
// The fast path starts an item only where the window can take a row of literals and the
// longest match after it without reaching its end (so nothing there fills the window) ...
constexpr uint32_t FAST_WINDOW_LIMIT = WINDOW_SIZE - MAX_LITERAL_ROW - MAX_MATCH;
// ... and the input channel holds what the refills of one item may load: at most three
// refills (two on 64 bits), each taking fewer bytes than the word it loads.
constexpr uint32_t FAST_INPUT_MARGIN = 3 * WORD_BYTES;

// Results of expand_fast besides a status.
constexpr int FAST_EDGE = -1;   // an edge of the input or the window is near: go careful
constexpr int FAST_END = -2;    // the end-of-block code was decoded

// The distance table of a block whose distance code has no symbols: its one entry is
// invalid, so a match there fails as an invalid code.
const CodeEntry NO_DISTANCES[1] = {{CODE_OP_INVALID, 0, {0}}};

inline BitWord load_word(const uint8_t* p) {
    BitWord w;
    std::memcpy(&w, p, sizeof w);   // the file's byte order is the machine's (little-endian)
    return w;
}

inline BitWord low_bits(BitWord v, unsigned n) { return v & bit_masks[n]; }   // n <= 16

// Looks up the entry for the next code of a table tree, following links into sub-tables.
// Returns null at an invalid pattern; sets *short_input when the bits ran out on the way.
inline const CodeEntry* look_up(BitState& b, const CodeEntry* table, unsigned root_bits,
                                bool* short_input) {
    need_bits(b, root_bits);
    const CodeEntry* e = table + (b.buffer & bit_masks[root_bits]);
    while (e->op > CODE_OP_LINK) {
        if (e->op == CODE_OP_INVALID) return nullptr;
        if (!drop_bits(b, e->bits)) {
            *short_input = true;
            return nullptr;
        }
        unsigned n = e->op - CODE_OP_LINK;
        need_bits(b, n);
        e = e->table + (b.buffer & bit_masks[n]);
    }
    if (!drop_bits(b, e->bits)) {
        *short_input = true;
        return nullptr;
    }
    return e;
}

inline void copy8(uint8_t* to, const uint8_t* from) {
    uint64_t piece;
    std::memcpy(&piece, from, 8);
    std::memcpy(to, &piece, 8);
}

inline void copy4(uint8_t* to, const uint8_t* from) {
    uint32_t piece;
    std::memcpy(&piece, from, 4);
    std::memcpy(to, &piece, 4);
}

// Copies `length` bytes from `source` to `pos` in the window, front to back, as a byte loop
// would: a source that runs into the copy repeats the bytes it writes. Neither side may pass
// the window's end. Bytes behind the copy's end are never touched: they still hold the data
// a later match 32768 bytes back reads.
inline void copy_match(uint8_t* window, uint32_t pos, uint32_t source, uint32_t length) {
    uint8_t* to = window + pos;
    const uint8_t* from = window + source;
    uint32_t gap = pos - source;   // wraps to a large value when the source lies ahead
    if (source < pos ? gap >= 8 || gap >= length : source - pos >= length) {
        // The source lies behind by 8 or more, or clear of the copy. Pieces of 8 bytes: each
        // is read before it is written and reads only bytes already final. The last piece
        // may overlap the one before: it writes the same bytes again.
        if (length >= 8) {
            uint32_t k = 0;
            for (; k + 8 <= length; k += 8) copy8(to + k, from + k);
            if (k < length) copy8(to + length - 8, from + length - 8);
        } else if (length >= 4) {
            copy4(to, from);
            copy4(to + length - 4, from + length - 4);
        } else if (length > 0) {
            to[0] = from[0];
            if (length > 1) to[1] = from[1];
            if (length > 2) to[2] = from[2];
        }
    } else if (gap == 1) {
        std::memset(to, *from, length);
    } else if (source > pos) {
        std::memmove(to, from, length);   // ahead and overlapping: memmove copies front to back
    } else {
        for (uint32_t k = 0; k < length; ++k) to[k] = from[k];
    }
}

// Follows links from a root entry into sub-tables. Null at an invalid pattern.
inline const CodeEntry* follow_links(const CodeEntry* e, BitWord& buffer, unsigned& count) {
    while (e->op > CODE_OP_LINK) {
        if (e->op == CODE_OP_INVALID) return nullptr;
        unsigned n = e->op - CODE_OP_LINK;
        buffer >>= e->bits;
        count -= e->bits;
        e = e->table + low_bits(buffer, n);
    }
    return e;
}

// Decodes items while the input channel and the window are away from their edges. Returns
// FAST_EDGE, FAST_END or STATUS_BAD_DATA. Bytes taken from the channel beyond the bits
// consumed go back to it, so the bit state fits its 32 bits again on return.
int expand_fast(const CodeEntry* literal_table, const CodeEntry* distance_table, unsigned literal_bits,
                unsigned distance_bits, BitState& b, uint32_t& pos_io, uint8_t* window) {
    StreamChannel* in = decoder.input;
    const uint8_t* cursor = in->cursor;
    const uint8_t* const start = cursor;
    const uint8_t* const safe_end = in->cursor + in->count - FAST_INPUT_MARGIN;   // last item start
    const BitWord literal_mask = ((BitWord)1 << literal_bits) - 1;
    // A block whose distance code has no symbols may hold literals only.
    if (!distance_table) distance_bits = 0, distance_table = NO_DISTANCES;
    const BitWord distance_mask = ((BitWord)1 << distance_bits) - 1;
    BitWord buffer = b.buffer;
    unsigned count = b.count;
    uint32_t pos = pos_io;
    int result = FAST_EDGE;

    // Tops the buffer up to REFILLED_BITS or more with the whole bytes of one word load. The
    // bits above `count` may hold part of the next byte: they are the stream's own bits at
    // their own places, so a later load ORs the same values over them.
    auto refill = [&]() {
        buffer |= load_word(cursor) << count;
        cursor += (WORD_BITS - 1 - count) >> 3;
        count |= REFILLED_BITS;
    };

    // Refills when fewer than `n` bits are held. Within one item this happens at most
    // twice after the first refill (once on 64 bits), which FAST_INPUT_MARGIN allows for.
    auto ensure = [&](unsigned n) {
        if (count < n) refill();
    };

    while (cursor <= safe_end && pos < FAST_WINDOW_LIMIT) {
        refill();
        const CodeEntry* e = follow_links(literal_table + (buffer & literal_mask), buffer, count);
        if (!e) { result = STATUS_BAD_DATA; break; }
        buffer >>= e->bits;
        count -= e->bits;
        // Literals follow one another without a refill while the bits of a whole code are held.
        while (e->op == CODE_OP_LITERAL) {
            window[pos++] = (uint8_t)e->value;
            if (count < MAX_CODE_BITS) break;
            e = follow_links(literal_table + (buffer & literal_mask), buffer, count);
            if (!e) break;
            buffer >>= e->bits;
            count -= e->bits;
        }
        if (!e) { result = STATUS_BAD_DATA; break; }
        if (e->op == CODE_OP_LITERAL) continue;
        if (e->op == CODE_OP_END) { result = FAST_END; break; }

        // A match: its length, then its distance.
        unsigned extra = e->op;
        // One refill holds the rest of a match on 64 bits; on 32 bits each part refills.
        constexpr unsigned MATCH_REST_BITS = MAX_LENGTH_EXTRA + MAX_CODE_BITS + MAX_DISTANCE_EXTRA;
        constexpr bool ONE_REFILL = REFILLED_BITS >= MATCH_REST_BITS;
        ensure(ONE_REFILL ? MATCH_REST_BITS : MAX_LENGTH_EXTRA);
        uint32_t length = e->value + (uint32_t)low_bits(buffer, extra);
        buffer >>= extra;
        count -= extra;
        if (!ONE_REFILL) ensure(MAX_CODE_BITS);
        e = follow_links(distance_table + (buffer & distance_mask), buffer, count);
        if (!e) { result = STATUS_BAD_DATA; break; }
        buffer >>= e->bits;
        count -= e->bits;
        extra = e->op;
        if (!ONE_REFILL) ensure(MAX_DISTANCE_EXTRA);
        uint32_t distance = e->value + (uint32_t)low_bits(buffer, extra);
        buffer >>= extra;
        count -= extra;

        // Mostly the source lies behind in this round of the window, clear of the copy or 8
        // bytes or more behind: pieces of 8 bytes (see copy_match).
        uint8_t* to = window + pos;
        if (distance <= pos && distance >= 8) {
            const uint8_t* from = to - distance;
            if (length >= 8) {
                uint32_t k = 0;
                for (; k + 8 <= length; k += 8) copy8(to + k, from + k);
                if (k < length) copy8(to + length - 8, from + length - 8);
            } else if (length >= 4) {
                copy4(to, from);
                copy4(to + length - 4, from + length - 4);
            } else {   // 3, the shortest match
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
            pos += length;
            continue;
        }
        // A distance that reaches before the stream's start copies the window's first zeros.
        uint32_t source = (pos - distance) & WINDOW_MASK;
        if (source + length <= WINDOW_SIZE) {
            copy_match(window, pos, source, length);
        } else {
            // The source passes the window's end: copy up to it, then from the window's start.
            uint32_t first = WINDOW_SIZE - source;
            copy_match(window, pos, source, first);
            copy_match(window, pos + first, 0, length - first);
        }
        pos += length;
    }

    // Whole bytes taken by this loop and not consumed go back to the channel. Only those:
    // bits held on entry may have come from an earlier buffer of the channel.
    uint32_t taken = (uint32_t)(cursor - start);
    uint32_t unused = count / 8 < taken ? count / 8 : taken;
    cursor -= unused;
    count -= 8 * unused;
    in->count -= (uint32_t)(cursor - in->cursor);
    in->cursor = const_cast<uint8_t*>(cursor);
    b.buffer = (uint32_t)low_bits(buffer, count);
    b.count = count;
    pos_io = pos;
    return result;
}

}  // namespace

int expand_codes(const CodeEntry* literal_table, const CodeEntry* distance_table,
                 unsigned literal_bits, unsigned distance_bits) {
    if (!literal_table) return STATUS_BAD_DATA;   // a block needs at least its end code

    BitState b = load_bits();
    uint8_t* window = decoder.window;
    uint32_t pos = decoder.window_pos;
    int status = STATUS_OK;
    bool short_input = false;

    for (;;) {
        if (decoder.input->count >= FAST_INPUT_MARGIN && pos < FAST_WINDOW_LIMIT) {
            int result = expand_fast(literal_table, distance_table, literal_bits, distance_bits, b, pos, window);
            if (result == FAST_END) break;
            if (result != FAST_EDGE) { status = result; break; }
        }

        // One item, carefully.
        const CodeEntry* e = look_up(b, literal_table, literal_bits, &short_input);
        if (!e) { status = short_input ? short_input_status() : STATUS_BAD_DATA; break; }
        if (e->op == CODE_OP_LITERAL) {
            window[pos++] = (uint8_t)e->value;
            if (pos == WINDOW_SIZE) {
                decoder.window_pos = pos;
                status = write_window();
                if (status != STATUS_OK) break;
                pos = 0;
            }
            continue;
        }
        if (e->op == CODE_OP_END) break;

        // A match: its length, then its distance.
        unsigned extra = e->op;
        need_bits(b, extra);
        uint32_t length = e->value + (b.buffer & bit_masks[extra]);
        if (!drop_bits(b, extra)) { status = short_input_status(); break; }

        // A block whose distance code has no symbols may hold literals only.
        if (!distance_table) { status = STATUS_BAD_DATA; break; }
        e = look_up(b, distance_table, distance_bits, &short_input);
        if (!e) { status = short_input ? short_input_status() : STATUS_BAD_DATA; break; }
        extra = e->op;
        need_bits(b, extra);
        // A distance that reaches before the stream's start copies the window's first zeros.
        uint32_t source = pos - e->value - (b.buffer & bit_masks[extra]);
        if (!drop_bits(b, extra)) { status = short_input_status(); break; }

        // Copy in chunks that end at the window's end on both sides.
        while (length > 0) {
            source &= WINDOW_MASK;
            uint32_t chunk = WINDOW_SIZE - (source > pos ? source : pos);
            if (chunk > length) chunk = length;
            copy_match(window, pos, source, chunk);
            pos += chunk;
            source += chunk;
            length -= chunk;
            if (pos == WINDOW_SIZE) {
                decoder.window_pos = pos;
                status = write_window();
                if (status != STATUS_OK) break;
                pos = 0;
            }
        }
        if (status != STATUS_OK) break;
    }

    decoder.window_pos = pos;
    store_bits(b);
    return status;
}
