#include "common/path_text.h"

#include <cstring>

namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }
}  // namespace

bool same_name(const char* a, const char* b) {
    while (*a && lower(*a) == lower(*b)) {
        ++a;
        ++b;
    }
    return lower(*a) == lower(*b);
}

const char* last_component(const char* name) {
    const char* slash = std::strrchr(name, '\\');
    return slash ? slash + 1 : name;
}

const char* name_extension(const char* name) {
    return std::strrchr(last_component(name), '.');
}

bool has_extension(const char* name, const char* extension) {
    const char* dot = name_extension(name);
    return dot && same_name(dot, extension);
}

bool append_text(char* buffer, int size, const char* text) {
    size_t used = std::strlen(buffer);
    size_t length = std::strlen(text);
    if (used + length + 1 > (size_t)size) return false;
    std::memcpy(buffer + used, text, length + 1);
    return true;
}

bool join_path(char* out, const char* first, const char* second) {
    out[0] = 0;
    if (!append_text(out, PATH_BUFFER_SIZE, first) || !append_text(out, PATH_BUFFER_SIZE, second)) {
        out[0] = 0;
        return false;
    }
    return true;
}
