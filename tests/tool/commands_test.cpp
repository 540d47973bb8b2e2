// The command line: help, usage errors, compress/expand of raw streams with the decoder's
// status as exit code, and stamp/check of extension files.
#include "tests/tool/tool_support.h"

#include <cstring>

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
