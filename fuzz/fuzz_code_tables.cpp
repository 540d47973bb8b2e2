// Fuzz target: build_code_tables over arbitrary code lengths.
//
// Input: byte 0 the requested root width, byte 1 picks the simple count, the rest are code
// lengths (each taken mod 17). For a built code every table is walked: links must lead to
// tables within 16 bits in all, and every symbol with a length must decode, from its own
// canonical code, to its own entry after exactly its length in bits.
#include "decompress/code_tables.h"
#include "platform/test_control.h"

#include <cstdlib>
#include <vector>

namespace {

uint16_t bases[CODE_MAX_SYMBOLS];
uint8_t extras[CODE_MAX_SYMBOLS];

void check_table(const CodeEntry* table, unsigned width, unsigned depth_bits) {
    if (!table || width == 0 || depth_bits + width > CODE_MAX_BITS) std::abort();
    for (unsigned i = 0; i < (1u << width); ++i) {
        const CodeEntry& e = table[i];
        if (e.op > CODE_OP_LINK_BASE && e.op != CODE_OP_INVALID) {
            if (e.op > CODE_OP_LINK_BASE + CODE_MAX_BITS || e.bits != width) std::abort();
            check_table(e.table, e.op - CODE_OP_LINK_BASE, depth_bits + width);
        } else if (e.bits > width || (e.op != CODE_OP_INVALID && e.bits == 0)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static bool ready = [] {
        for (unsigned i = 0; i < CODE_MAX_SYMBOLS; ++i) {
            bases[i] = (uint16_t)(1000 + i);
            extras[i] = (uint8_t)(i % 14);
        }
        return true;
    }();
    (void)ready;
    unsigned requested = data[0] % 17;
    unsigned count = (unsigned)(size - 2 < CODE_MAX_SYMBOLS ? size - 2 : CODE_MAX_SYMBOLS);
    unsigned simple = data[1] % 3 == 0 ? 0 : data[1] % 3 == 1 ? 257 : count;
    if (simple == 257 && count > 257 + 30) simple = count;
    std::vector<uint8_t> lengths(count);
    for (unsigned i = 0; i < count; ++i) lengths[i] = data[2 + i] % 17;

    CodeEntry* table = nullptr;
    unsigned bits = requested;
    int result = build_code_tables(lengths.data(), count, simple, bases, extras, &table, &bits);
    if (result == CODE_OVERSUBSCRIBED || result == CODE_NO_MEMORY) {
        if (table) std::abort();
        return 0;
    }
    if (result != CODE_COMPLETE && result != CODE_INCOMPLETE) std::abort();
    if (!table) {
        for (uint8_t l : lengths) if (l) std::abort();
        return 0;
    }
    check_table(table, bits, 0);

    // Canonical codes (RFC 1951, 3.2.2) and a walk of each through the tables.
    unsigned bl_count[CODE_MAX_BITS + 1] = {}, next[CODE_MAX_BITS + 2] = {};
    for (uint8_t l : lengths) if (l) bl_count[l]++;
    unsigned code = 0;
    for (unsigned len = 1; len <= CODE_MAX_BITS; ++len) {
        code = (code + bl_count[len - 1]) << 1;
        next[len] = code;
    }
    for (unsigned s = 0; s < count; ++s) {
        unsigned len = lengths[s];
        if (!len) continue;
        unsigned c = next[len]++;
        unsigned reading = 0;
        for (unsigned i = 0; i < len; ++i) reading |= ((c >> (len - 1 - i)) & 1u) << i;
        const CodeEntry* e = table + (reading & ((1u << bits) - 1));
        unsigned used = 0;
        while (e->op > CODE_OP_LINK_BASE && e->op != CODE_OP_INVALID) {
            used += e->bits;
            e = e->table + ((reading >> used) & ((1u << (e->op - CODE_OP_LINK_BASE)) - 1));
        }
        if (e->op == CODE_OP_INVALID || used + e->bits != len) std::abort();
        bool ok = s < simple ? (e->value == s && e->op == (s < 256 ? CODE_OP_LITERAL : CODE_OP_END))
                             : (e->value == bases[s - simple] && e->op == extras[s - simple]);
        if (!ok) std::abort();
    }
    free_code_tables(table);
    return 0;
}
