// What the tool tests share: a scratch folder, file helpers, test data and a way to run the
// setup-pack program and see its exit code and output.
#pragma once

#include "tests/support/make_pe.h"
#include "tests/support/seal_pe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The host path of a file in the test's own scratch folder.
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

void write_bytes(const std::string& path, const Bytes& bytes);
void write_text(const std::string& path, const std::string& text);
Bytes read_bytes(const std::string& path);
bool exists(const std::string& path);
std::vector<std::string> files_in(const std::string& dir);   // names, sorted

Bytes random_data(size_t size, uint32_t seed);
Bytes repetitive_data(size_t size);
// Bytes like a program file: code-like runs, tables and text, compressible but not trivially.
Bytes program_like_data(size_t size, uint32_t seed);

struct RunResult {
    int code;
    std::string out;   // stdout and stderr together
};
// Runs setup-pack with `args` (each quoted for the shell).
RunResult run_tool(const std::vector<std::string>& args);
// Runs a shell command line as it stands.
RunResult run_shell(const std::string& command);

// A minimal stub program file: the PE headers of make_pe(machine) in its first 512 bytes, then
// filler with the Setup header (marker and the reserved values the program is built with) at
// `header_at` (512 or more).
Bytes make_stub(size_t size = 4096, size_t header_at = 1000, PeMachine machine = PeMachine::i386);

// Sets the PE checksum of an installer a test changed, so that another fault is the only one.
inline void seal_pe_checksum(Bytes& file) { seal_pe_checksum(file.data(), file.size()); }
