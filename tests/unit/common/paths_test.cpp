// Path, directory, long-name and free-space helpers.
#include "common/paths.h"

#include "tests/support/test_env.h"

#include <cstring>

namespace {

struct Buffer {
    char text[PATH_BUFFER_SIZE] = {};
    explicit Buffer(const std::string& s) { std::strncpy(text, s.c_str(), sizeof text - 1); }
};

std::string added(const std::string& s) { Buffer b(s); add_backslash(b.text); return b.text; }
std::string removed(const std::string& s) { Buffer b(s); remove_backslash(b.text); return b.text; }
std::string shortened(const std::string& s, int limit) { Buffer b(s); shorten_path(b.text, limit); return b.text; }

}  // namespace

TEST(Paths, Backslashes) {
    EXPECT_EQ(added(""), "");
    EXPECT_EQ(added("C:"), "C:\\");
    EXPECT_EQ(added("C:\\A"), "C:\\A\\");
    EXPECT_EQ(added("C:\\A\\"), "C:\\A\\");
    std::string full(259, 'x');   // no room for another character in a path buffer
    EXPECT_EQ(added(full), full);
    EXPECT_EQ(added(std::string(258, 'x')), std::string(258, 'x') + "\\");

    EXPECT_EQ(removed("C:\\"), "C:\\");
    EXPECT_EQ(removed("C:\\A\\"), "C:\\A");
    EXPECT_EQ(removed("C:\\A"), "C:\\A");
    EXPECT_EQ(removed("AB\\"), "AB\\");   // three characters: kept, as a root would be
    EXPECT_EQ(removed(""), "");
}

TEST(Paths, ShortenPath) {
    struct { const char* in; int limit; const char* out; } cases[] = {
        {"C:\\Program Files\\Netscape\\Communicator\\Program\\Plugins", 40, "C:\\Program Files\\Netscape\\...\\Plugins"},
        {"C:\\Program Files\\Netscape\\Communicator\\Program", 46, "C:\\Program Files\\Netscape\\Communicator\\Program"},
        {"C:\\Program Files\\Netscape\\Communicator\\Program", 45, "C:\\Program Files\\Netscape\\...\\Program"},
        {"C:\\Program Files\\Netscape\\Communicator\\Program", 20, "C:\\...\\Program"},
        {"C:\\ab\\A very long last name that alone passes", 10, "C:\\ab\\A very long last name that alone passes"},
        {"C:\\abc\\A very long last name that alone passes", 10, "C:\\...\\A very long last name that alone passes"},
        {"C:\\abcd\\A very long last name that alone passes", 10, "C:\\...\\A very long last name that alone passes"},
        {"NoBackslashAtAllButLong", 5, "NoBackslashAtAllButLong"},
        {"C:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k", 12, "C:\\a\\b\\c\\...\\k"},
    };
    for (const auto& c : cases) {
        std::string out = shortened(c.in, c.limit);
        EXPECT_EQ(out, c.out) << c.in << " limit " << c.limit;
        EXPECT_LE(out.size(), std::strlen(c.in));
    }
}

using PathDisk = PlatformTest;

TEST_F(PathDisk, MakeDirectoryPathCreatesTheMissingOnesTopDown) {
    make_directory(path("A"));
    Buffer b(path("A\\B\\C"));
    EXPECT_EQ(make_directory_path(b.text), 0);
    EXPECT_EQ(std::string(b.text), path("A\\B\\C\\"));
    EXPECT_TRUE(directory_exists(path("A\\B\\C")));
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, path("A\\B\\C").c_str());
    // All there already: nothing to do, still 0.
    EXPECT_EQ(make_directory_path(b.text), 0);
}

TEST_F(PathDisk, MakeDirectoryPathTellsWhichItCreated) {
    make_directory(path("A"));
    Buffer b(path("A\\B\\C"));
    int first = 0;
    EXPECT_EQ(make_directory_path(b.text, &first), 0);
    EXPECT_EQ(first, (int)path("A\\B").size());   // A was there; B and C are this call's
    EXPECT_EQ(make_directory_path(b.text, &first), 0);
    EXPECT_EQ(first, -1);
}

