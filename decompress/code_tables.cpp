// The table builder. Its model: a canonical prefix code is fixed by its code lengths alone
// (codes assigned by length, and within a length by symbol), so the tables can be filled by
// walking the codes in that order with a counter. The decoder indexes a table with the
// code's bits in reading order, the code bit-reversed, so the counter is kept bit-reversed
// and a code of `length` bits in a table of `width` bits fills every index whose low bits
// are its own: 2^(width - length) of them.
//
// Outline of build_code_tables:
//   1. Count the codes of each length; no code at all builds no table.
//   2. Find the shortest and the longest code; bring the requested root width within them.
//   3. Check that the code fits its patterns (the Kraft sum): refuse an over-subscribed code;
//      count the patterns left over as padding codes of the longest length, whose entries
//      decode as invalid, so the walk writes every entry of every table.
//   4. Put the symbols in canonical order (a counting sort by length).
//   5. Walk the codes in canonical order; for each:
//      a. open tables until the current one holds the code's last bits (choosing each new
//         table's width, and linking it from its parent);
//      b. make the code's entry;
//      c. write it at every index whose low bits are the code;
//      d. step the counter to the next code (a bit-reversed increment);
//      e. close the tables whose patterns this code was the last of.
//   6. Report the root width and whether the code was complete.
//
// A table's width: start from the current code's length beyond the bits already decoded and
// widen while the codes of the lengths covered leave patterns for longer ones, up to the
// requested width (or the longest code); longer codes go to sub-tables linked from their
// parent. A table on the end-of-block code's path ends at that code's last bit.
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

// The width of a table opened for a code of `length` bits, `bits_below` of which the tables
// below it decode, with `codes_left` codes of that length still to place (this one among
// them). Starts from the code's own remaining bits; while the codes of the lengths covered so
// far leave patterns free, one bit more, up to `cap`. The counts are of the whole code, not
// only of the codes under this table's prefix. When the code's own bits already reach the
// cap and leave patterns free, the table takes one bit more than the cap.
unsigned table_width(const unsigned* codes_of_length, unsigned length, unsigned bits_below,
                     unsigned codes_left, unsigned cap) {
    unsigned width = length - bits_below;
    unsigned free_patterns = 1u << width;
    if (free_patterns > codes_left) {
        free_patterns -= codes_left;
        unsigned covered = length;   // the longest length the table's width takes in
        while (++width < cap) {
            free_patterns <<= 1;
            if (free_patterns <= codes_of_length[++covered]) break;   // those codes take the rest
            free_patterns -= codes_of_length[covered];
        }
    }
    return width;
}

}  // namespace

