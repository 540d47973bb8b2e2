// What every unit test stands on, the same on the host stand-in and under Wine: a fresh empty
// folder, a fresh Install context, no scripted answers, and small file and registry helpers
// written with the Win32 calls the program itself uses.
#pragma once

#include "common/install_context.h"
#include "platform/test_control.h"

#include <gtest/gtest.h>

#include <string>

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The test's own empty folder, as a Windows path ending in a backslash.
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + name; }

private:
    std::string dir_;
    std::string host_root_;
};

// Files, through _lcreat/_lwrite and _lopen/_lread.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
bool directory_exists(const std::string& path);
void make_directory(const std::string& path);
// The short (8.3) form the system gives an existing path.
std::string short_path(const std::string& path);
// Deletes a folder and everything in it (read-only files included); missing is fine.
void remove_tree(const std::string& path);

// Registry.
void set_registry_string(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value);
// The REG_SZ value, or "<missing>" when the key or value does not exist.
std::string registry_string(HKEY root, const std::string& key, const std::string& name);
// The REG_DWORD value, or -1 when the key or value does not exist or has another type.
long registry_dword(HKEY root, const std::string& key, const std::string& name);
void set_registry_dword(HKEY root, const std::string& key, const std::string& name, DWORD value);
// Whether the value exists, of any type.
bool registry_value_exists(HKEY root, const std::string& key, const std::string& name);
bool registry_key_exists(HKEY root, const std::string& key);
void delete_registry_tree(HKEY root, const std::string& key);

// The directory the program proposes when no setting names one: the Program Files folder of
// this process's kind, as the shell names it (C:\Program Files (x86) for a 32-bit process on
// 64-bit Windows), with "\Brisvane\"; on the host, whose stand-in registry has no such
// folder, C:\Program Files\Brisvane\.
std::string default_target_directory();

// A space requirement (ctx.required_kb) no disk meets: the not-enough-space path.
constexpr uint32_t MORE_THAN_ANY_DISK = 0xFFFFFFF0;

// A fresh Install context: zeroed, path buffers allocated, handles closed.
void reset_context();
void release_context();

// Bytes of a string literal that may hold zeros: bytes("\x01\x00", 2).
inline std::string bytes(const char* p, size_t n) { return std::string(p, n); }
