// Shortcuts through the shell's own objects (Windows builds only), read back with a fresh
// IShellLinkA as any program would.
#include "tests/unit/install/install_fixture.h"

#include "install/shortcuts.h"

#include <cstring>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

struct LinkContents {
    std::string path, working_directory, arguments;
    bool loaded = false;
};

LinkContents read_link(const std::string& link_path) {
    LinkContents out;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return out;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char text[MAX_PATH] = {};
            link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            out.path = text;
            text[0] = 0;
            link->GetWorkingDirectory(text, MAX_PATH);
            out.working_directory = text;
            text[0] = 0;
            link->GetArguments(text, MAX_PATH);
            out.arguments = text;
            out.loaded = true;
        }
        file->Release();
    }
    link->Release();
    return out;
}

std::string programs_folder() {
    char path[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list) == S_OK) {
        SHGetPathFromIDListA(list, path);
        CoTaskMemFree(list);
    }
    return path;
}

class Shortcuts : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        group_ = programs_folder() + "\\Brisvane!\\";
        remove_group();
    }
    void TearDown() override {
        remove_group();
        OleUninitialize();
        InstallTest::TearDown();
    }
    void remove_group() {
        SetCurrentDirectoryA("C:\\");
        DeleteFileA((group_ + "Read me.lnk").c_str());
        DeleteFileA((group_ + "Uninstall Brisvane!.lnk").c_str());
        RemoveDirectoryA(group_.c_str());
    }
    std::string group_;
};

}  // namespace

TEST_F(Shortcuts, ALinkKeepsItsTargetWorkingDirectoryAndArguments) {
    const std::string target = path("target\\docs\\ReadMe.txt");
    EXPECT_EQ(create_shell_link(target.c_str(), path("plain.lnk").c_str(), "", 0), S_OK);
    LinkContents plain = read_link(path("plain.lnk"));
    ASSERT_TRUE(plain.loaded);
    EXPECT_EQ(plain.path, target);
    EXPECT_EQ(plain.working_directory, path("target\\docs"));
    EXPECT_EQ(plain.arguments, "");

    EXPECT_EQ(create_shell_link(target.c_str(), path("args.lnk").c_str(), "/quiet", 1), S_OK);
    EXPECT_EQ(read_link(path("args.lnk")).arguments, "/quiet");
}

TEST_F(Shortcuts, TheProgramGroupGetsTheReadMeAndTheUninstaller) {
    std::strcpy(ctx.readme_file_name, "docs\\ReadMe.txt");
    create_shortcuts();
    LinkContents readme = read_link(group_ + "Read me.lnk");
    ASSERT_TRUE(readme.loaded);
    EXPECT_EQ(readme.path, target() + "docs\\ReadMe.txt");
    EXPECT_EQ(readme.working_directory, path("target\\docs"));
    LinkContents uninstall = read_link(group_ + "Uninstall Brisvane!.lnk");
    ASSERT_TRUE(uninstall.loaded);
    EXPECT_EQ(uninstall.path, target() + "NpU32.exe");
    EXPECT_EQ(uninstall.working_directory, path("target"));

    // Again, into the existing group and without a read-me: the uninstaller's link is
    // replaced, the old read-me link is not touched.
    ctx.readme_file_name[0] = 0;
    set_path(ctx.target_directory, path("other\\"));
    create_shortcuts();
    EXPECT_EQ(read_link(group_ + "Uninstall Brisvane!.lnk").path, path("other\\NpU32.exe"));
    EXPECT_EQ(read_link(group_ + "Read me.lnk").path, target() + "docs\\ReadMe.txt");
}
