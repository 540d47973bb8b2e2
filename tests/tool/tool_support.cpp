#include "tests/tool/tool_support.h"

#include "common/bytes.h"
#include "package/package_format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>

void ToolTest::SetUp() {
    char tmpl[] = "/tmp/bvtool-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
}

void ToolTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void write_bytes(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write((const char*)bytes.data(), (std::streamsize)bytes.size());
    ASSERT_TRUE(f.good()) << path;
}

void write_text(const std::string& path, const std::string& text) { write_bytes(path, Bytes(text.begin(), text.end())); }

Bytes read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> files_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes random_data(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(size);
    for (auto& x : b) x = (uint8_t)rng();
    return b;
}

Bytes repetitive_data(size_t size) {
    const char* phrase = "the same phrase again and again, ";
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = (uint8_t)phrase[i % std::strlen(phrase)];
    return b;
}

Bytes program_like_data(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    static const char* words[] = {"GetProcAddress", "LoadLibraryA", "kernel32.dll", "user32.dll", "\x55\x8b\xec\x83\xec",
                                  "\x8b\x45\x08\x50\xe8", "\xc3\xcc\xcc\xcc", "\x00\x00\x00\x00", "sample text "};
    Bytes b;
    while (b.size() < size) {
        uint32_t r = rng();
        if (r % 4 == 0) {
            for (int i = 0; i < 8; ++i) b.push_back((uint8_t)(rng() % 64));
        } else {
            const char* w = words[r % 9];
            size_t n = r % 9 == 7 ? 4 : std::strlen(w);
            b.insert(b.end(), w, w + n);
        }
    }
    b.resize(size);
    return b;
}

RunResult run_tool(const std::vector<std::string>& args) {
    std::string command = "'" SETUP_PACK_PATH "'";
    for (const std::string& a : args) command += " '" + a + "'";
    return run_shell(command);
}

RunResult run_shell(const std::string& command) {
    RunResult r{-1, ""};
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

Bytes make_stub(size_t size, size_t header_at, PeMachine machine) {
    Bytes stub = program_like_data(size, 99);
    const std::string pe = make_pe(machine);
    std::copy(pe.begin(), pe.begin() + 512, stub.begin());
    uint8_t header[48] = {};
    std::memcpy(header, SETUP_MARKER, 6);
    write_u32(header + 20, 3);
    write_u32(header + 24, 0x00010004);
    write_u32(header + 28, 0x00010029);
    write_u32(header + 40, 0x409);
    std::memcpy(stub.data() + header_at, header, sizeof header);
    return stub;
}
