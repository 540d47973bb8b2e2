// Signed installers, with a real signer: osslsigncode signs what `build` wrote, with a test
// certificate that openssl makes at test time in the build folder. The signature must cover
// the package unchanged, `verify`, `list` and `extract` must accept the signed file and say
// so, and `build` must refuse a signed stub.
#include "tests/tool/tool_support.h"

#include "common/bytes.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "tests/support/make_pe.h"
#include "tools/setup-pack/commands.h"
#include "tools/setup-pack/installer_reader.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The test signer's key and self-signed certificate, made once in the build folder by
// tests/support/test-certificate (which the shell tests use too).
const std::string& signing_dir() {
    static const std::string dir = [] {
        RunResult r = run_shell("bash " + quoted(TEST_CERTIFICATE_SCRIPT) + " " + quoted(TEST_SIGNING_DIR));
        if (r.code != 0) ADD_FAILURE() << "test-certificate: " << r.out;
        return std::string(TEST_SIGNING_DIR);
    }();
    return dir;
}

RunResult sign(const std::string& in, const std::string& out) {
    const std::string& d = signing_dir();
    ::unlink(out.c_str());
    return run_shell("osslsigncode sign -certs " + quoted(d + "/cert.pem") + " -key " + quoted(d + "/key.pem") +
                     " -n 'Brisvane Setup' -in " + quoted(in) + " -out " + quoted(out));
}

RunResult signature_check(const std::string& file) {
    return run_shell("osslsigncode verify -CAfile " + quoted(signing_dir() + "/cert.pem") + " -in " + quoted(file));
}

// A stub that is a real PE image (so it can be signed), with the Setup header behind it.
Bytes pe_stub(PeMachine machine) {
    std::string pe = make_pe(machine);
    Bytes stub = make_stub(pe.size() + 700, pe.size() + 100, machine);
    std::copy(pe.begin(), pe.end(), stub.begin());
    return stub;
}

// A byte of the program part that no header field names: in pe_stub's filler, behind
// make_pe's image (which ends at 1024) and before the Setup header (at 1124).
constexpr size_t FILLER_BYTE = 1060;

class Signing : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ::mkdir(path("src").c_str(), 0755);
        write_bytes(path("src/a.dll"), program_like_data(5000, 1));
        write_bytes(path("src/readme.txt"), Bytes({'h', 'i', '\r', '\n'}));
        write_bytes(path("src/logo.bmp"), program_like_data(900, 3));
        manifest("readme.txt");
    }
    void manifest(const std::string& readme) {
        write_text(path("src/manifest.ini"),
                   "[Setup]\nversion = 2.2.98\n[Files]\n"
                   "a.dll a.dll versioned version=2.2.0.98\n" + readme + " docs\\readme.txt\n"
                   "logo.bmp logo.bmp not_installed\n");
    }
    RunResult build(PeMachine machine, const std::string& out) {
        write_bytes(path("stub.exe"), pe_stub(machine));
        return run_tool({"build", "--stub", path("stub.exe"), "--manifest", path("src/manifest.ini"), "--out", path(out)});
    }
    std::pair<int, std::string> verify_in_process(const Bytes& bytes) {
        write_bytes(path("bad.exe"), bytes);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        int code = command_verify({path("bad.exe")});
        std::string err = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        return {code, err};
    }
};

}  // namespace

