// The table builder walks the codes in canonical order and lays each one into the table of
// the level that holds its last bits. A table's width is chosen per table: start from the
// current code's length beyond the bits already decoded and widen while the codes of the
// lengths covered leave patterns for longer ones, up to the requested width (or the longest
// code); longer codes go to sub-tables linked from their parent.
#include "decompress/code_tables.h"

#include "platform/win32.h"

namespace {

// A table of 2^width entries behind its header entry, appended to the chain at *link.
// Returns the table proper, or null when memory runs out. The entries are not cleared: the
// walk below writes every one of them (the code is made complete before it is walked).
CodeEntry* allocate_table(unsigned width, CodeEntry*** link) {
    auto* header = static_cast<CodeEntry*>(LocalAlloc(LMEM_FIXED, ((1u << width) + 1) * sizeof(CodeEntry)));
    if (!header) return nullptr;
    CodeEntry* table = header + 1;
    **link = table;
    header->table = nullptr;
    *link = &header->table;
    return table;
}

}  // namespace

int build_code_tables(const uint8_t* lengths, unsigned count, unsigned simple_count,
                      const uint16_t* bases, const uint8_t* extras, CodeEntry** table_out,
                      unsigned* bits_inout) {
    unsigned c[CODE_MAX_BITS + 1] = {};        // codes of each length
    unsigned offsets[CODE_MAX_BITS + 1];       // counting sort offsets, then opening codes
    uint16_t symbols[CODE_MAX_SYMBOLS];        // symbols with a code, by length, then symbol
    CodeEntry* level_table[CODE_MAX_BITS];     // open tables, by level
    int width_below[CODE_MAX_BITS + 1];        // width of each level; [0] is level -1
    int* level_width = width_below + 1;        // level_width[-1] = 0

    *table_out = nullptr;
    if (count > CODE_MAX_SYMBOLS) count = CODE_MAX_SYMBOLS;

    // 1. Length of the end-of-block code, so no lookup reaches past it.
    unsigned eob_length = count > 256 ? lengths[256] : CODE_MAX_BITS;

    // 2, 3. Count the lengths; no code at all builds no table.
    for (unsigned s = 0; s < count; ++s) c[lengths[s] <= CODE_MAX_BITS ? lengths[s] : 0]++;
    if (c[0] == count) {
        *bits_inout = 0;
        return CODE_COMPLETE;
    }

    // 4. Shortest and longest code; bring the requested root width within them.
    unsigned kmin = 1;
    while (c[kmin] == 0) ++kmin;
    unsigned g = CODE_MAX_BITS;
    while (c[g] == 0) --g;
    unsigned m = *bits_inout;
    if (m < kmin) m = kmin;
    if (m > g) m = g;

    // 5. Over-subscription test; the patterns left over are walked as codes of the longest
    // length, which the entries below mark invalid.
    int y = 1 << kmin;
    for (unsigned len = kmin; len < g; ++len, y <<= 1) {
        y -= (int)c[len];
        if (y < 0) return CODE_OVERSUBSCRIBED;
    }
    y -= (int)c[g];
    if (y < 0) return CODE_OVERSUBSCRIBED;
    c[g] += (unsigned)y;

    // 6. Symbols in canonical order (counting sort by length).
    offsets[1] = 0;
    for (unsigned len = 1; len < g; ++len) offsets[len + 1] = offsets[len] + c[len];
    for (unsigned s = 0; s < count; ++s) {
        unsigned len = lengths[s];
        if (len != 0 && len <= CODE_MAX_BITS) symbols[offsets[len]++] = (uint16_t)s;
    }
    unsigned symbol_total = offsets[g];   // symbols with a code (the padding excluded)

    // 7. Walk the codes.
    CodeEntry** chain = table_out;
    unsigned next_symbol = 0;
    unsigned i = 0;            // current code, bit-reversed
    int h = -1;                // current level
    unsigned w = 0;            // bits decoded by the levels below the current one
    level_width[-1] = 0;
    offsets[0] = 0;            // from here on: the code that opened each level
    CodeEntry* q = nullptr;    // current table
    unsigned table_size = 0;   // its entries

    for (unsigned k = kmin; k <= g; ++k) {
        unsigned a = c[k];
        while (a--) {
            // 7.1 Open tables until the current one holds the code's last bits.
            while (k > w + (unsigned)level_width[h]) {
                w += (unsigned)level_width[h];
                ++h;
                unsigned z = g - w < m ? g - w : m;   // width cap
                unsigned j = k - w;
                unsigned f = 1u << j;
                if (f > a + 1) {
                    f -= a + 1;
                    unsigned len = k;
                    while (++j < z) {
                        f <<= 1;
                        if (f <= c[++len]) break;
                        f -= c[len];
                    }
                }
                if (w + j > eob_length && w < eob_length) j = eob_length - w;
                level_width[h] = (int)j;
                table_size = 1u << j;

                q = allocate_table(j, &chain);
                if (!q) {
                    free_code_tables(*table_out);
                    *table_out = nullptr;
                    return CODE_NO_MEMORY;
                }
                level_table[h] = q;
                if (h > 0) {
                    offsets[h] = i;
                    CodeEntry link{};
                    link.op = (uint8_t)(CODE_OP_LINK_BASE + j);
                    link.bits = (uint8_t)level_width[h - 1];
                    link.table = q;
                    unsigned index = (i & ((1u << w) - 1)) >> (w - (unsigned)level_width[h - 1]);
                    level_table[h - 1][index] = link;
                }
            }

            // 7.2 The entry.
            CodeEntry r{};
            r.bits = (uint8_t)(k - w);
            if (next_symbol >= symbol_total) {
                r.op = CODE_OP_INVALID;
                r.value = 0;
            } else {
                unsigned s = symbols[next_symbol++];
                if (s < simple_count) {
                    r.op = s < 256 ? CODE_OP_LITERAL : CODE_OP_END;
                    r.value = (uint16_t)s;
                } else {
                    r.op = extras[s - simple_count];
                    r.value = bases[s - simple_count];
                }
            }

            // 7.3 Every index whose low bits are this code.
            unsigned step = 1u << (k - w);
            for (unsigned j = i >> w; j < table_size; j += step) q[j] = r;

            // 7.4 Next code: a bit-reversed increment of the k-bit counter.
            unsigned bit = 1u << (k - 1);
            while (i & bit) {
                i ^= bit;
                bit >>= 1;
            }
            i ^= bit;

            // 7.5 Leave the tables this code finished.
            while ((i & ((1u << w) - 1)) != offsets[h]) {
                --h;
                w -= (unsigned)level_width[h];
            }
        }
    }

    // 8.
    *bits_inout = (unsigned)level_width[0];
    return (y != 0 && g != 1) ? CODE_INCOMPLETE : CODE_COMPLETE;
}

void free_code_tables(CodeEntry* root) {
    CodeEntry* table = root;
    while (table) {
        CodeEntry* header = table - 1;
        CodeEntry* next = header->table;
        LocalFree(header);
        table = next;
    }
}
