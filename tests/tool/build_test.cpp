// Building installers: build -> verify -> extract gives back every source byte for byte, the
// same inputs give the same installer, and a stub must carry exactly one Setup header.
#include "tests/tool/tool_support.h"

#include "common/bytes.h"
#include "install/extension_checksum.h"
#include "package/checksum.h"
#include "package/package_format.h"
#include "tests/support/make_pe.h"
#include "tools/setup-pack/installer_reader.h"
#include "tools/setup-pack/package_builder.h"

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Builds : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        ::mkdir(path("src").c_str(), 0755);
        ::mkdir(path("src/docs").c_str(), 0755);
        sources_ = {
            {"src/shared.dll", Bytes(), "shared.dll"},
            {"src/plugin.dll", Bytes(), "nptnf32.dll"},
            {"src/docs/readme.txt", Bytes({'h', 'i', '\r', '\n'}), "docs\\readme.txt"},
            {"src/empty.dat", Bytes(), "empty.dat"},
            {"src/noise.bin", random_data(70000, 9), "data\\noise.bin"},
            {"src/big.bin", program_like_data(600000, 10), "big.bin"},
            {"src/exact.bin", repetitive_data(20480), "exact.bin"},
            {"src/ext.cox", Bytes(), "npanim.cox"},
            {"src/logo.bmp", program_like_data(5000, 12), "logo.bmp"},
        };
        std::string pe = make_pe_with_version(2, 2, 0, 97), plugin = make_pe_with_version(2, 2, 0, 98);
        sources_[0].data.assign(pe.begin(), pe.end());
        sources_[1].data.assign(plugin.begin(), plugin.end());
        sources_[7].data = program_like_data(9000, 13);
        const uint8_t marker[] = {0x44, 0x02, 0x01, 0x56, 0x27, 0x75, 0, 0, 0, 0};
        std::memcpy(sources_[7].data.data() + 8190, marker, sizeof marker);
        for (const auto& s : sources_) write_bytes(path(s.path), s.data);
        write_text(path("src/manifest.ini"),
                   "[Setup]\nversion = 2.2.98\n[Files]\n"
                   "shared.dll shared.dll shared versioned\n"
                   "plugin.dll nptnf32.dll versioned\n"
                   "docs/readme.txt docs\\readme.txt\n"
                   "empty.dat empty.dat\n"
                   "noise.bin data\\noise.bin\n"
                   "big.bin big.bin\n"
                   "exact.bin exact.bin\n"
                   "ext.cox npanim.cox versioned stamped version=2.2.0.98\n"
                   "logo.bmp logo.bmp not_installed\n");
        write_bytes(path("stub.exe"), make_stub());
    }

    RunResult build(const std::string& out) {
        return run_tool({"build", "--stub", path("stub.exe"), "--manifest", path("src/manifest.ini"), "--out", path(out)});
    }

    struct Source {
        std::string path;
        Bytes data;
        std::string name;
    };
    std::vector<Source> sources_;
};

}  // namespace