TEST_F(Signing, SignedInstallerIsAcceptedAndItsPackageIsUnchanged) {
    for (PeMachine machine : {PeMachine::i386, PeMachine::x86_64}) {
        const char* label = machine == PeMachine::i386 ? "i386" : "x86_64";
        ASSERT_EQ(build(machine, "setup.exe").code, 0) << label;
        ASSERT_EQ(sign(path("setup.exe"), path("signed.exe")).code, 0) << label;
        Bytes built = read_bytes(path("setup.exe")), signed_file = read_bytes(path("signed.exe"));
        EXPECT_EQ(built.size() % 8, 0u) << label;
        ASSERT_GT(signed_file.size(), built.size()) << label;

        RunResult r = signature_check(path("signed.exe"));
        EXPECT_EQ(r.code, 0) << label << ": " << r.out;

        // The signer inserted nothing: the package is byte for byte where it was, and the
        // certificate table starts right behind it.
        InstallerView view;
        std::string error;
        ASSERT_TRUE(open_installer(path("signed.exe"), view, error)) << label << ": " << error;
        EXPECT_EQ(view.certificate_offset, built.size()) << label;
        EXPECT_EQ(view.certificate_offset + view.certificate_size, signed_file.size()) << label;
        EXPECT_EQ(view.package_end, built.size()) << label;
        EXPECT_TRUE(std::equal(built.begin() + view.table_offset, built.end(), signed_file.begin() + view.table_offset))
            << label;

        const std::string table = "certificate table of " + std::to_string(view.certificate_size) + " bytes at offset " +
                                  std::to_string(built.size());
        r = run_tool({"verify", path("signed.exe")});
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("sound: 3 entries"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("signed: " + table), std::string::npos) << r.out;
        r = run_tool({"list", path("signed.exe")});
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("signed: " + table), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("docs\\readme.txt"), std::string::npos) << r.out;
        r = run_tool({"list", path("setup.exe")});
        EXPECT_NE(r.out.find("signed: no"), std::string::npos) << r.out;

        std::string out = path(std::string("out-") + label);
        r = run_tool({"extract", path("signed.exe"), out});
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("signed: " + table), std::string::npos) << r.out;
        EXPECT_TRUE(read_bytes(out + "/docs/readme.txt") == read_bytes(path("src/readme.txt"))) << label;
        EXPECT_TRUE(read_bytes(out + "/a.dll") == read_bytes(path("src/a.dll"))) << label;
    }
}

TEST_F(Signing, PeChecksumIsRightBeforeAndAfterSigningAndOutsideTheSignature) {
    for (PeMachine machine : {PeMachine::i386, PeMachine::x86_64}) {
        const char* label = machine == PeMachine::i386 ? "i386" : "x86_64";
        ASSERT_EQ(build(machine, "setup.exe").code, 0) << label;
        ASSERT_EQ(sign(path("setup.exe"), path("signed.exe")).code, 0) << label;
        Bytes built = read_bytes(path("setup.exe")), signed_file = read_bytes(path("signed.exe"));
        const size_t field = read_u32(&built[0x3C]) + 88;
        // setup-pack's output and the signer's both carry the checksum of their own bytes.
        uint32_t stored = 0, computed = 0;
        ASSERT_TRUE(program_pe_checksum(built, stored, computed)) << label;
        EXPECT_EQ(stored, computed) << label;
        ASSERT_TRUE(program_pe_checksum(signed_file, stored, computed)) << label;
        EXPECT_EQ(stored, computed) << label;
        EXPECT_NE(stored, read_u32(&built[field])) << label << ": the signed file's checksum is its own";

        // The signature's digest leaves the field out: with the field zeroed the signature
        // still verifies, while setup-pack verify (as the program) refuses the file.
        Bytes zeroed = signed_file;
        write_u32(&zeroed[field], 0);
        write_bytes(path("zeroed.exe"), zeroed);
        RunResult r = signature_check(path("zeroed.exe"));
        EXPECT_EQ(r.code, 0) << label << ": " << r.out;
        r = run_tool({"verify", path("zeroed.exe")});
        EXPECT_EQ(r.code, 1) << label << ": " << r.out;
        EXPECT_NE(r.out.find("PE checksum"), std::string::npos) << label << ": " << r.out;

        // A changed byte of the program part (the package checksum cannot see it) is named
        // by verify, and by the signer's own check.
        Bytes program_byte = signed_file;
        program_byte[FILLER_BYTE] ^= 0x04;
        write_bytes(path("changed.exe"), program_byte);
        r = run_tool({"verify", path("changed.exe")});
        EXPECT_EQ(r.code, 1) << label << ": " << r.out;
        EXPECT_NE(r.out.find("PE checksum"), std::string::npos) << label << ": " << r.out;
        EXPECT_NE(signature_check(path("changed.exe")).code, 0) << label;
    }
}

