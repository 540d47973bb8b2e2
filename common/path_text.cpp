#include "common/path_text.h"

#include <cstring>

bool same_name(const char* a, const char* b) {
    while (*a && ascii_lower(*a) == ascii_lower(*b)) {
        ++a;
        ++b;
    }
    return ascii_lower(*a) == ascii_lower(*b);
}

const char* after_prefix(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (ascii_lower(*text) != ascii_lower(*prefix)) return nullptr;
    return text;
}

int path_depth(const char* path) {
    int n = 0;
    for (; *path; ++path) n += *path == '\\';
    return n;
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
