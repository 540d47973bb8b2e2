// The manifest: what it accepts, and for every fault a message naming the file and line.
#include "tests/tool/tool_support.h"

#include "package/package_format.h"
#include "tests/support/make_pe.h"
#include "tools/setup-pack/manifest.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

using Manifests = ToolTest;

namespace {

Bytes as_bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace

TEST_F(Manifests, ReadsEntriesFlagsAndVersions) {
    write_bytes(path("lib.dll"), as_bytes(make_pe_with_version(2, 2, 0, 97)));
    write_text(path("readme.txt"), "hello");
    write_text(path("ext.cox"), std::string("head\x44\x02\x01\x56\x27\x75\0\0\0\0tail", 18));
    ::mkdir(path("sub").c_str(), 0755);
    write_text(path("sub/logo.bmp"), "BM");
    write_text(path("manifest.ini"),
               "# comment\n[Setup]\nversion = 2.2.98\n\n[Files]\n"
               "lib.dll  lib.dll  shared versioned\n"
               "readme.txt \"docs\\read me.txt\"\n"
               "ext.cox ext.cox versioned stamped version=1.2.3.4\n"
               "sub/logo.bmp logo.bmp not_installed\n");
    Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(load_manifest(path("manifest.ini"), m, errors)) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(m.major, 2);
    EXPECT_EQ(m.minor, 2);
    EXPECT_EQ(m.build, 98);
    ASSERT_EQ(m.entries.size(), 4u);
    EXPECT_EQ(m.entries[0].flags, ENTRY_SHARED | ENTRY_VERSIONED);
    EXPECT_EQ(m.entries[0].version_ms, 0x00020002u);
    EXPECT_EQ(m.entries[0].version_ls, 0x00000061u);
    EXPECT_EQ(m.entries[1].name, "docs\\read me.txt");
    EXPECT_EQ(m.entries[1].flags, 0);
    EXPECT_TRUE(m.entries[2].stamped);
    EXPECT_EQ(m.entries[2].version_ms, 0x00010002u);
    EXPECT_EQ(m.entries[2].version_ls, 0x00030004u);
    EXPECT_EQ(m.entries[3].flags, ENTRY_NOT_INSTALLED);
    EXPECT_EQ(m.entries[3].size, 2u);
    Bytes data;
    std::string error;
    ASSERT_TRUE(read_entry_data(m.entries[3], data, error)) << error;
    EXPECT_EQ(data, as_bytes("BM"));
}

TEST_F(Manifests, EveryFaultIsNamedWithItsLine) {
    write_bytes(path("lib.dll"), as_bytes(make_pe_with_version(1, 0, 0, 1)));
    write_bytes(path("plain.dll"), as_bytes(make_pe()));
    write_text(path("a.txt"), "a");
    ::mkdir(path("folder").c_str(), 0755);
    write_text(path("folder/f.txt"), "f");
    ::mkdir(path("empty").c_str(), 0755);
    const struct {
        std::string files_line;   // line 5 of the manifest
        std::string message;
    } cases[] = {
        {"a.txt a.txt hidden", ":5: unknown flag \"hidden\""},
        {"missing.txt missing.txt", ":5: cannot read source \"missing.txt\""},
        {"folder folder.txt", ":5: cannot read source \"folder\""},
        {"a.txt", ":5: expected: SOURCE NAME [flags]"},
        {"a.txt \"a.txt", ":5: unclosed quote"},
        {"a.txt \"\"", ":5: invalid name \"\": empty"},
        {"a.txt \\a.txt", ":5: invalid name \"\\a.txt\": absolute"},
        {"a.txt C:a.txt", ":5: invalid name \"C:a.txt\": holds a drive"},
        {"a.txt ..\\a.txt", ":5: invalid name \"..\\a.txt\": has a part made only of dots and blanks"},
        {"a.txt \"sub\\. .\\a.txt\"", "made only of dots and blanks"},
        {"a.txt sub/a.txt", ":5: invalid name \"sub/a.txt\": holds '/'"},
        {"a.txt NUL.txt", ":5: invalid name \"NUL.txt\": has a part that names a device"},
        {"a.txt con\\a.txt", ":5: invalid name \"con\\a.txt\": has a part that names a device"},
        {"a.txt \"docs\\COM1 .log\"", ":5: invalid name \"docs\\COM1 .log\": has a part that names a device"},
        {"a.txt sub\\\\a.txt", "has an empty folder or file part"},
        {"a.txt a?.txt", "a character Windows refuses"},
        {"a.txt " + std::string(300, 'n'), "too long for a path"},
        {"plain.dll plain.dll versioned", ":5: \"plain.dll\" has no version resource; give one with version=a.b.c.d"},
        {"a.txt a.txt shared", ":5: \"a.txt\" has no version resource"},
        {"a.txt a.txt version=1.2.3.4", ":5: version= needs the shared or versioned flag"},
        {"a.txt a.txt versioned version=1.2.3", ":5: version= must be a.b.c.d"},
        {"a.txt a.txt versioned version=1.2.3.70000", ":5: version= must be a.b.c.d"},
        {"a.txt a.txt not_installed shared version=1.0.0.0", ":5: not_installed cannot be combined"},
        {"a.txt a.txt stamped", ":5: \"a.txt\" is flagged stamped but holds no checksum marker"},
        {"a.txt read.", ":5: invalid name \"read.\": has a part ending in a dot or a blank"},
        {"a.txt \"read \"", ":5: invalid name \"read \": has a part ending in a dot or a blank"},
        {"a.txt \"docs.\\read.txt\"", "has a part ending in a dot or a blank"},
        {"a.txt npanim.cox", ":5: \"a.txt\" is an extension file without a valid checksum stamp"},
        {"a.txt sub\\x.MOX", ":5: \"a.txt\" is an extension file without a valid checksum stamp"},
        {"folder/ docs", ":5: a folder's name in the package ends with a backslash"},
        {"missing/ docs\\", ":5: cannot read the folder \"missing/\""},
        {"a.txt/ docs\\", ":5: cannot read the folder \"a.txt/\""},
        {"empty/ docs\\", ":5: the folder \"empty/\" holds no files"},
        {"a.txt A.TXT\nlib.dll a.txt versioned", ":6: duplicate name \"a.txt\" (first on line 5)"},
        {"a.txt x.txt\n[Other]", ":6: unknown section [Other]"},
    };
    for (const auto& c : cases) {
        write_text(path("m.ini"), "[Setup]\nversion = 1.0.1\n\n[Files]\n" + c.files_line + "\n");
        Manifest m;
        std::vector<std::string> errors;
        EXPECT_FALSE(load_manifest(path("m.ini"), m, errors)) << c.files_line;
        ASSERT_EQ(errors.size(), 1u) << c.files_line;
        EXPECT_EQ(errors[0].rfind(path("m.ini") + ":", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(c.message), std::string::npos) << errors[0] << "\n  wanted: " << c.message;
    }
}

TEST_F(Manifests, SetupSectionFaults) {
    write_text(path("a.txt"), "a");
    const struct {
        std::string text, message;
    } cases[] = {
        {"[Files]\na.txt a.txt\n", ":2: missing [Setup] version"},
        {"[Setup]\nversion = 2.2\n", ":2: version must be major.minor.build"},
        {"[Setup]\nversion = 2.2.98\ncolour = blue\n", ":3: unknown key \"colour\" in [Setup]"},
        {"a.txt a.txt\n[Setup]\nversion=1.0.0\n", ":1: line outside a known section"},
    };
    for (const auto& c : cases) {
        write_text(path("m.ini"), c.text);
        Manifest m;
        std::vector<std::string> errors;
        EXPECT_FALSE(load_manifest(path("m.ini"), m, errors)) << c.text;
        ASSERT_FALSE(errors.empty()) << c.text;
        EXPECT_NE(errors[0].find(c.message), std::string::npos) << errors[0];
    }
    Manifest m;
    std::vector<std::string> errors;
    EXPECT_FALSE(load_manifest(path("none.ini"), m, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("cannot open the manifest"), std::string::npos);
}

TEST_F(Manifests, FileTooLargeForSizeKb) {
    // size_kb is a u16: 65535 KiB is the most an entry can hold.
    write_bytes(path("big.bin"), Bytes(MAX_ENTRY_BYTES + 1, 0));
    write_bytes(path("max.bin"), Bytes(MAX_ENTRY_BYTES, 0));
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.1\n[Files]\nmax.bin max.bin\nbig.bin big.bin\n");
    Manifest m;
    std::vector<std::string> errors;
    EXPECT_FALSE(load_manifest(path("m.ini"), m, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(":5: \"big.bin\" is 67107841 bytes; an entry holds at most 67107840"), std::string::npos)
        << errors[0];
}

TEST_F(Manifests, CommentsByteOrderMarkAndSettings) {
    write_text(path("a.txt"), "a");
    const struct {
        std::string text;
        std::vector<std::string> sets;
        std::string fault;                      // "" when it loads
        uint16_t major, minor, build;
        size_t entries;
    } cases[] = {
        {"\xEF\xBB\xBF[Setup]\nversion = 2.2.98\n[Files]\na.txt a.txt\n", {}, "", 2, 2, 98, 1},
        {"[Setup]   # product\nversion = 2.2.98   # shown by the wizard\n[Files] ; files\n"
         "a.txt  a.txt   # the file\n\"a.txt\" \"b #1.txt\" ;comment\n", {}, "", 2, 2, 98, 2},
        {"[Setup]\nversion = 2.2.98\n[Files]\na.txt a.txt\n", {"version=3.0.7"}, "", 3, 0, 7, 1},
        {"[Files]\na.txt a.txt\n", {"version = 1.2.3"}, "", 1, 2, 3, 1},
        {"[Setup]\nversion = 2.2.98\n[Files]\na.txt a.txt\n", {"version=3.0"}, "--set: version must be major.minor.build", 0, 0, 0, 0},
        {"[Setup]\nversion = 2.2.98\n[Files]\na.txt a.txt\n", {"colour=blue"}, "--set: unknown key \"colour\"", 0, 0, 0, 0},
        {"[Setup]\nversion = 2.2.98\n[Files]\na.txt a.txt\n", {"version"}, "--set: expected KEY=VALUE", 0, 0, 0, 0},
        {"", {}, ": the manifest is empty", 0, 0, 0, 0},
        {"\n  \n# only a comment\n", {}, ": the manifest is empty", 0, 0, 0, 0},
        {"\xEF\xBB\xBF", {}, ": the manifest is empty", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        write_text(path("m.ini"), c.text);
        Manifest m;
        std::vector<std::string> errors;
        bool loaded = load_manifest(path("m.ini"), m, errors, ManifestSettings{c.sets});
        if (c.fault.empty()) {
            ASSERT_TRUE(loaded) << c.text << ": " << (errors.empty() ? "" : errors[0]);
            EXPECT_EQ(m.major, c.major);
            EXPECT_EQ(m.minor, c.minor);
            EXPECT_EQ(m.build, c.build);
            EXPECT_EQ(m.entries.size(), c.entries) << c.text;
        } else {
            EXPECT_FALSE(loaded) << c.text;
            ASSERT_EQ(errors.size(), 1u) << c.text;
            EXPECT_NE(errors[0].find(c.fault), std::string::npos) << errors[0];
            EXPECT_EQ(errors[0].find(":0:"), std::string::npos) << errors[0];
        }
    }
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\n\"a.txt\" \"b #1.txt\"\n");
    Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(load_manifest(path("m.ini"), m, errors));
    EXPECT_EQ(m.entries[0].name, "b #1.txt");   // a '#' inside quotes is part of the name
}

TEST_F(Manifests, AFolderEntryTakesTheWholeTreeInAStableOrder) {
    for (const char* d : {"stage", "stage/docs", "stage/docs/deep", "stage/b"}) ::mkdir(path(d).c_str(), 0755);
    for (const char* f : {"stage/z.txt", "stage/a.dll", "stage/docs/deep/x.bin", "stage/docs/read me.txt", "stage/b/c.dat"})
        write_text(path(f), f);
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nstage/docs/ help\\\nstage/ \\ \n");
    Manifest m;
    std::vector<std::string> errors;
    ASSERT_TRUE(load_manifest(path("m.ini"), m, errors)) << errors[0];
    std::vector<std::string> names, sources;
    for (const ManifestEntry& e : m.entries) names.push_back(e.name), sources.push_back(e.source);
    EXPECT_EQ(names, (std::vector<std::string>{"help\\deep\\x.bin", "help\\read me.txt", "a.dll", "b\\c.dat",
                                               "docs\\deep\\x.bin", "docs\\read me.txt", "z.txt"}));
    EXPECT_EQ(sources[0], "stage/docs/deep/x.bin");
    EXPECT_EQ(m.entries[0].line, 4);
    EXPECT_EQ(m.entries[6].line, 5);
    EXPECT_EQ(m.entries[6].size, std::string("stage/z.txt").size());

    // Flags go to every file, with every file's checks; names are checked as for one entry.
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nstage/b/ b\\ versioned\n");
    EXPECT_FALSE(load_manifest(path("m.ini"), m, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(":4: \"stage/b/c.dat\" has no version resource"), std::string::npos) << errors[0];
    write_text(path("stage/b/bad."), "x");
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nstage/b/ b\\\nstage/b/c.dat B\\C.DAT\n");
    EXPECT_FALSE(load_manifest(path("m.ini"), m, errors));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find(":4: invalid name \"b\\bad.\" (from stage/b/bad.)"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find(":5: duplicate name \"B\\C.DAT\" (first on line 4)"), std::string::npos) << errors[1];

    // A link to a folder inside the tree is not followed (it could lead back up).
    ::unlink(path("stage/b/bad.").c_str());
    ASSERT_EQ(::symlink(path("stage/docs").c_str(), path("stage/b/loop").c_str()), 0);
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nstage/b/ b\\\n");
    EXPECT_FALSE(load_manifest(path("m.ini"), m, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(":4: \"stage/b/loop\" is a link to a folder"), std::string::npos) << errors[0];
    // A link to a file is taken under its own name.
    ::unlink(path("stage/b/loop").c_str());
    ASSERT_EQ(::symlink(path("stage/z.txt").c_str(), path("stage/b/alias.dat").c_str()), 0);
    ASSERT_TRUE(load_manifest(path("m.ini"), m, errors)) << errors[0];
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[0].name, "b\\alias.dat");
    EXPECT_EQ(m.entries[0].size, std::string("stage/z.txt").size());
}

TEST_F(Manifests, TheReadmesExampleChecksCleanly) {
    std::ifstream readme(TOOL_README);
    std::stringstream text;
    text << readme.rdbuf();
    std::string all = text.str();
    size_t begin = all.find("```ini\n"), end = all.find("```\n", begin + 7);
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    write_text(path("manifest.ini"), all.substr(begin + 7, end - begin - 7));
    // The sources the example names, as a maker would have them.
    for (const char* d : {"docs", "help", "help/en"}) ::mkdir(path(d).c_str(), 0755);
    for (const char* f : {"bvrt32.dll", "nptnf32.dll", "NpU32.exe"}) write_bytes(path(f), as_bytes(make_pe_with_version(2, 2, 0, 98)));
    write_text(path("docs/read me.txt"), "read me");
    write_text(path("readme.txt"), "read me");
    write_text(path("help/en/index.txt"), "help");
    write_text(path("npanim.cox"), std::string("head\x44\x02\x01\x56\x27\x75\0\0\0\0tail", 18));
    write_text(path("logo.bmp"), "BM");
    write_bytes(path("stub.exe"), make_stub());
    RunResult r = run_tool({"check", "--stub", path("stub.exe"), "--manifest", path("manifest.ini")});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("read-me: readme.txt"), std::string::npos) << r.out;
}
