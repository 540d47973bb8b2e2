// Fuzz target: load_package over arbitrary program files.
//
// Input: byte 0 steers (bit 0: keep the checksum wrong; bit 1: let table_size take any
// value; bit 6: seal only up to where the file's security directory says a certificate table
// starts, as in a signed file; bit 7: make allocation ((byte >> 2) & 7) + 1 fail), bytes 1..2
// file_count, 3..6 table_offset, 7..10 table_size, the rest is the program file. Unless
// told otherwise the harness sets the PE CheckSum field (when the file has PE headers) and
// seals the header with the file's true package checksum, so the fuzzer reaches the table
// checks behind them, which are what hostile bytes must not get past.
// After a load that succeeds, the whole table is walked as the install steps walk it.
#include "common/bytes.h"
#include "common/install_context.h"
#include "common/status.h"
#include "common/memory_blocks.h"
#include "package/checksum.h"
#include "package/load_package.h"
#include "package/package_format.h"
#include "package/setup_header.h"
#include "package/signature.h"
#include "platform/host/host_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

// Allocations beyond what the machine has give null, as GlobalAlloc does on Windows.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

std::string program_file;   // host path of C:\setup.exe

void prepare() {
    char dir[] = "/dev/shm/bvfuzz-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    host_map_drive('C', dir);
    program_file = std::string(dir) + "/setup.exe";
    test_set_module_file_name("C:\\setup.exe");
    if (!allocate_path_buffers()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (prepare(), true);
    (void)ready;
    if (size < 11) return 0;
    uint8_t steer = data[0];
    static std::basic_string<uint8_t> sealed;
    sealed.assign(data + 11, size - 11);
    uint8_t* file = sealed.data();
    uint32_t file_size = (uint32_t)(size - 11);

    SetupHeader h{};
    std::memcpy(h.marker, SETUP_MARKER, sizeof h.marker);
    h.file_count = read_u16(data + 1);
    h.table_offset = read_u32(data + 3) % (file_size + 2);
    uint32_t room = h.table_offset <= file_size ? file_size - h.table_offset : 0;
    // Sizes far beyond the file, up to 4 GB: they are refused before any block is made.
    h.table_size = (steer & 2) ? read_u32(data + 7) : read_u32(data + 7) % (room + 2);
    h.data_start = h.table_offset + h.table_size;
    // Where a signed file's package would end; a certificate table that passes the program's
    // tests lies behind every entry's data.
    uint32_t certificate = 0, certificate_size = 0;
    if (read_security_directory(file, file_size < PE_HEADERS_AREA ? file_size : PE_HEADERS_AREA, &certificate,
                                &certificate_size)) {
        uint32_t field = read_u32(file + PE_HEADERS_POINTER) + PE_CHECKSUM_FIELD;
        if (!(steer & 1)) write_u32(file + field, pe_checksum_of(file, file_size, field));
    } else {
        certificate = certificate_size = 0;
    }
    uint32_t package_end = certificate ? certificate : file_size;
    if ((steer & 0x40) && certificate >= h.table_offset && certificate <= file_size)
        room = certificate - h.table_offset;
    if (h.table_offset <= file_size) h.checksum = checksum_add(file + h.table_offset, room, 0);
    if (steer & 1) h.checksum ^= 0x5A5A5A5A;
    setup_header_storage = h;

    FILE* f = std::fopen(program_file.c_str(), "wb");
    if (!f || std::fwrite(file, 1, file_size, f) != file_size) std::abort();
    std::fclose(f);

    test_fail_allocation((steer & 0x80) ? (long)((steer >> 2) & 7) + 1 : 0);
    int status = load_package();
    test_fail_allocation(0);
    if (status != STATUS_OK && status != MSG_READ_ERROR && status != MSG_NO_MEMORY &&
        status != MSG_INVALID_DATA)
        std::abort();
    if (status != STATUS_OK) {
        if (ctx.file_table || ctx.file_table_block || ctx.target_directory[0]) std::abort();
        return 0;
    }

    // Walk the table as the install steps do and touch every field they read.
    uint32_t sum = 0;
    const uint8_t* entry = ctx.file_table;
    for (unsigned i = 0; i < h.file_count; ++i, entry = next_file_entry(entry)) {
        sum += (uint32_t)std::strlen(entry_name(entry)) + entry_flags(entry) + entry_size_kb(entry);
        sum += entry_data_offset(entry) + entry_version_ms(entry) + entry_version_ls(entry);
        if (entry_data_offset(entry) >= file_size) std::abort();     // data must lie in the file
        if (entry_data_offset(entry) >= package_end) std::abort();   // and before a certificate table
    }
    if (sum == 0xFFFFFFFFu) std::fputc(' ', stderr);   // keep the reads
    free_block(&ctx.file_table_block);
    ctx.file_table = nullptr;
    return 0;
}
