// libFuzzer target: setup-pack's manifest reader on any bytes, as a maker's manifest from
// anywhere. The input is saved as the manifest of a folder holding a few sources (text files,
// a program with a version resource, a subfolder for folder entries). A manifest the reader
// accepts must describe a package the program itself accepts: every name passes the tool's
// own name check and, written into a File table as build writes it, the program's soundness
// test of the table; no two names are one file to Windows (letter case aside).
#include "package/package_format.h"
#include "package/table_checks.h"
#include "tests/support/make_pe.h"
#include "tools/setup-pack/manifest.h"
#include "tools/setup-pack/package_builder.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string folder;   // made once, with the sources a manifest may name

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void make_folder() {
    char tmpl[] = "/tmp/fuzz-manifest-XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    folder = tmpl;
    write(folder + "/readme.txt", "Read me.\r\n");
    write(folder + "/a.bin", std::string(3000, 'a'));
    write(folder + "/lib.dll", make_pe_with_version(2, 2, 0, 98, PeMachine::i386));
    mkdir((folder + "/docs").c_str(), 0700);
    write(folder + "/docs/guide.txt", "Guide.\r\n");
    write(folder + "/docs/notes.txt", "Notes.\r\n");
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (folder.empty()) make_folder();
    const std::string path = folder + "/manifest.ini";
    write(path, std::string(reinterpret_cast<const char*>(data), size));
    Manifest manifest;
    std::vector<std::string> errors;
    if (!load_manifest(path, manifest, errors)) {
        if (errors.empty()) std::abort();   // a refusal always says why
        return 0;
    }
    if (!errors.empty()) std::abort();
    // The File table build would write (data offsets in the data area, one byte each).
    std::vector<uint8_t> table;
    std::set<std::string> names;
    const uint32_t data_start = 4096;
    uint32_t offset = data_start;
    for (const ManifestEntry& e : manifest.entries) {
        if (!package_name_fault(e.name).empty()) std::abort();
        if (!names.insert(lower(e.name)).second) std::abort();
        std::vector<uint8_t> record =
            make_entry_record(e.name, e.flags, (uint16_t)((e.size + 1023) / 1024), e.version_ms, e.version_ls, offset, 1);
        table.insert(table.end(), record.begin(), record.end());
        ++offset;
    }
    if (check_file_table(table.data(), (uint32_t)table.size(), (unsigned)manifest.entries.size(), data_start,
                         offset + 1) != 0)
        std::abort();
    return 0;
}
