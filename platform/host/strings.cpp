// String resources and formatting on the host: LoadStringA from the program's own string
// catalogue, wsprintfA.
#include "platform/host/host_state.h"

#include <cstdio>
#include <cstring>

namespace {

struct CatalogueString {
    UINT id;
    const char* text;
};

// The same catalogue the Windows builds compile into their string table.
const CatalogueString catalogue[] = {
#define STRING(id, text) {id, text},
#include "resources/product_name.h"
#include "resources/strings.inc"
#include "uninstall/strings.inc"
#undef STRING
};

}  // namespace

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    for (const CatalogueString& s : catalogue) {
        if (s.id != id) continue;
        int n = (int)std::strlen(s.text);
        if (n > size - 1) n = size - 1;   // cut at the buffer, as LoadStringA does
        std::memcpy(buffer, s.text, (size_t)n);
        buffer[n] = 0;
        return n;
    }
    buffer[0] = 0;
    return 0;
}

int wvsprintfA(LPSTR out, LPCSTR format, va_list args) {
    // wsprintfA writes at most 1024 characters and its terminator.
    int n = std::vsnprintf(out, 1025, format, args);
    return n > 1024 ? 1024 : n;
}

int wsprintfA(LPSTR out, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(out, format, args);
    va_end(args);
    return n;
}
