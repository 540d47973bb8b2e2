// Setting the PE checksum of a test's program file, as a linker, setup-pack or a signer does,
// so that the damage a test makes on purpose is the only fault in the file.
#pragma once

#include "common/bytes.h"
#include "package/checksum.h"
#include "package/signature.h"

#include <cstddef>
#include <cstdint>

// Sets the CheckSum field of the program file `file` (found through its MZ header, which must
// name PE headers inside the file) to the checksum of the file's `size` bytes.
inline void seal_pe_checksum(uint8_t* file, size_t size) {
    const uint32_t field = read_u32(file + PE_HEADERS_POINTER) + PE_CHECKSUM_FIELD;
    write_u32(file + field, pe_checksum_of(file, (uint32_t)size, field));
}
