#include "tools/setup-pack/stream_check.h"

#include "tools/setup-pack/stream_parser.h"

#include <cstring>

bool stream_decodes_to(const uint8_t* stream, size_t stream_size, const uint8_t* expected, size_t expected_size,
                       std::string& error) {
    ParsedStream parsed;
    std::string fault = parse_stream(stream, stream_size, StreamFormat::package, parsed, expected_size);
    if (!fault.empty()) {
        error = "the package stream is unsound: " + fault;
        return false;
    }
    if (parsed.output.size() != expected_size ||
        (expected_size && std::memcmp(parsed.output.data(), expected, expected_size) != 0)) {
        error = "the package stream does not decode to the input";
        return false;
    }
    return true;
}
