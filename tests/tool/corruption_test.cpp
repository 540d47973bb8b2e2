// Damaged installers: every changed byte of the package (four values each), of the program
// part (one each) and every truncation of a small installer is refused by `verify` with exit
// code 1 and a message that names the fault. The command runs in process for every case; the setup-pack program itself
// runs for a bounded sample, so its exit code and its text on stderr are checked too.
#include "tests/tool/tool_support.h"

#include "tools/setup-pack/commands.h"
#include "tools/setup-pack/installer_reader.h"

#include <map>
#include <sys/stat.h>

namespace {

class Corruption : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ::mkdir(path("src").c_str(), 0755);
        write_bytes(path("src/a.dll"), program_like_data(3000, 1));
        write_bytes(path("src/readme.txt"), Bytes({'h', 'i', '\r', '\n'}));
        write_bytes(path("src/b.bin"), random_data(300, 2));
        write_bytes(path("src/logo.bmp"), program_like_data(700, 3));
        write_text(path("src/manifest.ini"),
                   "[Setup]\nversion = 2.2.98\n[Files]\n"
                   "a.dll a.dll versioned version=2.2.0.98\n"
                   "readme.txt readme.txt\n"
                   "b.bin data\\b.bin\n"
                   "logo.bmp logo.bmp not_installed\n");
        write_bytes(path("stub.exe"), make_stub(1024, 600));
        RunResult r = run_tool({"build", "--stub", path("stub.exe"), "--manifest", path("src/manifest.ini"),
                                "--out", path("setup.exe")});
        ASSERT_EQ(r.code, 0) << r.out;
        good_ = read_bytes(path("setup.exe"));
        InstallerView view;
        std::string error;
        ASSERT_TRUE(open_installer(path("setup.exe"), view, error)) << error;
        table_offset_ = view.table_offset;
        ASSERT_EQ(verify_in_process(good_).first, 0);
    }

    // command_verify on `bytes`: its exit code and what it printed on stderr.
    std::pair<int, std::string> verify_in_process(const Bytes& bytes) {
        write_bytes(path("bad.exe"), bytes);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        int code = command_verify({path("bad.exe")});
        std::string err = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        return {code, err};
    }

    // The kind of fault a message names, for the tally.
    static std::string kind_of(const std::string& message) {
        for (const char* k : {"PE checksum", "no PE headers", "does not match the header's", "the decoder returns status", "decodes to",
                              "the File table is unsound", "is not an installer", "no Setup header",
                              "table", "past the end"})
            if (message.find(k) != std::string::npos) return k;
        return message;
    }

    Bytes good_;
    uint32_t table_offset_ = 0;
};

}  // namespace

TEST_F(Corruption, EveryChangedByteAndEveryTruncationIsNamed) {
    std::map<std::string, int> kinds;
    int cases = 0, tool_runs = 0;
    auto check = [&](const Bytes& bad, const std::string& label, bool run_binary) {
        ++cases;
        auto [code, err] = verify_in_process(bad);
        EXPECT_EQ(code, EXIT_FAULT) << label;
        EXPECT_NE(err.find("setup-pack verify: "), std::string::npos) << label << ": " << err;
        ++kinds[kind_of(err)];
        if (!run_binary) return;
        ++tool_runs;
        RunResult r = run_tool({"verify", path("bad.exe")});
        EXPECT_EQ(r.code, EXIT_FAULT) << label;
        EXPECT_NE(r.out.find(err.substr(0, err.find('\n'))), std::string::npos) << label << ": " << r.out;
    };
    const uint32_t size = (uint32_t)good_.size();
    const uint32_t stride = (size - table_offset_) / 10 + 1;   // about ten program runs per value
    for (uint32_t at = table_offset_; at < size; ++at) {
        int value_index = 0;
        for (int mode = 0; mode < 4; ++mode, ++value_index) {
            uint8_t old = good_[at];
            uint8_t value = mode == 0 ? old ^ 0x01 : mode == 1 ? old ^ 0x80 : mode == 2 ? 0x00 : 0xFF;
            if (value == old) continue;
            Bytes bad = good_;
            bad[at] = value;
            check(bad, "byte " + std::to_string(at) + " value " + std::to_string(value),
                  (at - table_offset_) % stride == (uint32_t)value_index);
        }
    }
    // The program part, its PE headers included: one change of each byte, which only the PE
    // checksum sees.
    for (uint32_t at = 0; at < table_offset_; ++at) {
        Bytes bad = good_;
        bad[at] ^= (uint8_t)(at % 2 ? 0x80 : 0x01);
        check(bad, "program byte " + std::to_string(at), at % 101 == 0);
    }
    for (uint32_t length = 0; length < size; ++length) {
        Bytes bad(good_.begin(), good_.begin() + length);
        check(bad, "cut at " + std::to_string(length), length % 97 == 0);
    }
    std::printf("[corruption] %d damaged installers, %d program runs, %u package bytes:", cases, tool_runs,
                size - table_offset_);
    for (const auto& [k, n] : kinds) std::printf(" \"%s\" x%d", k.c_str(), n);
    std::printf("\n");
    EXPECT_GT(tool_runs, 40);
}
