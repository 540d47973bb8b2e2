#include "package/load_package.h"

#include "common/install_context.h"
#include "common/status.h"
#include "detect/browsers.h"
#include "common/memory_blocks.h"
#include "package/checksum.h"
#include "package/setup_header.h"
#include "package/signature.h"
#include "package/table_checks.h"

#include <cstring>

namespace {

constexpr uint32_t CHECK_BLOCK_SIZE = 16384;

// Whether both checksums of the program file (`file_size` bytes) match, taken in one pass
// over the whole file from its first byte: every byte goes into the PE checksum, which must
// come to `stored` (the CheckSum field's value), and the bytes of the package, from
// table_offset to `*end`, into the package checksum. When the file is signed (`padding` >
// 0), the signer may have put up to `padding` zero bytes in front of its certificate table:
// each such end is tried too, nearest the table first, and `*end` moves to the one that
// matches. The package bytes before the last few are summed as they are read; a short tail,
// starting on a whole word of the package, is kept and folded for each candidate end. (A
// lone last byte is folded in as the word it makes with zeros, so an end three zero bytes
// further can give the same sum: trying the ends nearest the table first never leaves a
// byte of the package outside it.) False too when the block cannot be allocated or a read
// fails.
bool program_file_sound(HFILE file, const SetupHeader& header, uint32_t file_size, uint32_t stored,
                        uint32_t padding, uint32_t* end) {
    const uint32_t table_offset = header.table_offset;
    uint32_t length = *end - table_offset;
    uint32_t tail = padding ? (length & 3) + 8 : 0;
    if (tail > length) tail = length;
    const uint32_t tail_start = *end - tail;

    HGLOBAL block = nullptr;
    auto* buffer = static_cast<uint8_t*>(alloc_block(CHECK_BLOCK_SIZE, &block));
    if (!buffer) return false;
    _llseek(file, 0, FILE_BEGIN);
    uint8_t last[12];
    // The CheckSum field counts as zero: the sum starts with its two words taken away (in this
    // end-around-carry sum, adding 0xFFFF - w takes w away), and the pass adds them back.
    // The "PE" signature found in the headers makes the file's sum non-zero, so the result
    // is the one a linker writes (never the other zero of this sum).
    uint32_t position = 0, sum = 0, pe_sum = 0x1FFFE - (stored & 0xFFFF) - (stored >> 16);
    while (position < file_size) {
        // A read stops where the package starts and where its tail starts: the package's
        // pieces then start on its whole words, and the tail at the start of the block.
        uint32_t stop = position < table_offset ? table_offset : position < tail_start ? tail_start : file_size;
        uint32_t want = stop - position < CHECK_BLOCK_SIZE ? stop - position : CHECK_BLOCK_SIZE;
        if (_lread(file, buffer, want) != want) break;
        if (position >= table_offset && position < tail_start) sum = checksum_add(buffer, want, sum);
        if (position == tail_start) std::memcpy(last, buffer, sizeof last);
        pe_sum = pe_checksum_add(buffer, want, position, pe_sum);
        position += want;
    }
    free_block(&block);
    if (position != file_size || pe_checksum_finish(pe_sum, file_size) != stored) return false;

    for (uint32_t n = tail;; --n) {
        if (checksum_add(last, n, sum) == header.checksum) {
            *end -= tail - n;
            return true;
        }
        if (tail - n == padding || last[n - 1] != 0) return false;
    }
}

// Checks and reads the table from the open program file. Returns the status.
int read_table(HFILE file, const SetupHeader& header) {
    LONG file_size = _llseek(file, 0, FILE_END);
    // A header that places the table past the end of the file (or past what a seek can
    // reach) describes some other file.
    // The sum is taken in 64 bits so that a huge table_size cannot wrap round to a small end;
    // this comes before the allocation, so a damaged size never asks for gigabytes.
    if (file_size < 0 ||
        (uint64_t)header.table_offset + header.table_size > (uint64_t)(uint32_t)file_size)
        return MSG_INVALID_DATA;
    // A signed program file ends in its certificate table: the package ends before it.
    uint32_t data_start = header.table_offset + header.table_size;
    uint32_t end, pe_checksum;
    if (find_package_end(file, (uint32_t)file_size, data_start, &end, &pe_checksum) != STATUS_OK)
        return MSG_INVALID_DATA;
    uint32_t room = end - data_start;
    uint32_t padding = end == (uint32_t)file_size ? 0 : room < CERTIFICATE_PADDING_MAX ? room : CERTIFICATE_PADDING_MAX;
    if (!program_file_sound(file, header, (uint32_t)file_size, pe_checksum, padding, &end)) return MSG_INVALID_DATA;

    // A package without entries may have an empty table area; a block of 0 bytes cannot be
    // locked, so at least one (zero) byte is allocated.
    DWORD block_size = header.table_size ? header.table_size : 1;
    ctx.file_table = static_cast<uint8_t*>(alloc_block(block_size, &ctx.file_table_block));
    if (!ctx.file_table) return MSG_NO_MEMORY;
    _llseek(file, (LONG)header.table_offset, FILE_BEGIN);
    if (_hread(file, ctx.file_table, (LONG)header.table_size) != (LONG)header.table_size)
        return MSG_READ_ERROR;
    // The checksum proves the package is the one that was built; this proves the table can
    // be walked and its names and offsets used without leaving the table or the package.
    return check_file_table(ctx.file_table, header.table_size, header.file_count, data_start, end);
}

}  // namespace

HFILE open_program_file() {
    ctx.program_path[0] = 0;
    GetModuleFileNameA(nullptr, ctx.program_path, PATH_BUFFER_SIZE);
    ctx.program_path[PATH_BUFFER_SIZE - 1] = 0;
    std::strcpy(ctx.error_file_name, ctx.program_path);
    return _lopen(ctx.program_path, OF_READ);
}

int load_package() {
    const SetupHeader& header = setup_header();
    ctx.target_directory[0] = 0;
    detect_browsers();

    int status = MSG_READ_ERROR;
    HFILE file = open_program_file();
    if (file != HFILE_ERROR) {
        status = read_table(file, header);
        _lclose(file);
    }
    // Nothing half-loaded stays behind: a table that failed any test is not kept.
    if (status != STATUS_OK) {
        free_block(&ctx.file_table_block);
        ctx.file_table = nullptr;
    }

    ctx.required_kb = 0;
    if (status == STATUS_OK) {
        const uint8_t* entry = ctx.file_table;
        for (unsigned i = 0; i < header.file_count; ++i, entry = next_file_entry(entry))
            if (!(entry_flags(entry) & ENTRY_NOT_INSTALLED)) ctx.required_kb += rounded_required_kb(entry_size_kb(entry));
    }

    ctx.target_directory[0] = 0;
    if (status != STATUS_OK) return status;
    read_default_target();
    return STATUS_OK;
}

uint8_t* next_file_entry(uint8_t* entry) { return entry + entry_record_length(entry); }
const uint8_t* next_file_entry(const uint8_t* entry) { return entry + entry_record_length(entry); }
