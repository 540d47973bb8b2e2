#include "package/table_checks.h"

#include "common/install_context.h"
#include "common/path_text.h"
#include "common/status.h"
#include "package/package_format.h"

namespace {

// The digit of COMn and LPTn: 0 to 9, or the superscripts 1, 2 and 3 (0xB9, 0xB2, 0xB3).
bool is_port_digit(char c) {
    auto u = (unsigned char)c;
    return (u >= '0' && u <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

}  // namespace

bool is_device_name(const char* part, size_t length) {
    // The device is named by the text before the first dot, without its trailing blanks.
    size_t base = 0;
    while (base < length && part[base] != '.') ++base;
    while (base > 0 && part[base - 1] == ' ') --base;
    char name[8] = {};
    if (base < 3 || base > 7) return false;
    for (size_t i = 0; i < base; ++i) name[i] = ascii_lower(part[i]);
    static const char* const fixed[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* device : fixed) {
        size_t i = 0;
        while (device[i] && device[i] == name[i]) ++i;
        if (device[i] == 0 && name[i] == 0) return true;
    }
    bool port = base == 4 && ((name[0] == 'c' && name[1] == 'o' && name[2] == 'm') ||
                              (name[0] == 'l' && name[1] == 'p' && name[2] == 't'));
    return port && is_port_digit(name[3]);
}

namespace {

// A name that entry extraction may join to a directory: relative, no drive, no parent step,
// no device.
bool sound_name(const char* name, size_t length) {
    if (length == 0 || length >= (size_t)PATH_BUFFER_SIZE || name[0] == '\\') return false;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        char c = i < length ? name[i] : '\\';
        if (c == ':' || c == '/') return false;
        if (c != '\\') continue;
        // Windows drops trailing dots and blanks from a component, so a component made only
        // of them is empty, "." or "..": none of them names a file below the target.
        bool only_dots = true;
        for (size_t j = start; j < i; ++j)
            if (name[j] != '.' && name[j] != ' ') only_dots = false;
        if (only_dots || is_device_name(name + start, i - start)) return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

int check_file_table(const uint8_t* table, uint32_t table_size, unsigned file_count, uint32_t data_start,
                     uint32_t file_size) {
    uint32_t at = 0;
    for (unsigned i = 0; i < file_count; ++i) {
        uint32_t left = table_size - at;   // at never passes table_size: each record fits
        if (left < ENTRY_FIXED_BYTES) return MSG_INVALID_DATA;
        const uint8_t* entry = table + at;
        uint32_t record_length = entry_record_length(entry);
        if (record_length > left) return MSG_INVALID_DATA;

        // The name must end inside the record; only then may strlen and the accessors run.
        size_t name_length = 0;
        while (6 + name_length < record_length && entry[6 + name_length] != 0) ++name_length;
        if (6 + name_length >= record_length) return MSG_INVALID_DATA;
        size_t needed = name_length + ENTRY_FIXED_BYTES + (entry_has_version(entry) ? ENTRY_VERSION_BYTES : 0);
        if (record_length < needed) return MSG_INVALID_DATA;
        if (!sound_name(entry_name(entry), name_length)) return MSG_INVALID_DATA;

        uint32_t data_offset = entry_data_offset(entry);
        if (data_offset < data_start || data_offset >= file_size) return MSG_INVALID_DATA;
        at += record_length;
    }
    return STATUS_OK;
}
