// The decoder's hot loop: coded literals and matches into the window.
#include "common/status.h"
#include "decompress/bit_input.h"
#include "decompress/code_tables.h"
#include "decompress/decoder.h"

#include <cstring>

namespace {

constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;

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