// A path of 259 characters has no room for its trailing backslash: its last directory is
// made all the same, not silently left out.
TEST_F(PathDisk, MakeDirectoryPathWithoutRoomForTheBackslashMakesTheLastDirectory) {
    std::string base = path("");
    std::string full = base;
    while (full.size() < PATH_BUFFER_SIZE - 1) {
        size_t room = PATH_BUFFER_SIZE - 1 - full.size();
        if (room <= 41) full += std::string(room, 'L');
        else full += std::string(40, 'd') + "\\";
    }
    ASSERT_EQ(full.size(), (size_t)PATH_BUFFER_SIZE - 1);
    Buffer b(full);
    int first = 0;
    EXPECT_EQ(make_directory_path(b.text, &first), 0);
    EXPECT_EQ(std::string(b.text), full);   // no room: unchanged
    EXPECT_TRUE(directory_exists(full));
    EXPECT_EQ(first, (int)base.size() + 40);
}

TEST_F(PathDisk, MakeDirectoryPathOnARootAndOnTheEmptyPath) {
    Buffer root("C:");
    EXPECT_EQ(make_directory_path(root.text), 0);
    EXPECT_STREQ(root.text, "C:\\");
    Buffer empty("");
    EXPECT_EQ(make_directory_path(empty.text), 1);
}

TEST_F(PathDisk, MakeDirectoryPathStopsAtWhatCannotBeCreated) {
    write_file(path("file"), "x");
    Buffer b(path("file\\sub"));
    EXPECT_EQ(make_directory_path(b.text), 1);
    EXPECT_FALSE(directory_exists(path("file\\sub")));
    // The current directory stayed at the last directory that exists.
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, path("").substr(0, path("").size() - 1).c_str());
}

TEST_F(PathDisk, MakeDirectoryPathWithoutMemory) {
    Buffer b(path("X\\Y"));
    test_fail_allocation(1);
    EXPECT_EQ(make_directory_path(b.text), -1);
    EXPECT_FALSE(directory_exists(path("X")));
}

TEST_F(PathDisk, MakeDirectoryPathOnTheCurrentDrivesRoot) {
    SetCurrentDirectoryA("C:\\");
    Buffer b("\\bvtest\\R\\S");
    EXPECT_EQ(make_directory_path(b.text), 0);
    EXPECT_TRUE(directory_exists(path("R\\S")));
}

TEST_F(PathDisk, FreeSpaceIsMeasuredAtTheDriveRoot) {
    ULARGE_INTEGER available, total, free_bytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free_bytes));
    uint64_t expected = free_bytes.QuadPart / 1024;
    for (std::string p : {std::string("C:\\"), std::string("C:"), path("no\\such\\dir"), path("")}) {
        uint32_t kb = free_space_kb(p.c_str());
        ASSERT_NE(kb, FREE_SPACE_UNKNOWN) << p;
        // Other programs write to the disk meanwhile; clusters round the figure down.
        uint64_t cap = expected > 0xFFFFFFFEull ? 0xFFFFFFFEull : expected;
        EXPECT_NEAR((double)kb, (double)cap, 64.0 * 1024) << p;
    }
    EXPECT_EQ(free_space_kb("Q:\\nowhere"), FREE_SPACE_UNKNOWN);
}

TEST_F(PathDisk, ToLongPathGivesEachExistingPartAsListed) {
    make_directory(path("Long Directory Name"));
    write_file(path("Long Directory Name\\Some Long File.txt"), "x");
    std::string long_path = path("Long Directory Name\\Some Long File.txt");
    std::string short_form = short_path(long_path);
    ASSERT_NE(short_form, long_path);
    struct { std::string in, out; } cases[] = {
        {short_form, long_path},
        {path("long directory name"), path("Long Directory Name")},   // the listed spelling
        {path("Long Directory Name\\missing.txt"), path("Long Directory Name\\missing.txt")},
        {path("Long Directory Name\\"), path("Long Directory Name\\")},
        {"\\\\server\\share\\dir", "\\\\server\\share\\dir"},
        {path("Long*"), path("Long*")},
    };
    for (const auto& c : cases) {
        char buffer[PATH_BUFFER_SIZE] = {};
        std::strcpy(buffer, c.in.c_str());
        to_long_path(buffer);
        EXPECT_EQ(std::string(buffer), c.out) << c.in;
    }
    char buffer[PATH_BUFFER_SIZE] = {};
    std::strcpy(buffer, short_form.c_str());
    test_fail_allocation(1);
    to_long_path(buffer);
    EXPECT_EQ(std::string(buffer), short_form);
}
