// The command line: help, usage errors, compress/expand of raw streams with the decoder's
// status as exit code, and stamp/check of extension files.
#include "tests/tool/tool_support.h"

#include "package/package_format.h"
#include "tools/setup-pack/installer_reader.h"

#include <cstring>
#include <sstream>
#include <sys/stat.h>

using Commands = ToolTest;

TEST_F(Commands, EveryCommandHasHelp) {
    for (const char* c : {"build", "list", "verify", "extract", "compress", "expand", "stamp", "check"}) {
        RunResult r = run_tool({c, "--help"});
        EXPECT_EQ(r.code, 0) << c;
        EXPECT_EQ(r.out.rfind(std::string("usage: setup-pack ") + c + " ", 0), 0u) << r.out;
    }
    EXPECT_EQ(run_tool({"--help"}).code, 0);
    EXPECT_EQ(run_tool({}).code, 64);
    RunResult r = run_tool({"pack"});
    EXPECT_EQ(r.code, 64);
    EXPECT_NE(r.out.find("unknown command \"pack\""), std::string::npos);
}

TEST_F(Commands, UsageErrorsExit64) {
    const std::vector<std::vector<std::string>> cases = {
        {"build", "--stub", "a.exe"},
        {"build", "--stub"},
        {"build", "--colour", "blue"},
        {"list"},
        {"verify", "a", "b"},
        {"extract", "a"},
        {"compress", "a"},
        {"expand", "a"},
        {"expand", "a", "b", "--limit", "-5"},
        {"expand", "a", "b", "--limit", "5000000000"},
        {"expand", "a", "b", "--limit"},
        {"stamp"},
        {"check", "a", "b"},
        {"check", "--stub", "a.exe"},
        {"check", "--stub=a.exe", "--manifest"},
        {"check", "--stub", "a", "--manifest", "m", "--out", "o"},
        {"build", "--stub=a", "--manifest=m", "--out=o", "--level", "13"},
        {"build", "--stub=a", "--manifest=m", "--out=o", "--level=0"},
        {"build", "--stub=a", "--manifest=m", "--out=o", "--level=fast"},
        {"build", "--stub=a", "--manifest=m", "--out=o", "extra"},
        {"list", "--format", "xml", "a.exe"},
        {"list", "--format"},
    };
    for (const auto& args : cases) {
        RunResult r = run_tool(args);
        EXPECT_EQ(r.code, 64) << args[0] << " " << (args.size() > 1 ? args[1] : "") << ": " << r.out;
        EXPECT_EQ(r.out.rfind("setup-pack " + args[0] + ": ", 0), 0u) << r.out;
    }
}

TEST_F(Commands, CompressThenExpandIsByteIdentical) {
    Bytes data = program_like_data(300000, 21);
    write_bytes(path("in.bin"), data);
    RunResult r = run_tool({"compress", path("in.bin"), path("in.pk")});
    ASSERT_EQ(r.code, 0) << r.out;
    r = run_tool({"expand", path("in.pk"), path("out.bin")});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("status 0"), std::string::npos);
    EXPECT_TRUE(read_bytes(path("out.bin")) == data);

    write_bytes(path("empty.bin"), {});
    ASSERT_EQ(run_tool({"compress", path("empty.bin"), path("empty.pk")}).code, 0);
    ASSERT_EQ(run_tool({"expand", path("empty.pk"), path("empty.out")}).code, 0);
    EXPECT_TRUE(read_bytes(path("empty.out")).empty());
    EXPECT_TRUE(exists(path("empty.out")));
}

