// The decoder's hot loop: coded literals and matches into the window.
//
// Two paths decode the same items. The fast path runs while the input channel holds enough
// bytes for any item and the window has room for the longest match: it takes input eight
// bytes at a time and needs no end-of-input or window-end checks inside an item. The careful
// path decodes one item at a time near those edges: bytes one by one, missing bits at the end
// of the input read as zeros, the window written out as soon as it is full. A build that sets
// BRISVANE_DECODER_FAST_PATH to 0 uses the careful path alone (the Windows unit tests' build
// does, so that whole streams are decoded by it too). Without the macro the fast path is on.
#include "common/status.h"
#include "decompress/bit_input.h"
#include "decompress/code_tables.h"
#include "decompress/decoder.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;

// The fast path is some 900 bytes of code; the build chooses it (BRISVANE_DECODER_FAST_PATH,
// on unless a build turns it off). Both paths give the same results.
#if !defined(BRISVANE_DECODER_FAST_PATH) || BRISVANE_DECODER_FAST_PATH
constexpr bool USE_FAST_PATH = true;
#else
constexpr bool USE_FAST_PATH = false;
#endif
constexpr uint32_t MAX_MATCH = 258;

// The fast path's bit buffer: a machine word (64 bits on x86_64, 32 on i686, where a 64-bit
// buffer would take two of its few registers and every shift would be a pair), topped up a
// word load at a time to REFILLED_BITS or more (56 or 24).
using BitWord = uintptr_t;
constexpr unsigned WORD_BITS = 8 * sizeof(BitWord);
constexpr unsigned WORD_BYTES = sizeof(BitWord);
constexpr unsigned REFILLED_BITS = WORD_BITS - 8;
constexpr unsigned MAX_CODE_BITS = 15;
constexpr unsigned MAX_LENGTH_EXTRA = 5;
constexpr unsigned MAX_DISTANCE_EXTRA = 13;
// After a length code: its extra bits, the distance code and the distance's extra bits. A
// 64-bit buffer holds them all after one refill; a 32-bit one refills once more before the
// distance's extra bits.
constexpr unsigned MATCH_REST_BITS = MAX_LENGTH_EXTRA + MAX_CODE_BITS + MAX_DISTANCE_EXTRA;
constexpr bool ONE_REFILL_PER_MATCH = REFILLED_BITS >= MATCH_REST_BITS;
constexpr unsigned MATCH_AHEAD_BITS = ONE_REFILL_PER_MATCH ? MATCH_REST_BITS : MAX_LENGTH_EXTRA + MAX_CODE_BITS;
static_assert(REFILLED_BITS >= MATCH_AHEAD_BITS && REFILLED_BITS >= MAX_DISTANCE_EXTRA,
              "a refill holds what the match needs next");

