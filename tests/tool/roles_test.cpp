// The roles the program gives entries by their names, as build and check find them: the
// plug-in, the uninstaller, the wizard's picture and the read-me; a warning with the manifest
// line for each one missing or probably misnamed or misflagged; no package without anything
// to install.
#include "tests/tool/tool_support.h"

#include "tools/setup-pack/package_roles.h"

namespace {

class Roles : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        write_text(path("f"), "data");
        write_text(path("logo.bmp"), "BM....");
        write_text(path("plain.bmp"), "not a picture");
        write_bytes(path("stub.exe"), make_stub());
    }

    // Loads "[Setup] version, [Files]" + `files` (the [Files] section is line 3) and finds the roles.
    PackageRoles roles_of(const std::string& files, std::vector<std::string>& errors, std::vector<std::string>& warnings) {
        write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\n" + files);
        Manifest m;
        errors.clear();
        warnings.clear();
        if (!load_manifest(path("m.ini"), m, errors)) {
            ADD_FAILURE() << files << ": " << errors[0];
            return {};
        }
        return find_roles(m, errors, warnings);
    }
};

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

}  // namespace

TEST_F(Roles, EachRoleAndItsWarnings) {
    const std::string all_four = "f nptnf32.dll\nf NpU32.exe\nlogo.bmp logo.bmp not_installed\nf readme.txt\n";
    const struct {
        std::string files;
        int plugin, uninstaller, picture, readme;
        std::vector<std::string> warnings;   // each found in the warnings, in this order; none else
    } cases[] = {
        {all_four, 0, 1, 2, 3, {}},
        {"f NPTNF32.DLL\nf npu32.EXE\nlogo.bmp LOGO.BMP not_installed\nf READ.TXT\n", 0, 1, 2, 3, {}},
        {"f readme.txt\n", -1, -1, -1, 0,
         {"m.ini:3: warning: no entry nptnf32.dll: the installer puts no plug-in",
          "m.ini:3: warning: no entry NpU32.exe: the uninstall record and the Start-menu shortcut point at it",
          "m.ini:3: warning: no not_installed entry logo.bmp: the wizard shows no picture"}},
        {"f NpU32.exe\nlogo.bmp logo.bmp not_installed\nf sub\\nptnf32.dll\nf nptnf32.dll shared version=1.0.0.0\n",
         -1, 0, 1, -1,
         {"m.ini:6: warning: \"sub\\nptnf32.dll\" is not the plug-in: only an entry named nptnf32.dll at the top",
          "m.ini:7: warning: \"nptnf32.dll\" is not the plug-in", "m.ini:3: warning: no entry nptnf32.dll",
          "m.ini:3: warning: no .txt entry: the Start menu gets no read-me shortcut"}},
        {"f nptnf32.dll\nf bin\\NpU32.exe\nlogo.bmp logo.bmp not_installed\nf r.txt\n", 0, -1, 2, 3,
         {"m.ini:5: warning: \"bin\\NpU32.exe\" is not the uninstaller", "m.ini:3: warning: no entry NpU32.exe"}},
        {"f nptnf32.dll\nf NpU32.exe\nlogo.bmp logo.bmp\nf r.txt\n", 0, 1, -1, 3,
         {"m.ini:6: warning: \"logo.bmp\" is not the wizard's picture: that is an entry named logo.bmp at the top of "
          "the package flagged not_installed (this one is installed)",
          "m.ini:3: warning: no not_installed entry logo.bmp"}},
        {"f nptnf32.dll\nf NpU32.exe\nplain.bmp logo.bmp not_installed\nf r.txt\n", 0, 1, 2, 3,
         {"m.ini:6: warning: \"plain.bmp\" is not a BMP picture; the wizard shows none"}},
        {all_four + "f \"docs\\user guide.txt\"\nf notes.txt not_installed\n", 0, 1, 2, 4,
         {"m.ini:8: warning: \"docs\\user guide.txt\" becomes the Start menu's read-me, being the last .txt entry; not "
          "\"readme.txt\" (line 7)"}},
        {"f nptnf32.dll\nf NpU32.exe\nlogo.bmp logo.bmp not_installed\nf licence.txt\nf \"docs\\Read_Me first.TXT\"\n",
         0, 1, 2, 4, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> errors, warnings;
        PackageRoles r = roles_of(c.files, errors, warnings);
        EXPECT_TRUE(errors.empty()) << c.files << joined(errors);
        EXPECT_EQ(r.plugin, c.plugin) << c.files;
        EXPECT_EQ(r.uninstaller, c.uninstaller) << c.files;
        EXPECT_EQ(r.picture, c.picture) << c.files;
        EXPECT_EQ(r.readme, c.readme) << c.files;
        ASSERT_EQ(warnings.size(), c.warnings.size()) << c.files << joined(warnings);
        for (size_t i = 0; i < warnings.size(); ++i)
            EXPECT_NE(warnings[i].find(c.warnings[i]), std::string::npos) << warnings[i] << "\n  wanted: " << c.warnings[i];
    }
}

TEST_F(Roles, NothingToInstallIsRefused) {
    for (const std::string& files : {std::string(""), std::string("logo.bmp logo.bmp not_installed\nf x not_installed\n")}) {
        std::vector<std::string> errors, warnings;
        roles_of(files, errors, warnings);
        ASSERT_EQ(errors.size(), 1u) << files;
        EXPECT_NE(errors[0].find("m.ini:3: nothing to install"), std::string::npos) << errors[0];

        write_bytes(path("setup.exe"), Bytes{'o', 'l', 'd'});
        RunResult r = run_tool({"build", "--stub", path("stub.exe"), "--manifest", path("m.ini"), "--out", path("setup.exe")});
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_NE(r.out.find("nothing to install"), std::string::npos) << r.out;
        EXPECT_EQ(read_bytes(path("setup.exe")), (Bytes{'o', 'l', 'd'}));
        r = run_tool({"check", "--stub", path("stub.exe"), "--manifest", path("m.ini")});
        EXPECT_EQ(r.code, 1) << r.out;
    }
}

TEST_F(Roles, WithoutFilesSectionTheManifestIsNamedWithoutLine) {
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n");
    Manifest m;
    std::vector<std::string> errors, warnings;
    ASSERT_TRUE(load_manifest(path("m.ini"), m, errors));
    find_roles(m, errors, warnings);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], path("m.ini") + ": nothing to install: [Files] lists no entry");
    ASSERT_EQ(warnings.size(), 4u);
    for (const std::string& w : warnings) EXPECT_EQ(w.rfind(path("m.ini") + ": warning: ", 0), 0u) << w;
}

TEST_F(Roles, TheSummaryNamesEachRole) {
    write_text(path("m.ini"), "[Setup]\nversion = 1.0.0\n[Files]\nf nptnf32.dll\nlogo.bmp logo.bmp not_installed\n"
                              "f readme.txt\n");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"build", "--out", path("setup.exe")}, std::vector<std::string>{"check"}}) {
        std::vector<std::string> args = command;
        args.insert(args.end(), {"--stub", path("stub.exe"), "--manifest", path("m.ini")});
        RunResult r = run_tool(args);
        ASSERT_EQ(r.code, 0) << r.out;
        for (const char* line : {"plug-in: nptnf32.dll (line 4)\n", "uninstaller: none\n",
                                 "wizard picture: logo.bmp (line 5)\n", "read-me: readme.txt (line 6)\n",
                                 "m.ini:3: warning: no entry NpU32.exe"})
            EXPECT_NE(r.out.find(line), std::string::npos) << command[0] << ": " << r.out << "\n  wanted: " << line;
    }
}
