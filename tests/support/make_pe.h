// Small executables made in memory for the tests: a minimal but valid PE image (x86_64 or
// i386) with or without a version resource, a file that is not an executable at all, and a
// 16-bit one (an MZ header whose new-executable header is not "PE"). The PE images are
// accepted by the platform's version calls: the host stand-in's and the real ones under Wine.
#pragma once

#include <cstdint>
#include <string>

enum class PeMachine { x86_64, i386 };

// A PE image without resources.
std::string make_pe(PeMachine machine = PeMachine::x86_64);

// A PE image whose RT_VERSION resource holds a VS_VERSIONINFO with file (and product)
// version a.b.c.d: dwFileVersionMS = a << 16 | b, dwFileVersionLS = c << 16 | d.
std::string make_pe_with_version(uint16_t a, uint16_t b, uint16_t c, uint16_t d,
                                 PeMachine machine = PeMachine::x86_64);

// Bytes that are no executable: no MZ header.
std::string make_not_pe();

// An MZ header whose new-executable header at offset 60 says "NE": a 16-bit program.
std::string make_16bit_exe();