int build_code_tables(const uint8_t* lengths, unsigned count, unsigned simple_count,
                      const uint16_t* bases, const uint8_t* extras, CodeEntry** table_out,
                      unsigned* bits_inout) {
    *table_out = nullptr;
    if (count > CODE_MAX_SYMBOLS) count = CODE_MAX_SYMBOLS;

    // 1. Count the codes of each length ([0]: symbols without a code).
    unsigned codes_of_length[CODE_MAX_BITS + 1] = {};
    for (unsigned s = 0; s < count; ++s) codes_of_length[lengths[s] <= CODE_MAX_BITS ? lengths[s] : 0]++;
    if (codes_of_length[0] == count) {
        *bits_inout = 0;
        return CODE_COMPLETE;
    }

    // 2. The shortest and the longest code; the requested root width within them.
    unsigned shortest = 1;
    while (codes_of_length[shortest] == 0) ++shortest;
    unsigned longest = CODE_MAX_BITS;
    while (codes_of_length[longest] == 0) --longest;
    unsigned width_cap = *bits_inout;
    if (width_cap < shortest) width_cap = shortest;
    if (width_cap > longest) width_cap = longest;

    // 3. Patterns left at each length after its codes; below zero, two codes would share one.
    int unused_patterns = 1 << shortest;
    for (unsigned length = shortest; length < longest; ++length, unused_patterns <<= 1) {
        unused_patterns -= (int)codes_of_length[length];
        if (unused_patterns < 0) return CODE_OVERSUBSCRIBED;
    }
    unused_patterns -= (int)codes_of_length[longest];
    if (unused_patterns < 0) return CODE_OVERSUBSCRIBED;
    codes_of_length[longest] += (unsigned)unused_patterns;   // the padding codes

    // 4. Symbols in canonical order: by length, within a length by symbol.
    unsigned next_slot[CODE_MAX_BITS + 1];   // where the next symbol of each length goes
    next_slot[1] = 0;
    for (unsigned length = 1; length < longest; ++length)
        next_slot[length + 1] = next_slot[length] + codes_of_length[length];
    uint16_t sorted_symbols[CODE_MAX_SYMBOLS];
    for (unsigned s = 0; s < count; ++s) {
        unsigned length = lengths[s];
        if (length != 0 && length <= CODE_MAX_BITS) sorted_symbols[next_slot[length]++] = (uint16_t)s;
    }
    const unsigned symbol_total = next_slot[longest];   // symbols with a code (no padding)

    // 5. Walk the codes. The open tables form a path from the root: one per level, the root
    // at level 0. A table at a level decodes the bits after those of the levels below it.
    const unsigned end_of_block_length = count > 256 ? lengths[256] : CODE_MAX_BITS;
    CodeEntry* level_table[CODE_MAX_BITS];
    unsigned level_opening_code[CODE_MAX_BITS];   // the counter's low bits below the level
    int width_of[CODE_MAX_BITS + 1];               // each level's table width ...
    int* level_width = width_of + 1;               // ... at level_width[level], and 0 at [-1]
    level_width[-1] = 0;
    level_opening_code[0] = 0;
    int level = -1;                  // the current (deepest open) level; -1: none yet
    unsigned bits_below = 0;         // bits decoded by the levels below the current one
    unsigned code = 0;               // the current code, bit-reversed (in reading order)
    CodeEntry* table = nullptr;      // the current level's table: codes only grow longer, so
    unsigned table_size = 0;         // the entries go to the table opened last
    CodeEntry** chain = table_out;   // where the next table allocated is linked
    unsigned next_symbol = 0;

    for (unsigned length = shortest; length <= longest; ++length) {
        unsigned codes_left = codes_of_length[length];
        while (codes_left--) {
            // 5a. Open tables until the current one holds the code's last bits.
            while (length > bits_below + (unsigned)level_width[level]) {
                bits_below += (unsigned)level_width[level];
                ++level;
                unsigned cap = longest - bits_below < width_cap ? longest - bits_below : width_cap;
                unsigned width = table_width(codes_of_length, length, bits_below, codes_left + 1, cap);
                if (bits_below + width > end_of_block_length && bits_below < end_of_block_length)
                    width = end_of_block_length - bits_below;
                level_width[level] = (int)width;
                table_size = 1u << width;

                table = allocate_table(width, &chain);
                if (!table) {
                    free_code_tables(*table_out);
                    *table_out = nullptr;
                    return CODE_NO_MEMORY;
                }
                level_table[level] = table;
                if (level > 0) {
                    // The parent's entry for this prefix links to the new table.
                    level_opening_code[level] = code;
                    unsigned parent_width = (unsigned)level_width[level - 1];
                    CodeEntry link{};
                    link.op = (uint8_t)(CODE_OP_LINK_BASE + width);
                    link.bits = (uint8_t)parent_width;
                    link.table = table;
                    unsigned parent_index = (code & ((1u << bits_below) - 1)) >> (bits_below - parent_width);
                    level_table[level - 1][parent_index] = link;
                }
            }

            // 5b. The code's entry: its symbol's, or invalid for a padding code.
            const unsigned entry_bits = length - bits_below;
            CodeEntry entry{};
            entry.bits = (uint8_t)entry_bits;
            if (next_symbol >= symbol_total) {
                entry.op = CODE_OP_INVALID;
                entry.value = 0;
            } else {
                unsigned symbol = sorted_symbols[next_symbol++];
                if (symbol < simple_count) {
                    entry.op = symbol < 256 ? CODE_OP_LITERAL : CODE_OP_END;
                    entry.value = (uint16_t)symbol;
                } else {
                    entry.op = extras[symbol - simple_count];
                    entry.value = bases[symbol - simple_count];
                }
            }

            // 5c. Every index whose low bits are this code's bits at this level.
            unsigned step = 1u << entry_bits;
            for (unsigned index = code >> bits_below; index < table_size; index += step) table[index] = entry;

            // 5d. The next code: add one to the `length`-bit counter, from its reversed end.
            unsigned bit = 1u << (length - 1);
            while (code & bit) {
                code ^= bit;
                bit >>= 1;
            }
            code ^= bit;

            // 5e. Leave the tables whose prefix the counter has moved past.
            while ((code & ((1u << bits_below) - 1)) != level_opening_code[level]) {
                --level;
                bits_below -= (unsigned)level_width[level];
            }
        }
    }

    // 6. A single 1-bit code leaves a pattern over and still counts as complete.
    *bits_inout = (unsigned)level_width[0];
    return (unused_patterns != 0 && longest != 1) ? CODE_INCOMPLETE : CODE_COMPLETE;
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
