// The test executables of tests/support/make_pe are read by the platform's version calls the
// way real executables are: on the host stand-in and by the real library under Wine.
#include "tests/support/make_pe.h"
#include "tests/support/test_env.h"

#include <vector>

namespace {

struct Read {
    DWORD size = 0;
    bool fixed_info = false;
    DWORD ms = 0, ls = 0, signature = 0;
};

Read read_version(const std::string& path) {
    Read r;
    DWORD handle = 0;
    r.size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (r.size == 0) return r;
    std::vector<char> block(r.size);
    if (!GetFileVersionInfoA(path.c_str(), handle, r.size, block.data())) return r;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length)) return r;
    r.fixed_info = length >= sizeof(VS_FIXEDFILEINFO);
    r.signature = info->dwSignature;
    r.ms = info->dwFileVersionMS;
    r.ls = info->dwFileVersionLS;
    return r;
}

}  // namespace

using VersionResources = PlatformTest;

TEST_F(VersionResources, BothMachinesCarryTheirFileVersion) {
    for (PeMachine machine : {PeMachine::x86_64, PeMachine::i386}) {
        std::string file = path(machine == PeMachine::x86_64 ? "wide.exe" : "narrow.exe");
        write_file(file, make_pe_with_version(4, 70, 1234, 5, machine));
        Read r = read_version(file);
        EXPECT_GT(r.size, 0u) << file;
        EXPECT_TRUE(r.fixed_info) << file;
        EXPECT_EQ(r.signature, 0xFEEF04BDu) << file;
        EXPECT_EQ(r.ms, 0x00040046u) << file;
        EXPECT_EQ(r.ls, (1234u << 16) | 5u) << file;
    }
}

TEST_F(VersionResources, LargestPartsSurvive) {
    write_file(path("max.exe"), make_pe_with_version(0xFFFF, 0xFFFE, 0, 0xFFFD));
    Read r = read_version(path("max.exe"));
    EXPECT_EQ(r.ms, 0xFFFFFFFEu);
    EXPECT_EQ(r.ls, 0x0000FFFDu);
}

TEST_F(VersionResources, FilesWithoutVersionResourceHaveNone) {
    write_file(path("plain.exe"), make_pe());
    write_file(path("plain32.exe"), make_pe(PeMachine::i386));
    write_file(path("text.exe"), make_not_pe());
    write_file(path("old.exe"), make_16bit_exe());
    for (const char* name : {"plain.exe", "plain32.exe", "text.exe", "old.exe", "missing.exe"}) {
        DWORD handle = 0;
        EXPECT_EQ(GetFileVersionInfoSizeA(path(name).c_str(), &handle), 0u) << name;
    }
}

TEST_F(VersionResources, SixteenBitHeaderIsNotPe) {
    std::string exe = make_16bit_exe();
    ASSERT_GE(exe.size(), 64u);
    uint32_t at = (uint8_t)exe[60] | (uint8_t)exe[61] << 8;
    ASSERT_LT(at + 2, exe.size());
    EXPECT_EQ(exe.substr(0, 2), "MZ");
    EXPECT_EQ(exe.substr(at, 2), "NE");
    std::string pe = make_pe();
    at = (uint8_t)pe[60] | (uint8_t)pe[61] << 8;
    EXPECT_EQ(pe.substr(at, 4), std::string("PE\0\0", 4));
}
