#include "common/install_record.h"

#include "common/path_text.h"

#include <cstring>

namespace {

// A record never holds more entries than this; a larger count is damage.
constexpr DWORD MAX_ENTRIES = 65536;

bool known_kind(char k) { return k && std::strchr("TBGFPSULR", k); }

}  // namespace

bool record_hex_digits(const char* p, int count, DWORD& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        char c = p[i];
        int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (v < 0) return false;
        value = value << 4 | (DWORD)v;
    }
    return true;
}

bool install_record_form(const char* text, DWORD size, DWORD& count) {
    if (size < sizeof INSTALL_RECORD_TAG + 1 || text[size - 1] != 0 || text[size - 2] != 0 ||
        std::memcmp(text, INSTALL_RECORD_TAG, sizeof INSTALL_RECORD_TAG) != 0)
        return false;
    const char* end = text + size;
    const char* p = text + sizeof INSTALL_RECORD_TAG;
    for (count = 0; p < end && *p != RECORD_END; p += std::strlen(p) + 1) {
        // An empty string here is a list that ends without its end string.
        DWORD ignored;
        if (!known_kind(*p) || p[1] == 0 || ++count > MAX_ENTRIES) return false;
        if (*p == RECORD_PLUGIN_COPY && (std::strlen(p + 1) <= (size_t)RECORD_STAMP_DIGITS ||
                                         !record_hex_digits(p + 1, RECORD_STAMP_DIGITS, ignored)))
            return false;
    }
    // The end string, "E" and the number of entries in decimal, as the installer writes it;
    // after it the list's terminating zero, and nothing but zeros.
    char last[16];
    wsprintfA(last, "E%u", (unsigned)count);
    if (p >= end || !same_name(p, last)) return false;
    for (p += std::strlen(p) + 1; p < end; ++p)
        if (*p) return false;
    return true;
}

void format_record_stamp(char* out, const WIN32_FIND_DATAA& found) {
    wsprintfA(out, "%08lX%08lX%08lX", found.nFileSizeLow, found.ftLastWriteTime.dwHighDateTime,
              found.ftLastWriteTime.dwLowDateTime);
}