// Literals decoded in a row without a refill: each takes a bit or more, and the row stops
// when fewer bits than a whole code are left.
constexpr uint32_t MAX_LITERAL_ROW = WORD_BITS - MAX_CODE_BITS + 1;
// The fast path starts an item only where the window can take a row of literals and the
// longest match after it without reaching its end (so nothing there fills the window) ...
constexpr uint32_t FAST_WINDOW_LIMIT = WINDOW_SIZE - MAX_LITERAL_ROW - MAX_MATCH;
// ... and the input channel holds what the refills of one item may load (two or three, each
// taking fewer bytes than the word it loads).
constexpr uint32_t FAST_INPUT_MARGIN = (ONE_REFILL_PER_MATCH ? 2 : 3) * WORD_BYTES;

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
    while (e->op > CODE_OP_LINK_BASE) {
        if (e->op == CODE_OP_INVALID) return nullptr;
        if (!drop_bits(b, e->bits)) {
            *short_input = true;
            return nullptr;
        }
        unsigned n = e->op - CODE_OP_LINK_BASE;
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

// Copies `length` bytes (1 to 258) to `to` from `from`, which lies 8 bytes or more behind
// it or clear of the copy. Pieces of 8 bytes: each is read before it is written and reads
// only bytes already final; the last piece may overlap the one before and writes the same
// bytes again. Bytes behind the copy's end are never touched: they still hold the data a
// later match 32768 bytes back reads.
inline void copy_pieces(uint8_t* to, const uint8_t* from, uint32_t length) {
    if (length >= 8) {
        uint32_t k = 0;
        for (; k + 8 <= length; k += 8) copy8(to + k, from + k);
        if (k < length) copy8(to + length - 8, from + length - 8);
    } else if (length >= 4) {
        copy4(to, from);
        copy4(to + length - 4, from + length - 4);
    } else {   // 3, the shortest match, or the piece of one at the window's end
        to[0] = from[0];
        if (length > 1) to[1] = from[1];
        if (length > 2) to[2] = from[2];
    }
}

// Copies `length` bytes (1 to 258) from `source` to `pos` in the window, front to back as a
// byte loop would: a source that runs into the copy repeats the bytes it writes. Neither side
// may pass the window's end. A source at or ahead of `pos` is in the window's last round.
inline void copy_in_window(uint8_t* window, uint32_t pos, uint32_t source, uint32_t length) {
    uint8_t* to = window + pos;
    const uint8_t* from = window + source;
    if (source < pos) {
        uint32_t distance = pos - source;
        if (distance >= 8 || distance >= length) copy_pieces(to, from, length);
        else if (distance == 1) std::memset(to, *from, length);
        else for (uint32_t k = 0; k < length; ++k) to[k] = from[k];
    } else if (source - pos >= length) {
        copy_pieces(to, from, length);
    } else {
        std::memmove(to, from, length);   // ahead and overlapping: memmove copies front to back
    }
}

// Follows links from a root entry into sub-tables. Null at an invalid pattern. Most codes
// end in the root table: the loop is laid out as the rare case.
inline const CodeEntry* follow_links(const CodeEntry* e, BitWord& buffer, unsigned& count) {
    while (__builtin_expect(e->op > CODE_OP_LINK_BASE, 0)) {
        if (e->op == CODE_OP_INVALID) return nullptr;
        unsigned n = e->op - CODE_OP_LINK_BASE;
        buffer >>= e->bits;
        count -= e->bits;
        e = e->table + low_bits(buffer, n);
    }
    return e;
}

// Decodes items while the input channel and the window are away from their edges. Returns
// FAST_EDGE, FAST_END or STATUS_BAD_DATA. Bytes taken from the channel beyond the bits
// consumed go back to it, so the bit state fits its 32 bits again on return. Kept out of
// line: on its own the compiler keeps its loop's state in registers.
__attribute__((noinline)) int expand_fast(const CodeEntry* literal_table, const CodeEntry* distance_table, unsigned literal_bits,
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

        // A match: its length, then its distance. After a row of literals the bits may not
        // hold the rest of it: one more refill, the item's second (FAST_INPUT_MARGIN).
        if (count < MATCH_AHEAD_BITS) refill();
        unsigned extra = e->op;
        uint32_t length = e->value + (uint32_t)low_bits(buffer, extra);
        buffer >>= extra;
        count -= extra;
        e = follow_links(distance_table + (buffer & distance_mask), buffer, count);
        if (!e) { result = STATUS_BAD_DATA; break; }
        buffer >>= e->bits;
        count -= e->bits;
        extra = e->op;
        if (!ONE_REFILL_PER_MATCH && count < extra) refill();   // a 32-bit buffer's third
        uint32_t distance = e->value + (uint32_t)low_bits(buffer, extra);
        buffer >>= extra;
        count -= extra;

        if (distance <= pos && distance >= 8) {
            copy_pieces(window + pos, window + pos - distance, length);   // the common case
        } else {
            // A distance that reaches before the stream's start copies the window's first zeros.
            uint32_t source = (pos - distance) & WINDOW_MASK;
            // A source that passes the window's end: up to it, then from the window's start.
            uint32_t first = WINDOW_SIZE - source < length ? WINDOW_SIZE - source : length;
            copy_in_window(window, pos, source, first);
            if (first < length) copy_in_window(window, pos + first, 0, length - first);
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
    b.buffer = (uint32_t)(buffer & (((BitWord)1 << count) - 1));   // count is below 24 here
    b.count = count;
    pos_io = pos;
    return result;
}

}  // namespace

// The careful path runs for a few items at the edges of the input and the window only; the
// fast path does the bulk of the work. So this function is built for size, whatever level the
// file is built at (640 bytes less code in the program file), and expand_fast for speed.
// GCC, which builds the program, takes a level per function; clang, which builds the fuzz
// targets, has no such attribute (it warns, and the warning fails the build) but its own.
#if defined(__clang__)
#define BUILT_FOR_SIZE __attribute__((minsize))
#else
#define BUILT_FOR_SIZE __attribute__((optimize("Os")))
#endif
BUILT_FOR_SIZE int expand_codes(const CodeEntry* literal_table, const CodeEntry* distance_table,
                 unsigned literal_bits, unsigned distance_bits) {
    if (!literal_table) return STATUS_BAD_DATA;   // a block needs at least its end code

    BitState b = load_bits();
    uint8_t* window = decoder.window;
    uint32_t pos = decoder.window_pos;
    int status = STATUS_OK;
    bool short_input = false;

    for (;;) {
        if (USE_FAST_PATH && decoder.input->count >= FAST_INPUT_MARGIN && pos < FAST_WINDOW_LIMIT) {
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
        unsigned extra;
        if (!take_bits(b, e->op, &extra)) { status = short_input_status(); break; }
        uint32_t length = e->value + extra;

        // A block whose distance code has no symbols may hold literals only.
        if (!distance_table) { status = STATUS_BAD_DATA; break; }
        e = look_up(b, distance_table, distance_bits, &short_input);
        if (!e) { status = short_input ? short_input_status() : STATUS_BAD_DATA; break; }
        if (!take_bits(b, e->op, &extra)) { status = short_input_status(); break; }
        // A distance that reaches before the stream's start copies the window's first zeros.
        uint32_t source = pos - e->value - extra;

        // Copy in chunks that end at the window's end on both sides.
        while (length > 0) {
            source &= WINDOW_MASK;
            uint32_t chunk = WINDOW_SIZE - (source > pos ? source : pos);
            if (chunk > length) chunk = length;
            if (pos - source >= chunk) {
                // The source lies wholly behind the destination, or ahead of it, where a
                // front-to-back copy is what memmove does.
                std::memmove(window + pos, window + source, chunk);
            } else {
                // The source runs into this very copy: it repeats the bytes it writes.
                for (uint32_t k = 0; k < chunk; ++k) window[pos + k] = window[source + k];
            }
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