TEST_F(Signing, EveryInstallerLengthIsAWholeNumberOfEightByteUnits) {
    // Eight read-me sizes move the end of the data through every remainder.
    for (size_t size = 1; size <= 8; ++size) {
        write_bytes(path("src/r.txt"), random_data(size, (uint32_t)size));
        manifest("r.txt");
        ASSERT_EQ(build(PeMachine::i386, "setup.exe").code, 0) << size;
        Bytes built = read_bytes(path("setup.exe"));
        EXPECT_EQ(built.size() % 8, 0u) << size;
        EXPECT_EQ(run_tool({"verify", path("setup.exe")}).code, 0) << size;
    }
}

TEST_F(Signing, ChangedBytesOfASignedInstaller) {
    ASSERT_EQ(build(PeMachine::i386, "setup.exe").code, 0);
    ASSERT_EQ(sign(path("setup.exe"), path("signed.exe")).code, 0);
    Bytes good = read_bytes(path("signed.exe"));
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("signed.exe"), view, error)) << error;
    ASSERT_EQ(verify_in_process(good).first, 0);
    // Every byte of the package, four values each: the package checksum refuses each one.
    for (uint32_t at = view.table_offset; at < view.certificate_offset; ++at) {
        for (uint8_t value : {(uint8_t)(good[at] ^ 0x01), (uint8_t)(good[at] ^ 0x80), (uint8_t)0x00, (uint8_t)0xFF}) {
            if (value == good[at]) continue;
            Bytes bad = good;
            bad[at] = value;
            auto [code, err] = verify_in_process(bad);
            EXPECT_EQ(code, EXIT_FAULT) << "byte " << at;
            EXPECT_NE(err.find("does not match the header's"), std::string::npos) << "byte " << at << ": " << err;
        }
    }
    // The signer's own check sees a changed package byte, and a changed certificate byte,
    // which is not the package's business.
    Bytes package_byte = good;
    package_byte[view.table_offset + 3] ^= 0x40;
    write_bytes(path("changed.exe"), package_byte);
    EXPECT_NE(signature_check(path("changed.exe")).code, 0);
    Bytes certificate_byte = good;
    certificate_byte[good.size() - 40] ^= 0x40;
    write_bytes(path("changed.exe"), certificate_byte);
    EXPECT_NE(signature_check(path("changed.exe")).code, 0);
    // The PE checksum covers the certificate table: verify names the damage, as the program
    // refuses the file.
    auto [code, err] = verify_in_process(certificate_byte);
    EXPECT_EQ(code, EXIT_FAULT);
    EXPECT_NE(err.find("PE checksum"), std::string::npos) << err;
}

TEST_F(Signing, HostileSecurityDirectoryIsRefused) {
    ASSERT_EQ(build(PeMachine::x86_64, "setup.exe").code, 0);
    ASSERT_EQ(sign(path("setup.exe"), path("signed.exe")).code, 0);
    Bytes good = read_bytes(path("signed.exe"));
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("signed.exe"), view, error)) << error;
    size_t entry = read_u32(&good[0x3C]) + 24 + 112 + 32;   // a 64-bit image's security entry
    ASSERT_EQ(read_u32(&good[entry]), view.certificate_offset);
    const uint32_t size = (uint32_t)good.size();
    const struct {
        const char* label;
        uint32_t offset, length;
    } cases[] = {
        {"inside the image", 16, size - 16},
        {"inside the File table", view.table_offset, size - view.table_offset},
        {"past the end of the file", view.certificate_offset, view.certificate_size + 8},
        {"short of the end of the file", view.certificate_offset + 8, view.certificate_size - 16},
        {"with no size", view.certificate_offset, 0},
    };
    for (const auto& c : cases) {
        Bytes bad = good;
        write_u32(&bad[entry], c.offset);
        write_u32(&bad[entry + 4], c.length);
        write_bytes(path("bad.exe"), bad);
        for (const char* command : {"verify", "list"}) {
            RunResult r = run_tool({command, path("bad.exe")});
            EXPECT_EQ(r.code, 1) << c.label << ": " << r.out;
            EXPECT_NE(r.out.find("names no sound certificate table"), std::string::npos) << c.label << ": " << r.out;
        }
        RunResult r = run_tool({"extract", path("bad.exe"), path("out")});
        EXPECT_EQ(r.code, 1) << c.label;
        EXPECT_FALSE(exists(path("out"))) << c.label;
    }
}