TEST_F(Builds, BuildVerifyExtractGivesBackEverySource) {
    RunResult r = build("setup.exe");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("total: 9 entries"), std::string::npos) << r.out;

    r = run_tool({"verify", path("setup.exe")});
    EXPECT_EQ(r.code, 0) << r.out;

    r = run_tool({"extract", path("setup.exe"), path("out")});
    ASSERT_EQ(r.code, 0) << r.out;
    for (const auto& s : sources_) {
        std::string name = s.name;
        for (char& c : name) c = c == '\\' ? '/' : c;
        Bytes got = read_bytes(path("out/" + name));
        if (s.name == "npanim.cox") {   // stamped on the way in: only the stored value differs
            EXPECT_EQ(got.size(), s.data.size());
            Bytes unstamped = got;
            std::memset(unstamped.data() + 8196, 0, 4);
            EXPECT_TRUE(unstamped == s.data);
            write_bytes(path("check.cox"), got);
            EXPECT_EQ(run_tool({"check", path("check.cox")}).code, 0);
        } else {
            EXPECT_TRUE(got == s.data) << s.name << ": " << got.size() << " bytes extracted of " << s.data.size();
        }
    }

    // The header and the table say what the manifest said.
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("setup.exe"), view, error)) << error;
    EXPECT_EQ(view.file_count, 9u);
    EXPECT_EQ(view.table_offset, 4096u);
    EXPECT_EQ(view.data_start, view.table_offset + view.table_size);
    EXPECT_EQ(view.version_ms, 0x00020002u);
    EXPECT_EQ(view.version_ls, 98u);
    ASSERT_TRUE(load_entries(view, error)) << error;
    EXPECT_EQ(entry_flags(view.entries[0]), ENTRY_SHARED | ENTRY_VERSIONED);
    EXPECT_EQ(entry_version_ls(view.entries[0]), 97u);
    EXPECT_EQ(entry_size_kb(view.entries[3]), 0u);     // empty.dat
    EXPECT_EQ(entry_size_kb(view.entries[6]), 20u);    // exactly 20480 bytes
    EXPECT_EQ(entry_size_kb(view.entries[5]), 586u);   // 600000 bytes, rounded up
    EXPECT_EQ(entry_data_offset(view.entries[0]), view.data_start);
    for (unsigned i = 0; i + 1 < view.file_count; ++i)
        EXPECT_EQ(entry_data_offset(view.entries[i]) + entry_packed_size(view.entries[i]),
                  entry_data_offset(view.entries[i + 1]));
    EXPECT_EQ(entry_data_offset(view.entries[8]) + entry_packed_size(view.entries[8]), view.bytes.size());
    // Only the header's patched fields and the PE checksum (at 0x40 + 88) differ from the stub
    // (the header is at 1000).
    Bytes stub = read_bytes(path("stub.exe"));
    const size_t kept[][2] = {{0, 152}, {156, 1006}, {1020, 1032}, {1040, 1044}, {1048, 4096}};
    for (const auto& range : kept)
        EXPECT_TRUE(std::equal(stub.begin() + range[0], stub.begin() + range[1], view.bytes.begin() + range[0])) << range[0];
}

