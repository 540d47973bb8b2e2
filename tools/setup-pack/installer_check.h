// The thorough check of an installer, shared by `verify` and by `build` (which runs it on the
// file it wrote before renaming it into place).
#pragma once

#include "tools/setup-pack/installer_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Called with each entry's index and decoded bytes; returns a fault ("" when they are right).
using EntryContentCheck = std::function<std::string(size_t index, const std::vector<uint8_t>& data)>;

// Checks, in order, and returns the first fault ("" when sound): the package checksum (a file
// cut short is named as truncated), the PE checksum over the whole file (the program part,
// the headers and a certificate table too), the program's File table soundness test, and for each
// entry that the program's decoder decodes its packed_size bytes with status 0 within the
// limit extraction uses,
// that its size rounds up to size_kb, that packed_size stays in the package, and that an
// extension entry passes the installer's embedded checksum test. `unpacked` gets the total of
// the decoded sizes, and `sizes` (when given) each entry's; `content` (when given) judges each
// entry's decoded bytes too.
std::string check_installer(InstallerView& view, size_t& unpacked, std::vector<size_t>* sizes = nullptr,
                            const EntryContentCheck& content = nullptr);

// When the File table lays its entries' data end to end from data_start, as build writes it,
// and that data reaches past the end of the package (the file was cut short): "the installer
// is truncated: ...". Else "".
std::string truncation_fault(const InstallerView& view);
