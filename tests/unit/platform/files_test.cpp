// The platform behaviour the program relies on, checked the same way on the host stand-in and
// under Wine: if the stand-in drifts from Windows, these fail on one side.
#include "tests/support/test_env.h"

#include "common/status.h"

#include <cstring>

using PlatformFiles = PlatformTest;

TEST_F(PlatformFiles, CreateWriteSeekReadRoundTrip) {
    write_file(path("a.bin"), "hello world");
    HFILE f = _lopen(path("A.BIN").c_str(), OF_READ);   // names match without regard to case
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_llseek(f, 0, FILE_END), 11);
    EXPECT_EQ(_llseek(f, 6, FILE_BEGIN), 6);
    char buf[16] = {};
    EXPECT_EQ(_lread(f, buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(_lread(f, buf, sizeof buf), 0u);
    _lclose(f);
}

TEST_F(PlatformFiles, OpeningMissingFileOrFolderFails) {
    EXPECT_EQ(_lopen(path("missing.txt").c_str(), OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lcreat(path("no\\such\\dir.txt").c_str(), 0), HFILE_ERROR);
    make_directory(path("sub"));
    EXPECT_EQ(_lopen(path("sub").c_str(), OF_READ), HFILE_ERROR);
}

TEST_F(PlatformFiles, RenameDoesNotReplaceAnExistingFile) {
    write_file(path("from.~ll"), "new");
    write_file(path("to.dll"), "old");
    EXPECT_FALSE(MoveFileA(path("from.~ll").c_str(), path("to.dll").c_str()));
    EXPECT_TRUE(DeleteFileA(path("to.dll").c_str()));
    EXPECT_TRUE(MoveFileA(path("from.~ll").c_str(), path("to.dll").c_str()));
    EXPECT_EQ(read_file(path("to.dll")), "new");
}

TEST_F(PlatformFiles, CurrentDirectoryIsTheExistenceTest) {
    make_directory(path("Exists"));
    EXPECT_TRUE(SetCurrentDirectoryA(path("exists").c_str()));
    EXPECT_FALSE(SetCurrentDirectoryA(path("absent").c_str()));
    char cur[MAX_PATH];
    GetCurrentDirectoryA(sizeof cur, cur);
    EXPECT_EQ(std::string(cur), path("exists"));   // kept as it was passed
}

TEST_F(PlatformFiles, TemporaryFileIsCreatedEmpty) {
    char temp_dir[MAX_PATH], name[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp_dir, temp_dir), 0u);
    ASSERT_NE(GetTempFileNameA(temp_dir, "Tmp", 0, name), 0u);
    EXPECT_EQ(read_file(name), "");
    EXPECT_TRUE(DeleteFileA(name));
}

TEST_F(PlatformFiles, CatalogueTextsLoadExactly) {
    char text[512];
    ASSERT_GT(LoadStringA(ctx.instance, MSG_CREATE_DIRECTORY, text, sizeof text), 0);
    EXPECT_STREQ(text,
                 "The directory %s does not exist. \n\nDo you want to create it?\n\nIf you choose "
                 "\"No\", you will have to re-enter a different location.");
    EXPECT_EQ(LoadStringA(ctx.instance, 46, text, sizeof text), 0);   // no such id
    EXPECT_EQ(LoadStringA(ctx.instance, MSG_PRODUCT_SHORT_NAME, text, 5), 4);   // cut to the buffer
    EXPECT_STREQ(text, "Bris");
}

TEST_F(PlatformFiles, RegistryRoundTripIgnoresCase) {
    set_registry_string(HKEY_CURRENT_USER, "Software\\BvTest\\Main", "CurDir", "C:\\X");
    EXPECT_EQ(registry_string(HKEY_CURRENT_USER, "SOFTWARE\\bvtest\\MAIN", "curdir"), "C:\\X");
    HKEY k;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\BvTest", &k), ERROR_SUCCESS);
    char value[16];
    LONG size = sizeof value;
    // A key without a default value reads as the empty string.
    EXPECT_EQ(RegQueryValueA(k, "Main", value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "");
    RegCloseKey(k);
    // Only keys without subkeys can be deleted.
    EXPECT_NE(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\BvTest"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\BvTest\\Main"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\BvTest"), ERROR_SUCCESS);
    EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, "Software\\BvTest"));
}

TEST_F(PlatformFiles, ScriptedMessageBoxesAnswerInOrderAndAreRecorded) {
    test_script_message_boxes({IDRETRY, IDABORT});
    EXPECT_EQ(MessageBoxA(nullptr, "one", "cap", 0x35), IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "two", nullptr, 0x32), IDABORT);
    EXPECT_EQ(MessageBoxA(nullptr, "three", nullptr, 0x30), IDCANCEL);   // script ran out
    ASSERT_EQ(test_recorded_message_boxes().size(), 3u);
    EXPECT_EQ(test_recorded_message_boxes()[1].text, "two");
    EXPECT_EQ(test_recorded_message_boxes()[1].caption, "(null)");
    EXPECT_EQ(test_recorded_message_boxes()[0].style, 0x35u);
}

TEST_F(PlatformFiles, ChosenAllocationFails) {
    test_fail_allocation(2);
    HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    HLOCAL b = LocalAlloc(LMEM_ZEROINIT, 16);
    HGLOBAL c = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_NE(c, nullptr);
    GlobalFree(a);
    GlobalFree(c);
}