TEST_F(Signing, BuildRefusesASignedStub) {
    write_bytes(path("stub.exe"), pe_stub(PeMachine::i386));
    ASSERT_EQ(sign(path("stub.exe"), path("signed-stub.exe")).code, 0);
    RunResult r = run_tool({"build", "--stub", path("signed-stub.exe"), "--manifest", path("src/manifest.ini"), "--out",
                            path("setup.exe")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("the stub is signed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sign the built installer"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("setup.exe")));
}

TEST_F(Signing, SignersPaddingBeforeTheTableIsNotPartOfThePackage) {
    // An installer laid out without the fill that makes it a whole number of 8-byte units
    // (as another packer might): the signer pads it, and the package still ends where it did.
    // A read-me size whose installer needs some fill (any but one in eight do).
    InstallerView view;
    std::string error;
    uint32_t records = 0, fill = 0;
    for (size_t size = 1; size <= 8 && fill == 0; ++size) {
        write_bytes(path("src/r.txt"), random_data(size, (uint32_t)size));
        manifest("r.txt");
        ASSERT_EQ(build(PeMachine::i386, "setup.exe").code, 0);
        ASSERT_TRUE(open_installer(path("setup.exe"), view, error)) << error;
        ASSERT_TRUE(load_entries(view, error)) << error;
        records = 0;
        for (const uint8_t* e : view.entries) records += entry_record_length(e);
        fill = view.table_size - records;
    }
    ASSERT_NE(fill, 0u);
    Bytes tight(view.bytes.begin(), view.bytes.begin() + view.table_offset + records);
    tight.insert(tight.end(), view.bytes.begin() + view.data_start, view.bytes.end());
    uint8_t* e = tight.data() + view.table_offset;
    for (unsigned i = 0; i < view.file_count; ++i, e += entry_record_length(e)) {
        uint8_t* data_offset = e + 6 + std::strlen(entry_name(e)) + 2 + (entry_has_version(e) ? 8 : 0) + 2;
        write_u32(data_offset, read_u32(data_offset) - fill);
    }
    uint8_t* h = tight.data() + view.header;
    write_u32(h + 12, records);
    write_u32(h + 16, view.data_start - fill);
    write_u32(h + 44, checksum_add(tight.data() + view.table_offset, (uint32_t)(tight.size() - view.table_offset), 0));
    seal_pe_checksum(tight);
    write_bytes(path("tight.exe"), tight);
    ASSERT_EQ(run_tool({"verify", path("tight.exe")}).code, 0);

    ASSERT_EQ(sign(path("tight.exe"), path("signed.exe")).code, 0);
    Bytes signed_file = read_bytes(path("signed.exe"));
    ASSERT_TRUE(open_installer(path("signed.exe"), view, error)) << error;
    EXPECT_EQ(view.certificate_offset, tight.size() + fill);
    // The package ends before the padding. (When the package's length leaves one byte over a
    // whole word, three zero bytes behind it give the same checksum, since a last lone byte
    // is folded in as the word it makes with zeros; the end nearest the table is then taken,
    // which keeps every byte of the package inside it.)
    uint32_t remainder = (uint32_t)(tight.size() - view.table_offset) % 4;
    uint32_t end = remainder == 1 && fill >= 3 ? (uint32_t)tight.size() + 3 : (uint32_t)tight.size();
    EXPECT_EQ(view.package_end, end);
    RunResult r = run_tool({"verify", path("signed.exe")});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("(after " + std::to_string(view.certificate_offset - end) + " bytes of padding)"),
              std::string::npos) << r.out;
    EXPECT_EQ(signature_check(path("signed.exe")).code, 0);
}
