// Checking a package stream against the bytes it must decode to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// True when the program's own decoder decodes `stream` to exactly `expected`. Otherwise
// false, with `error` naming what went wrong (which rule of the package format the stream
// breaks, when it breaks one).
bool stream_decodes_to(const uint8_t* stream, size_t stream_size, const uint8_t* expected, size_t expected_size,
                       std::string& error);