TEST_F(Builds, ExtractOverAReadOnlyFileFails) {
    ASSERT_EQ(build("setup.exe").code, 0);
    ASSERT_EQ(run_tool({"extract", path("setup.exe"), path("out")}).code, 0);
    ::chmod(path("out/big.bin").c_str(), 0444);   // the installer's prompt gets no answer: Cancel
    RunResult r = run_tool({"extract", path("setup.exe"), path("out")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("big.bin: extraction returns status"), std::string::npos) << r.out;
}

TEST_F(Builds, SameInputsGiveTheSameBytes) {
    ASSERT_EQ(build("one.exe").code, 0);
    ASSERT_EQ(build("two.exe").code, 0);
    EXPECT_TRUE(read_bytes(path("one.exe")) == read_bytes(path("two.exe")));
}

TEST_F(Builds, StubNeedsExactlyOneSetupHeader) {
    write_bytes(path("stub.exe"), program_like_data(4096, 1));
    RunResult r = build("setup.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("no Setup header marker"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("setup.exe")));

    Bytes two = make_stub();
    Bytes again = make_stub(4096, 3000);
    std::memcpy(two.data() + 3000, again.data() + 3000, 48);
    write_bytes(path("stub.exe"), two);
    r = build("setup.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("occurs 2 times; it must occur once"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("setup.exe")));
}

TEST_F(Builds, StubNeedsPeHeadersAndGetsItsChecksum) {
    // The program verifies its PE checksum first: a stub without PE headers where it looks
    // for them would give an installer that never runs.
    Bytes stub = make_stub();
    stub[0x40] = 'N';   // "NE": no PE signature
    write_bytes(path("stub.exe"), stub);
    RunResult r = build("setup.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("the stub has no PE headers"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("setup.exe")));

    // Built with a wrong and with a zero CheckSum in the stub: the installer's is right.
    for (uint32_t value : {0u, 0x12345678u}) {
        stub = make_stub();
        write_u32(&stub[0x40 + 88], value);
        write_bytes(path("stub.exe"), stub);
        ASSERT_EQ(build("setup.exe").code, 0);
        Bytes built = read_bytes(path("setup.exe"));
        uint32_t stored = 0, computed = 0;
        ASSERT_TRUE(program_pe_checksum(built, stored, computed));
        EXPECT_EQ(stored, computed);
        EXPECT_NE(stored, 0u);
    }
}

TEST_F(Builds, AnInstallerIsNoStub) {
    ASSERT_EQ(build("setup.exe").code, 0);
    RunResult r = run_tool({"build", "--stub", path("setup.exe"), "--manifest", path("src/manifest.ini"), "--out",
                            path("again.exe")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("already carries a package"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("again.exe")));
}

TEST_F(Builds, ManifestErrorsWriteNothing) {
    write_text(path("src/manifest.ini"), "[Setup]\nversion = 2.2.98\n[Files]\nmissing.dll missing.dll\nbig.bin big.bin odd\n");
    write_bytes(path("setup.exe"), Bytes{'o', 'l', 'd'});   // an older installer stays as it was
    RunResult r = build("setup.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("manifest.ini:4: cannot read source \"missing.dll\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("manifest.ini:5: unknown flag \"odd\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("nothing written"), std::string::npos) << r.out;
    EXPECT_EQ(read_bytes(path("setup.exe")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(files_in(dir()), (std::vector<std::string>{"setup.exe", "src", "stub.exe"}));
}

TEST_F(Builds, VerifyNamesTheFirstFault) {
    ASSERT_EQ(build("setup.exe").code, 0);
    Bytes good = read_bytes(path("setup.exe"));
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("setup.exe"), view, error));
    ASSERT_TRUE(load_entries(view, error));
    size_t header = view.header;
    auto restamp = [&](Bytes& b) {   // a matching checksum, so verify must look deeper
        write_u32(&b[header + 44], checksum_add(b.data() + view.table_offset, (uint32_t)(b.size() - view.table_offset), 0));
        seal_pe_checksum(b);
    };
    const uint8_t* first = view.entries[0];
    size_t first_data = entry_data_offset(first);
    size_t size_kb_at = (size_t)(view.entries[5] - view.bytes.data()) + 4;   // big.bin's size_kb
    const struct {
        std::function<void(Bytes&)> damage;
        std::string message;
    } cases[] = {
        {[](Bytes& b) { b.back() ^= 0x10; }, "does not match the header's"},
        {[&](Bytes& b) { b[first_data] = 0x00, restamp(b); }, "shared.dll: the decoder returns status 4"},
        {[&](Bytes& b) { write_u16(&b[size_kb_at], 500), restamp(b); }, "big.bin: the decoder returns status"},
        {[&](Bytes& b) { write_u16(&b[size_kb_at], 700), restamp(b); }, "big.bin: decodes to 600000 bytes, but size_kb is 700"},
        {[&](Bytes& b) { write_u32(&b[view.table_offset + 6 + 10 + 2 + 8 + 2], (uint32_t)b.size()), restamp(b); },
         "the File table is unsound"},
        {[](Bytes& b) { b[2000] ^= 0x10; }, "PE checksum"},   // the program part: the package checksum holds
        {[](Bytes& b) { write_u32(&b[0x40 + 88], 0); }, "does not match the header's 0x00000000: the program file is damaged"},
        {[](Bytes& b) { b[0x40] = 'X', seal_pe_checksum(b); }, "no PE headers in the first 512 bytes"},
    };
    for (const auto& c : cases) {
        Bytes bad = good;
        c.damage(bad);
        write_bytes(path("bad.exe"), bad);
        RunResult r = run_tool({"verify", path("bad.exe")});
        EXPECT_EQ(r.code, 1) << c.message;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out << "\n  wanted: " << c.message;
    }
}

TEST_F(Builds, AnOutputThatIsAnInputIsRefused) {
    ASSERT_EQ(::symlink(path("stub.exe").c_str(), path("link.exe").c_str()), 0);
    ASSERT_EQ(::link(path("src/big.bin").c_str(), path("hard.bin").c_str()), 0);
    const struct {
        std::string out, names;
    } cases[] = {
        {path("stub.exe"), "is the stub"},
        {dir() + "/src/../stub.exe", "is the stub"},
        {path("link.exe"), "is the stub"},
        {path("src/manifest.ini"), "is the manifest"},
        {path("src/docs/readme.txt"), "is the source docs/readme.txt (line 6)"},
        {path("hard.bin"), "is the source big.bin (line 9)"},
    };
    for (const auto& c : cases) {
        Bytes before = read_bytes(c.out);
        RunResult r = run_tool({"build", "--stub", path("stub.exe"), "--manifest", path("src/manifest.ini"), "--out", c.out});
        EXPECT_EQ(r.code, 1) << c.out << ": " << r.out;
        EXPECT_NE(r.out.find(c.names + "; it would be overwritten"), std::string::npos) << r.out;
        EXPECT_TRUE(read_bytes(c.out) == before) << c.out;
    }
    EXPECT_EQ(files_in(dir()), (std::vector<std::string>{"hard.bin", "link.exe", "src", "stub.exe"}));
}

TEST_F(Builds, AFailedBuildKeepsTheEarlierInstaller) {
    ASSERT_EQ(build("setup.exe").code, 0);
    Bytes earlier = read_bytes(path("setup.exe"));
    // The stub is refused only after the manifest was read: nothing may have been written.
    write_bytes(path("stub.exe"), program_like_data(4096, 1));
    RunResult r = build("setup.exe");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("nothing written"), std::string::npos) << r.out;
    EXPECT_TRUE(read_bytes(path("setup.exe")) == earlier);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string>{"setup.exe", "src", "stub.exe"}));
}

TEST_F(Builds, AnInterruptedBuildLeavesTheEarlierInstaller) {
    ASSERT_EQ(build("setup.exe").code, 0);
    Bytes earlier = read_bytes(path("setup.exe"));
    write_bytes(path("src/big.bin"), random_data(16 << 20, 7));   // many seconds of work
    RunResult r = run_shell("'" SETUP_PACK_PATH "' build --stub '" + path("stub.exe") + "' --manifest '" +
                            path("src/manifest.ini") + "' --out '" + path("setup.exe") +
                            "' 2>&1 & sleep 0.5; kill -TERM $!; wait $!; echo status=$?");
    EXPECT_NE(r.out.find("status=143"), std::string::npos) << r.out;   // ended by the signal
    EXPECT_TRUE(read_bytes(path("setup.exe")) == earlier);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string>{"setup.exe", "src", "stub.exe"}));
}

TEST_F(Builds, TheBytesDoNotDependOnTheThreadsAndLongRunsRoundTrip) {
    // Entries over one chunk: runs of one byte, a repeated phrase, program-like data, and
    // noise between program-like data (stored blocks, which must start on a byte boundary
    // of the joined stream, after chunks that end anywhere).
    Bytes zeros(2 * CHUNK_SIZE + 5, 0), phrase = repetitive_data(CHUNK_SIZE + 100), program = program_like_data(CHUNK_SIZE + 1, 3);
    Bytes mixed = program_like_data(CHUNK_SIZE - 1000, 4), noise = random_data(200000, 5);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    write_bytes(path("src/zeros.bin"), zeros);
    write_bytes(path("src/phrase.bin"), phrase);
    write_bytes(path("src/program.bin"), program);
    write_bytes(path("src/mixed.bin"), mixed);
    write_text(path("src/manifest.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nzeros.bin zeros.bin\nempty.dat empty.dat\n"
                                         "phrase.bin phrase.bin\nprogram.bin program.bin\nmixed.bin mixed.bin\n"
                                         "ext.cox npanim.cox stamped\n");
    Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(load_manifest(path("src/manifest.ini"), m, errors)) << errors[0];
    Bytes stub = make_stub();
    std::vector<Bytes> built;
    for (unsigned threads : {1u, 3u}) {
        std::string out = path("t" + std::to_string(threads) + ".exe");
        int fd = ::open(out.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        BuildOptions options;
        options.threads = threads;
        BuildResult result;
        std::string error;
        EXPECT_TRUE(build_installer(stub, m, fd, options, result, error)) << error;
        ::close(fd);
        built.push_back(read_bytes(out));
        EXPECT_EQ(built.back().size(), result.total_size);
        ASSERT_EQ(result.entries.size(), 6u);
        EXPECT_LT(result.entries[0].packed, 4000u) << "2 MiB of zeros";
        EXPECT_LT(result.entries[2].packed, 8000u) << "1 MiB of one phrase";
    }
    EXPECT_TRUE(built[0] == built[1]);
    RunResult r = run_tool({"extract", path("t1.exe"), path("out")});
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(read_bytes(path("out/zeros.bin")) == zeros);
    EXPECT_TRUE(read_bytes(path("out/phrase.bin")) == phrase);
    EXPECT_TRUE(read_bytes(path("out/program.bin")) == program);
    EXPECT_TRUE(read_bytes(path("out/mixed.bin")) == mixed);
    EXPECT_EQ(run_tool({"verify", path("t1.exe")}).code, 0);
}

TEST_F(Builds, EveryLevelBuildsASoundInstaller) {
    size_t smallest = SIZE_MAX, largest = 0, level12 = 0;
    for (const char* level : {"1", "6", "12"}) {
        RunResult r = run_tool({"build", "--stub=" + path("stub.exe"), "--manifest=" + path("src/manifest.ini"),
                                "--out=" + path("setup.exe"), "--level=" + std::string(level)});
        ASSERT_EQ(r.code, 0) << level << ": " << r.out;
        EXPECT_NE(r.out.find(std::string("(level ") + level + ")"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("built in "), std::string::npos) << r.out;
        ASSERT_EQ(run_tool({"extract", path("setup.exe"), path(std::string("out") + level)}).code, 0);
        EXPECT_TRUE(read_bytes(path(std::string("out") + level + "/big.bin")) == sources_[5].data) << level;
        size_t size = read_bytes(path("setup.exe")).size();
        smallest = std::min(smallest, size), largest = std::max(largest, size);
        if (std::string(level) == "12") level12 = size;
    }
    EXPECT_EQ(level12, smallest);
    EXPECT_GT(largest, smallest);
}

TEST_F(Builds, ASourceThatChangesAfterItsCheckIsRefused) {
    Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(load_manifest(path("src/manifest.ini"), m, errors)) << errors[0];
    Bytes stub = make_stub();
    const struct {
        const char* source;
        Bytes now;
    } cases[] = {
        {"src/big.bin", program_like_data(500000, 10)},   // shorter
        {"src/noise.bin", random_data(70001, 9)},         // longer
        {"src/ext.cox", Bytes(9000, 1)},                  // a stamped entry that lost its marker
    };
    for (const auto& c : cases) {
        Bytes before = read_bytes(path(c.source));
        write_bytes(path(c.source), c.now);
        int fd = ::open(path("out.exe").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        BuildResult result;
        std::string error;
        EXPECT_FALSE(build_installer(stub, m, fd, BuildOptions(), result, error)) << c.source;
        EXPECT_NE(error.find("changed while the installer was built"), std::string::npos) << error;
        ::close(fd);
        write_bytes(path(c.source), before);
    }
}
