#include "tests/unit/install/install_fixture.h"

#include "common/memory_blocks.h"
#include "package/setup_header.h"

#include <cstring>

std::string stored_stream(const std::string& content) {
    std::string s;
    s += '\x0F';
    s += (char)(content.size() & 0xFF);
    s += (char)((content.size() >> 8) & 0xFF);
    return s + content;
}

PackageEntry package_entry(const std::string& name, uint16_t flags, const std::string& content, uint16_t a,
                           uint16_t b, uint16_t c, uint16_t d) {
    PackageEntry e;
    e.name = name;
    e.flags = flags;
    e.size_kb = (uint16_t)((content.size() + 1023) / 1024);
    e.version_ms = (uint32_t)a << 16 | b;
    e.version_ls = (uint32_t)c << 16 | d;
    e.data = stored_stream(content);
    return e;
}

void set_path(char* buffer, const std::string& value) {
    std::memset(buffer, 0, PATH_BUFFER_SIZE);
    std::memcpy(buffer, value.c_str(), value.size() < PATH_BUFFER_SIZE - 1 ? value.size() : PATH_BUFFER_SIZE - 1);
}

void InstallTest::SetUp() {
    PlatformTest::SetUp();
    make_directory(path("target"));
    set_path(ctx.target_directory, target());
    ctx.progress_total = 4;
}

void InstallTest::start_next_run(unsigned browsers) {
    reset_context();
    set_path(ctx.target_directory, target());
    std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
    select_browsers(browsers);
}

void WholeRunTest::SetUp() {
    InstallTest::SetUp();
    std::strcpy(ctx.uninstall_key_name, UNINSTALL_KEY_NAME);
    set_registry_string(HKEY_CURRENT_USER, "Software\\Seed", "x", "x");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Seed", "x", "x");
    make_directory(path("sys"));
    select_browsers(BROWSER_NETSCAPE | BROWSER_EXPLORER);
}

void WholeRunTest::load_release_like_package(const std::string& readme) {
    load_package_entries({package_entry("Shared.dll", SHARED_FLAGS, "SHARED", 2, 0, 0, 0),
                          package_entry("player.dll", REGULAR_FLAGS, "PLAYER", 2, 0, 0, 0),
                          package_entry("nptnf32.dll", REGULAR_FLAGS, "PLUGIN", 2, 0, 0, 0),
                          package_entry(readme, 0x0000, "README"),
                          package_entry("logo.bmp", LOGO_FLAGS, "LOGO")});
    test_script_ver_find_file({{0, "", path("sys")}});
}

void InstallTest::TearDown() {
    if (ctx.package_file != HFILE_ERROR) _lclose(ctx.package_file);
    ctx.package_file = HFILE_ERROR;
    restore_setup_header();
    PlatformTest::TearDown();
}

void InstallTest::load_package_entries(const std::vector<PackageEntry>& entries) {
    PackageLayout layout;
    layout.entries = entries;
    BuiltPackage package = build_package(layout);
    install_package(package, path("setup.exe"));
    record_offsets_ = package.record_offsets;
    uint32_t size = package.header.table_size ? package.header.table_size : 1;
    ctx.file_table = static_cast<uint8_t*>(alloc_block(size, &ctx.file_table_block));
    ASSERT_NE(ctx.file_table, nullptr);
    std::memcpy(ctx.file_table, package.bytes.data() + package.header.table_offset, package.header.table_size);
    ctx.package_file = _lopen(path("setup.exe").c_str(), OF_READ);
    ASSERT_NE(ctx.package_file, HFILE_ERROR);
}

uint8_t* InstallTest::entry(int index) const { return ctx.file_table + record_offsets_.at((size_t)index); }

void InstallTest::select_browsers(unsigned flags) {
    make_directory(path("ns"));
    make_directory(path("ns\\Plugins"));
    make_directory(path("ie"));
    make_directory(path("ie\\Plugins"));
    ctx.browser_flags = flags;
    set_path(ctx.netscape_directory, netscape_plugins());
    set_path(ctx.explorer_directory, explorer_plugins());
}

void forget_pending_list() {
    free_block(&ctx.pending_files_block);
    ctx.pending_files = nullptr;
}

