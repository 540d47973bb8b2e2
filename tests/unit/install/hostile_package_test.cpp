// Hostile packages whose checksum matches (built by the test, as no packer would build them):
// names that leave the target, records and data offsets outside the table or the file,
// streams that expand past their entry's size or never end. None may crash, write outside
// the test folder's target, plug-in and system folders, or leave a file that looks complete;
// each ends with a clear status.
#include "tests/unit/install/install_fixture.h"

#include "common/status.h"
#include "install/install_sequence.h"
#include "package/load_package.h"
#include "platform/host/host_control.h"
#include "tests/support/bit_writer.h"

#include <filesystem>
#include <set>

namespace {

// Every file below the test folder, as host paths relative to it.
std::set<std::string> files_below(const std::string& root) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file()) names.insert(e.path().string().substr(root.size()));
    return names;
}

// A fixed block: one literal, then `matches` copies of 258 bytes at distance 1, without an
// end-of-block code and without a last block: it only ends by the output limit or the input.
std::string match_loop(int matches) {
    bw::BitWriter w;
    bw::header(w, bw::FIXED, false);
    std::vector<bw::Item> items = {{'a', 0, 0}};
    for (int i = 0; i < matches; ++i) items.push_back({-1, 258, 1});
    bw::put_items(w, items, bw::fixed_literal_code(), bw::fixed_distance_code(), false);
    return w.finish();
}

// Empty stored blocks, none of them the last.
std::string endless_stored(int blocks) {
    bw::BitWriter w;
    for (int i = 0; i < blocks; ++i) bw::stored_block(w, "", false);
    return w.finish();
}

class HostilePackage : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        root_ = host_path_of(dir().c_str());
        if (root_.back() != '/') root_ += '/';
        make_directory(path("sys"));
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        ctx.backdrop_window = reinterpret_cast<HWND>(0xBD);
    }
    // Loads the package through load_package, as start-up does.
    int load(const PackageLayout& layout) {
        install_package(build_package(layout), path("setup.exe"));
        return load_package();
    }
    std::string root_;
};

PackageLayout with_names(const std::string& hostile) {
    PackageLayout layout;
    layout.entries = {package_entry("ReadMe.txt", 0x0000, "README"), package_entry(hostile, 0x0000, "EVIL")};
    return layout;
}

}  // namespace

TEST_F(HostilePackage, NamesThatLeaveTheTargetAreInvalidData) {
    for (const char* name : {"..\\evil.txt", "sub\\..\\..\\evil.txt", "..", "sub\\..", "C:\\evil.txt",
                             "C:evil.txt", "\\evil.txt", "\\\\server\\share\\evil.txt", "a/../../evil.txt",
                             "/evil.txt", "evil.txt:stream", "sub\\\\evil.txt", "sub\\", "", ".\\.\\..\\evil"}) {
        SCOPED_TRACE(name);
        reset_context();
        EXPECT_EQ(load(with_names(name)), MSG_INVALID_DATA);
        EXPECT_EQ(ctx.file_table, nullptr);
    }
    // Also as a shared entry, whose last component is used: its path part is checked too.
    PackageLayout shared;
    shared.entries = {package_entry("..\\..\\evil.dll", SHARED_FLAGS, "EVIL", 1, 0, 0, 0)};
    reset_context();
    EXPECT_EQ(load(shared), MSG_INVALID_DATA);
}

TEST_F(HostilePackage, RecordsAndDataOutsideTheTableOrFileAreInvalidData) {
    std::vector<PackageLayout> specs;
    for (uint32_t offset : {0u, 100u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
        PackageLayout s = with_names("b.txt");
        s.entries[1].data_offset = offset;   // in the image, or past the end of the file
        specs.push_back(s);
    }
    for (uint16_t length : {(uint16_t)0, (uint16_t)3, (uint16_t)9, (uint16_t)0xFFFF}) {
        PackageLayout s = with_names("b.txt");
        s.entries[0].record_length = length;   // shorter than its fields, or past the table
        specs.push_back(s);
    }
    PackageLayout unterminated;
    unterminated.table_bytes = std::string(40, 'A');   // a name with no end inside the table
    unterminated.file_count = 1;
    specs.push_back(unterminated);
    for (size_t i = 0; i < specs.size(); ++i) {
        reset_context();
        EXPECT_EQ(load(specs[i]), MSG_INVALID_DATA) << i;
        EXPECT_EQ(ctx.file_table, nullptr) << i;
    }
}

TEST_F(HostilePackage, StreamsThatNeverEndStopAndLeaveNothing) {
    struct Case {
        const char* what;
        std::string stream;
    };
    const Case cases[] = {
        // 258 * 200000 bytes claimed by an entry of 4 KB: the output limit stops it.
        {"match loop past the size limit", match_loop(200000)},
        // Stored data past the size limit, in one last block.
        {"stored block past the size limit", [] {
             bw::BitWriter w;
             bw::stored_block(w, std::string(60000, 's'), true);
             return w.finish();
         }()},
        // Blocks without end: the input ends (the entry is the last in the file).
        {"endless empty stored blocks", endless_stored(20000)},
        {"match loop without end inside the limit", match_loop(3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset_context();
        test_reset_platform();
        set_path(ctx.target_directory, target());
        select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
        ctx.backdrop_window = reinterpret_cast<HWND>(0xBD);
        test_script_message_boxes({});
        PackageEntry bomb = package_entry("data\\bomb.dat", 0x0000, "");
        bomb.size_kb = 4;
        bomb.data = c.stream;
        load_package_entries({package_entry("first.txt", 0x0000, "FIRST"), bomb});
        std::set<std::string> before = files_below(root_);

        EXPECT_EQ(run_install_steps(PAGE), -1);
        // Told once, and clearly: the program file's data cannot be trusted.
        ASSERT_EQ(test_recorded_message_boxes().size(), 1u);
        EXPECT_EQ(test_recorded_message_boxes()[0].text, "This program file contains invalid data.");
        // The torn file is gone, and so is what the run placed before it.
        EXPECT_EQ(files_below(root_), before);
        EXPECT_FALSE(file_exists(path("target\\data\\bomb.dat")));
        EXPECT_FALSE(file_exists(path("target\\first.txt")));
        EXPECT_EQ(ctx.package_file, HFILE_ERROR);
        release_context();
    }
}
