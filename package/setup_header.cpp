#include "package/setup_header.h"

// The marker lets setup-pack find this block in the built executable; the other fields are
// filled in by setup-pack when it appends the package. The non-zero reserved values keep the
// block in initialised data.
SetupHeader setup_header_storage = {
    {0x77, 0x77, 0x67, 0x54, 0x29, 0x48}, 0, 0, 0, 0, 3, 0x00010004, 0x00010029, 0, 0, 0x00000409, 0,
};

const SetupHeader& setup_header() {
    const SetupHeader* p = &setup_header_storage;
    asm volatile("" : "+r"(p) : : "memory");
    return *p;
}
