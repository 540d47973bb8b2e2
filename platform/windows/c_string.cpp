// The C library's string and memory functions that the program calls, or that the compiler
// calls on its behalf (structure copies and clears): the Windows builds of the program link no
// C runtime. Built with -ffreestanding and without loop-to-call rewriting (see
// platform/sources.cmake), so that no loop here is turned back into a call of the function
// it is in.
#include <cstddef>

extern "C" {

// Forward copies and fills are the string instructions, which current processors run at
// close to memory speed: the decoder writes its window out through memcpy.
void* memcpy(void* dest, const void* src, size_t n) {
    void* d = dest;
    __asm__ volatile("rep movsb" : "+D"(d), "+S"(src), "+c"(n) : : "memory");
    return dest;
}

// Front to back where the destination lies before the source (or clear of it), back to
// front where it lies inside the source.
void* memmove(void* dest, const void* src, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(dest);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d <= s || d >= s + n) return memcpy(dest, src, n);
    while (n--) d[n] = s[n];
    return dest;
}

void* memset(void* dest, int value, size_t n) {
    void* d = dest;
    __asm__ volatile("rep stosb" : "+D"(d), "+c"(n) : "a"(value) : "memory");
    return dest;
}

int memcmp(const void* a, const void* b, size_t n) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y)
        if (*x != *y) return *x - *y;
    return 0;
}

void* memchr(const void* p, int value, size_t n) {
    const unsigned char* s = static_cast<const unsigned char*>(p);
    for (; n; --n, ++s)
        if (*s == (unsigned char)value) return const_cast<unsigned char*>(s);
    return nullptr;
}

size_t strlen(const char* s) {
    const char* p = s;
    while (*p) ++p;
    return (size_t)(p - s);
}

char* strcpy(char* dest, const char* src) {
    char* d = dest;
    while ((*d++ = *src++) != 0) {}
    return dest;
}

char* strcat(char* dest, const char* src) {
    strcpy(dest + strlen(dest), src);
    return dest;
}

// Copies at most n characters and pads with zeros to n, as the C library does.
char* strncpy(char* dest, const char* src, size_t n) {
    size_t i = 0;
    for (; i < n && src[i]; ++i) dest[i] = src[i];
    for (; i < n; ++i) dest[i] = 0;
    return dest;
}

// Appends at most n characters and always a terminator.
char* strncat(char* dest, const char* src, size_t n) {
    char* d = dest + strlen(dest);
    while (n-- && *src) *d++ = *src++;
    *d = 0;
    return dest;
}

char* strchr(const char* s, int c) {
    for (;; ++s) {
        if (*s == (char)c) return const_cast<char*>(s);
        if (!*s) return nullptr;
    }
}

char* strrchr(const char* s, int c) {
    const char* found = nullptr;
    for (;; ++s) {
        if (*s == (char)c) found = s;
        if (!*s) return const_cast<char*>(found);
    }
}

}  // extern "C"
