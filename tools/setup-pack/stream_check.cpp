#include "tools/setup-pack/stream_check.h"

#include "tools/setup-pack/program_decoder.h"
#include "tools/setup-pack/stream_parser.h"

#include <cstring>

bool stream_decodes_to(const uint8_t* stream, size_t stream_size, const uint8_t* expected, size_t expected_size,
                       std::string& error) {
    // The program's own decoder, which is what the installer will run...
    std::vector<uint8_t> decoded;
    int status = decode_with_program(stream, stream_size, NO_OUTPUT_LIMIT, decoded);
    if (status == 0 && decoded.size() == expected_size &&
        (expected_size == 0 || std::memcmp(decoded.data(), expected, expected_size) == 0))
        return true;
    // ...and when it fails, the format's rules block by block, so that the fault is named.
    ParsedStream parsed;
    std::string fault = parse_stream(stream, stream_size, StreamFormat::package, parsed, expected_size);
    if (!fault.empty()) error = "the package stream is unsound: " + fault;
    else if (status != 0) error = "the program's decoder refuses the stream (status " + std::to_string(status) + ")";
    else error = "the program's decoder does not give back the input";
    return false;
}