TEST_F(Commands, ExpandExitsWithTheDecodersStatus) {
    write_bytes(path("in.bin"), repetitive_data(5000));
    ASSERT_EQ(run_tool({"compress", path("in.bin"), path("in.pk")}).code, 0);
    const struct {
        Bytes stream;
        std::vector<std::string> extra;
        int status;
        const char* label;
    } cases[] = {
        {{0x0F, 0x03, 0x00, 'a', 'b', 'c'}, {}, 0, "a last stored block"},
        {{0x9D, 0x08, 0x00}, {}, 0, "a fixed literal"},
        {{0x00}, {}, 4, "block type 0"},
        {{0xFE, 0xFF, 0xFF, 0xFF}, {}, 1, "a dynamic block with counts above 286 and 30"},
        {read_bytes(path("in.pk")), {"--limit", "4096"}, -2, "output over the limit"},
    };
    for (const auto& c : cases) {
        write_bytes(path("s.pk"), c.stream);
        std::vector<std::string> args = {"expand", path("s.pk"), path("s.out")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        RunResult r = run_tool(args);
        if (c.status >= 0) EXPECT_EQ(r.code, c.status) << c.label << ": " << r.out;
        else EXPECT_NE(r.code, 0) << c.label << ": " << r.out;   // any failing status
        EXPECT_NE(r.out.find("expand: status " + std::to_string(r.code)), std::string::npos) << r.out;
        EXPECT_EQ(exists(path("s.out")), r.code == 0) << c.label;   // a failed stream writes nothing
        ::unlink(path("s.out").c_str());
    }
    RunResult r = run_tool({"expand", path("missing.pk"), path("s.out")});
    EXPECT_EQ(r.code, 64);
    EXPECT_NE(r.out.find("cannot read"), std::string::npos);
}

TEST_F(Commands, StampThenCheck) {
    Bytes file = random_data(20000, 30);
    const uint8_t marker[] = {0x44, 0x02, 0x01, 0x56, 0x27, 0x75, 0, 0, 0, 0};
    std::memcpy(file.data() + 8187, marker, sizeof marker);   // the value straddles the 8192 boundary
    write_bytes(path("x.mox"), file);
    EXPECT_EQ(run_tool({"check", path("x.mox")}).code, 1);
    RunResult r = run_tool({"stamp", path("x.mox")});
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(run_tool({"check", path("x.mox")}).code, 0);
    Bytes stamped = read_bytes(path("x.mox"));
    EXPECT_TRUE(std::equal(stamped.begin(), stamped.begin() + 8193, file.begin()));
    stamped[15000] ^= 0x20;
    write_bytes(path("x.mox"), stamped);
    r = run_tool({"check", path("x.mox")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("does not match"), std::string::npos);

    write_bytes(path("plain.bin"), random_data(100, 31));
    r = run_tool({"stamp", path("plain.bin")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("holds no checksum marker"), std::string::npos);
}

TEST_F(Commands, VersionAndHelpTexts) {
    RunResult r = run_tool({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("setup-pack ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    r = run_tool({"expand", "--help"});
    EXPECT_NE(r.out.find("4 invalid block type or over-subscribed code"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("2 invalid block"), std::string::npos) << r.out;
}

namespace {

class Scripted : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        write_text(path("readme.txt"), "read me\r\n");
        write_bytes(path("plugin.dll"), program_like_data(70000, 4));
        write_bytes(path("logo.bmp"), Bytes{'B', 'M', 1, 2, 3});
        write_text(path("m.ini"), "[Setup]\nversion = 2.2.98\n[Files]\nplugin.dll nptnf32.dll versioned version=2.2.0.98\n"
                                  "readme.txt \"docs\\read me\xE9.txt\"\nlogo.bmp logo.bmp not_installed\n");
        write_bytes(path("stub.exe"), make_stub());
    }
    RunResult build(const std::vector<std::string>& more = {}) {
        std::vector<std::string> args = {"build", "--stub", path("stub.exe"), "--manifest", path("m.ini"), "--out",
                                         path("setup.exe")};
        args.insert(args.end(), more.begin(), more.end());
        return run_tool(args);
    }
};

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string f;
    while (std::getline(in, f, '\t')) out.push_back(f);
    return out;
}

}  // namespace

TEST_F(Scripted, CheckRunsEveryCheckOfBuildAndWritesNothing) {
    RunResult r = run_tool({"check", "--stub=" + path("stub.exe"), "--manifest=" + path("m.ini"), "--set", "version=3.1.4"});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("m.ini: sound: 3 entries, 70014 bytes to pack, product version 3.1.4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plug-in: nptnf32.dll (line 4)"), std::string::npos) << r.out;
    EXPECT_EQ(files_in(dir()), (std::vector<std::string>{"logo.bmp", "m.ini", "plugin.dll", "readme.txt", "stub.exe"}));

    const struct {
        std::vector<std::string> args;
        std::string message;
    } faults[] = {
        {{"--stub", path("missing.exe"), "--manifest", path("m.ini")}, "cannot read the stub"},
        {{"--stub", path("readme.txt"), "--manifest", path("m.ini")}, "no Setup header marker"},
        {{"--stub", path("stub.exe"), "--manifest", path("missing.ini")}, "cannot open the manifest"},
        {{"--stub", path("stub.exe"), "--manifest", path("m.ini"), "--set", "version=1"}, "--set: version must be"},
    };
    for (const auto& f : faults) {
        std::vector<std::string> args = {"check"};
        args.insert(args.end(), f.args.begin(), f.args.end());
        r = run_tool(args);
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_NE(r.out.find(f.message), std::string::npos) << r.out << "\n  wanted: " << f.message;
    }
    write_text(path("m.ini"), "[Setup]\nversion = 2.2.98\n[Files]\nreadme.txt read.\nmissing.dll x.dll\n");
    r = run_tool({"check", "--stub", path("stub.exe"), "--manifest", path("m.ini")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("m.ini:4: invalid name \"read.\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("m.ini:5: cannot read source"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("setup-pack check: 2 error(s) in the manifest"), std::string::npos) << r.out;
}

TEST_F(Scripted, ListForScriptsGivesExactFigures) {
    ASSERT_EQ(build({"--set=version=2.3.4"}).code, 0);
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("setup.exe"), view, error)) << error;
    ASSERT_TRUE(load_entries(view, error)) << error;
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "0x%08X", view.checksum);
    size_t file_bytes = view.bytes.size();

    RunResult r = run_tool({"list", "--format", "tsv", path("setup.exe")});
    ASSERT_EQ(r.code, 0) << r.out;
    std::stringstream lines(r.out);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(fields(line));
    ASSERT_EQ(rows.size(), 6u) << r.out;
    EXPECT_EQ(rows[0][0], "#installer");
    EXPECT_EQ(rows[1], (std::vector<std::string>{"#entry", "index", "name", "flags", "flag_names", "size", "size_kb",
                                                  "packed", "offset", "version"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"installer", std::to_string(file_bytes), "2.3.4", "3",
                                                  std::to_string(view.table_offset), std::to_string(view.table_size),
                                                  std::to_string(view.data_start), "70014",
                                                  std::to_string(file_bytes - view.data_start), checksum, "0"}));
    EXPECT_EQ(rows[3][2], "nptnf32.dll");
    EXPECT_EQ(rows[3][3], "0x0010");
    EXPECT_EQ(rows[3][4], "versioned");
    EXPECT_EQ(rows[3][5], "70000");
    EXPECT_EQ(rows[3][6], "69");
    EXPECT_EQ(rows[3][7], std::to_string(entry_packed_size(view.entries[0])));
    EXPECT_EQ(rows[3][8], std::to_string(view.data_start));
    EXPECT_EQ(rows[3][9], "2.2.0.98");
    EXPECT_EQ(rows[4][2], "docs\\read me\xE9.txt");
    EXPECT_EQ(rows[4][5], "9");
    EXPECT_EQ(rows[4][9], "-");
    EXPECT_EQ(rows[5], (std::vector<std::string>{"entry", "2", "logo.bmp", "0x0001", "not_installed", "5", "1",
                                                  std::to_string(entry_packed_size(view.entries[2])),
                                                  std::to_string(entry_data_offset(view.entries[2])), "-"}));

    r = run_tool({"list", "--format=json", path("setup.exe")});
    ASSERT_EQ(r.code, 0) << r.out;
    for (const std::string& part :
         {"\"file_bytes\": " + std::to_string(file_bytes) + ",", std::string("\"product_version\": \"2.3.4\","),
          std::string("\"entry_count\": 3,"), std::string("\"unpacked\": 70014,"),
          "\"checksum\": \"" + std::string(checksum) + "\",",
          std::string("{\"index\": 0, \"name\": \"nptnf32.dll\", \"flags\": 16, \"flag_names\": [\"versioned\"], "
                      "\"size\": 70000, \"size_kb\": 69, "),
          std::string("\"name\": \"docs\\\\read me\\u00e9.txt\", \"flags\": 0, \"flag_names\": [], \"size\": 9,"),
          std::string("\"version\": \"2.2.0.98\"}"), std::string("\"version\": null}")})
        EXPECT_NE(r.out.find(part), std::string::npos) << r.out << "\n  wanted: " << part;

    // Scripts get figures only from a sound installer.
    Bytes bad = view.bytes;
    bad.back() ^= 1;
    write_bytes(path("bad.exe"), bad);
    for (const char* format : {"tsv", "json"}) {
        r = run_tool({"list", "--format", format, path("bad.exe")});
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_EQ(r.out.rfind("setup-pack list: checksum", 0), 0u) << r.out;
    }
}

TEST_F(Scripted, ATruncatedInstallerIsNamedAsSuch) {
    ASSERT_EQ(build().code, 0);
    Bytes good = read_bytes(path("setup.exe"));
    InstallerView view;
    std::string error;
    ASSERT_TRUE(open_installer(path("setup.exe"), view, error)) << error;
    for (size_t cut : {good.size() - 1, good.size() - 500, (size_t)view.data_start + 1, (size_t)view.data_start,
                       (size_t)view.table_offset + 10}) {
        write_bytes(path("cut.exe"), Bytes(good.begin(), good.begin() + (long)cut));
        for (const char* command : {"verify", "extract"}) {
            RunResult r = command == std::string("verify") ? run_tool({command, path("cut.exe")})
                                                           : run_tool({command, path("cut.exe"), path("out")});
            EXPECT_EQ(r.code, 1) << cut;
            EXPECT_NE(r.out.find("the installer is truncated"), std::string::npos) << command << " cut at " << cut << ": " << r.out;
        }
    }
}
