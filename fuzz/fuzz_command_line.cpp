// libFuzzer target: the command-line parser on any bytes. The line is copied into a buffer of
// exactly its size (the sanitizers catch a read past its terminator); afterwards both fields
// must end inside themselves and a value handed on must hold only path characters and come
// from the line.
#include "common/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool ends_inside(const char* field) { return std::memchr(field, 0, PATH_BUFFER_SIZE) != nullptr; }

bool only_path_characters(const char* field) {
    for (const char* p = field; *p; ++p)
        if ((unsigned char)*p < 0x20 || std::strchr("\"*<>?|", *p)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> line(new char[size + 1]);
    std::memcpy(line.get(), data, size);
    line[size] = 0;
    CommandLine out;
    parse_command_line(line.get(), out);
    if (!ends_inside(out.directory) || !ends_inside(out.log_file)) std::abort();
    if (!only_path_characters(out.directory) || !only_path_characters(out.log_file)) std::abort();
    if (!std::memchr(out.unknown, 0, sizeof out.unknown)) std::abort();
    // A refused directory is never handed on, and a value is only taken from the line itself:
    // the line without its double quotes, which group blanks and are dropped.
    if (out.directory_refusal && out.directory[0]) std::abort();
    std::unique_ptr<char[]> unquoted(new char[size + 1]);
    size_t length = 0;
    for (size_t i = 0; i < size && line[i]; ++i)
        if (line[i] != '"') unquoted[length++] = line[i];
    unquoted[length] = 0;
    if (out.directory[0] && !std::strstr(unquoted.get(), out.directory)) std::abort();
    if (out.log_file[0] && !std::strstr(unquoted.get(), out.log_file)) std::abort();
    return 0;
}
