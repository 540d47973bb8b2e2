// The listings of `list --format tsv` and `list --format json`: exact figures for scripts, in
// the stable form tools/setup-pack/README.md describes.
#pragma once

#include "tools/setup-pack/installer_reader.h"

#include <cstdint>
#include <string>

// Checks the installer as `verify` does (the exact sizes come from decoding every entry),
// then prints it in `format` ("tsv" or "json") on stdout. Returns the exit code: 0, or 1
// with the fault on stderr and nothing on stdout.
int list_for_scripts(const InstallerView& view, const std::string& format);

// "a.b.c.d" of a version pair.
std::string version_text(uint32_t ms, uint32_t ls);
