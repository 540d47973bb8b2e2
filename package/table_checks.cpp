#include "package/table_checks.h"

#include "common/install_context.h"
#include "common/status.h"
#include "package/package_format.h"

namespace {

// A name that entry extraction may join to a directory: relative, no drive, no parent step.
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
        if (only_dots) return false;
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
