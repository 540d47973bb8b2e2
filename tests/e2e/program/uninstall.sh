#!/usr/bin/env bash
# The uninstaller removes exactly what the install placed. After an install, a file of the
# user's own and one uninstall (the command the uninstall record names), the prefix is as it
# was before the install — files, both Plugins folders, the system folder, shortcuts,
# registry — but for the user's file with its folder and the shared files, which are kept when
# their use count falls to zero and the user says No. Also: the silent removal that
# QuietUninstallString names (no window, exit 0); a shared file another program still uses
# stays with its count lowered; an upgrade followed by one uninstall removes what both
# versions placed; running it again, or after the user deleted the folder, ends cleanly; a
# write-protected file goes at the next restart; a target spelt otherwise is installed under its
# one form and removed whole; two products sharing the shared libraries and the plug-in module
# keep them until the last one is removed, in either order.
# e2e: also in a 32-bit prefix
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\uninstall\Brisvane'
target=$(linux_path "$TARGET")
TITLE="Brisvane! uninstaller"
REMOVED_TEXT="Brisvane! was removed from your computer."
SESSION_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'

# What an install can change: the disk listing (target, Plugins folders, system folder), the
# Start-menu group, and the registry keys an install writes.
state_listing() {
    disk_listing "$target"
    echo "== start menu"
    (cd "$programs_dir" && find . | LC_ALL=C sort)
    echo "== registry"
    local key
    for key in "$UNINSTALL_KEY" 'HKCU\Software\Quendlark'; do
        wine reg query "$key" /s </dev/null 2>/dev/null | tr -d '\r' | grep -v -e '^$' -e '^reg:'
    done
    # The system's own key of use counts may be made by the first install; its values count.
    echo "== shared use counts"
    wine reg query "$SHARED_DLLS" </dev/null 2>/dev/null | tr -d '\r' | grep '^ '
}
# The listing without the sections that hold what must stay: the target folder's and the
# system folder's. Those are checked one by one.
without_kept_places() {
    awk -v t="== $target" -v s="== $system_dir" '/^== /{skip = ($0 == t || $0 == s)} !skip'
}
# Runs the uninstall command (from the uninstall record, read before the run) with ARGS and
# waits for the uninstaller and its cleanup to end: the program file then is gone.
command_of() { reg_value "$UNINSTALL_KEY" "$1"; }
wait_for_cleanup() {
    for _ in $(seq 200); do [ -e "$target/NpU32.exe" ] || break; sleep 0.05; done
    expect_no_file "$target/NpU32.exe"
    # The copy removes the folder next, when nothing else is left in it.
    for _ in $(seq 40); do [ -d "$target" ] && [ -z "$(ls -A "$target")" ] || break; sleep 0.05; done
}
system_files() { (cd "$system_dir" && sha256sum bvrt32.dll bvsnd32.dll 2>/dev/null); }
use_count() {
    wine reg query "$SHARED_DLLS" /v "C:\\windows\\system32\\$1" </dev/null 2>/dev/null | tr -d '\r' |
        awk '/REG_DWORD/{print $3}' | while read -r hex; do printf '%d\n' "$hex"; done
}

# 1. The interactive removal, from the Start menu's or the list of programs' command.
before=$(state_listing)
start_installer "" /S /D=$TARGET
expect_exit 0
expect_package_installed "$target"
mkdir -p "$target/notes" && printf 'my own notes' > "$target/notes/mine.txt"
shared_before=$(system_files)
uninstall_command=$(command_of UninstallString)
[ "$uninstall_command" = "\"$TARGET\\NpU32.exe\"" ] || fail "UninstallString is $uninstall_command"
uninstall_command=${uninstall_command//\"/}   # the program, as the system's list starts it
expect_reg "$UNINSTALL_KEY" QuietUninstallString "\"$TARGET\\NpU32.exe\" /S"
expect_reg "$UNINSTALL_KEY" DisplayVersion "2.2.98"
expect_reg "$UNINSTALL_KEY" InstallLocation "$TARGET"
[ "$(use_count bvrt32.dll)" = 1 ] || fail "the shared runtime's use count is \"$(use_count bvrt32.dll)\", expected 1"

start_installer "$uninstall_command"
drive remove <<SCRIPT || fail "the uninstaller did not ask and report as expected"
timeout 20000
box "$TITLE" 6 "Do you want to remove Brisvane! and all of its components?"
box * 7 "The system indicates that the following shared file is no longer used by any programs."
box * 7 "The system indicates that the following shared file is no longer used by any programs."
wait_window #32770 "$TITLE"
sleep 200
snap uninstall-done
box "$TITLE" 1 "$REMOVED_TEXT"
SCRIPT
expect_exit 0
wait_for_cleanup
after=$(state_listing)
if [ "$(printf '%s\n' "$before" | without_kept_places)" != "$(printf '%s\n' "$after" | without_kept_places)" ]; then
    fail "the uninstall left the prefix different from before the install:"
    diff <(printf '%s\n' "$before" | without_kept_places) <(printf '%s\n' "$after" | without_kept_places) |
        grep '^[<>]' | head -20 | sed 's/^/    /'
fi
left=$(cd "$target" 2>/dev/null && find . | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = ". ./notes ./notes/mine.txt " ] || fail "the target folder holds \"$left\", expected only the user's file"
[ "$(system_files)" = "$shared_before" ] || fail "the shared files kept at zero changed or went"
[ -z "$(use_count bvrt32.dll)" ] || fail "a use count of zero stays in SharedDLLs"
expect_no_file "$programs_dir/Brisvane!"

# 2. Running it again (a copy: the installed one is gone): nothing recorded, a clear message.
# Under Wine this box, the first window of its process, takes about 3.5 s to appear here, once
# 10 s (the same box after a question takes 0.1 s); why was not found, so the wait is long.
rm -rf "$target"
start_installer "$build/sample/NpU32.exe"
drive again <<SCRIPT || fail "running the uninstaller again did not say that nothing is installed"
timeout 30000
box "$TITLE" 1 "Brisvane! is not installed on this computer, or it was removed already."
SCRIPT
expect_exit 12

# 3. Silently, with QuietUninstallString: a shared file another program still uses stays, and
# the silent install's group goes from the all-users Programs folder, where it was made.
reset_state
start_installer "" /S /D=$TARGET
expect_exit 0
[ -d "$common_programs_dir/Brisvane!" ] || fail "the silent install made no group in the all-users Programs folder"
wine reg add "$SHARED_DLLS" /v 'C:\windows\system32\bvrt32.dll' /t REG_DWORD /d 2 /f </dev/null >/dev/null 2>&1
quiet=$(command_of QuietUninstallString)
watch_windows
start_installer "$(printf '%s' "$quiet" | sed 's/^"\(.*\)" \/S$/\1/')" /S
expect_exit 0
expect_no_new_window
wait_for_cleanup
[ "$(use_count bvrt32.dll)" = 1 ] || fail "the use count of a shared file another program uses is \"$(use_count bvrt32.dll)\", expected 1"
[ -f "$system_dir/bvrt32.dll" ] || fail "a shared file another program uses was removed"
[ -f "$system_dir/bvsnd32.dll" ] || fail "a silent removal removed a shared file at zero (the answer is keep)"
expect_no_file "$target"
expect_no_file "$nav_dir/Plugins/nptnf32.dll"
expect_no_file "$ie_dir/Plugins/nptnf32.dll"
expect_no_key "$UNINSTALL_KEY"
expect_no_key "$SETTINGS_KEY"
expect_no_file "$programs_dir/Brisvane!"
expect_no_file "$common_programs_dir/Brisvane!"

# 4. An upgrade, then one uninstall: what both versions placed goes. The earlier version is the
# demo package with one more file, which the later one no longer brings.
reset_state
v1="$work/v1"
rm -rf "$v1" && mkdir -p "$v1" && cp "$package_files"/* "$v1/"
printf 'a file of version 1 only\r\n' > "$v1/retired.txt"
sed 's/^version = .*/version = 2.1.7/' "$package_files/manifest.ini" > "$v1/manifest.ini"
printf 'retired.txt     docs\\retired.txt\n' >> "$v1/manifest.ini"
"$build/../host/setup-pack" build --stub "$build/BrisvaneSetup-stub.exe" --manifest "$v1/manifest.ini" \
    --out "$v1/BrisvaneSetup-v1.exe" >/dev/null || abort "cannot pack version 1"
before=$(state_listing)
start_installer "$v1/BrisvaneSetup-v1.exe" /S /D=$TARGET
expect_exit 0
[ -f "$target/docs/retired.txt" ] || fail "version 1 did not install its own file"
start_installer "" /S /D=$TARGET
expect_exit 0
expect_reg "$UNINSTALL_KEY" DisplayVersion "2.2.98"
start_installer "$TARGET\\NpU32.exe" /S
expect_exit 0
wait_for_cleanup
expect_no_file "$target"
after=$(state_listing)
[ "$(printf '%s\n' "$before" | without_kept_places)" = "$(printf '%s\n' "$after" | without_kept_places)" ] ||
    fail "an upgrade and one uninstall left something of either version"

# 5. The user deleted the folder: the rest goes (plug-in copies, shortcuts, records).
reset_state
start_installer "" /S /D=$TARGET
expect_exit 0
rm -rf "$target"
start_installer "$build/sample/NpU32.exe" /S
expect_exit 0
expect_no_file "$nav_dir/Plugins/nptnf32.dll"
expect_no_file "$ie_dir/Plugins/nptnf32.dll"
expect_no_key "$UNINSTALL_KEY"
expect_no_key "$SETTINGS_KEY"
expect_no_file "$programs_dir/Brisvane!"

# 8 (below 5). A target given in another spelling (forward slashes, a ".." part, a doubled
# separator) is installed under its one form, which the uninstaller takes whole: everything
# goes. A network path is refused before anything is made.
reset_state
start_installer "" /S '/D=C:/bvtest/uninstall/Other/..//Brisvane'
expect_exit 0
expect_reg "$UNINSTALL_KEY" InstallLocation "$TARGET"
expect_reg "$UNINSTALL_KEY" UninstallString "\"$TARGET\\NpU32.exe\""
start_installer "$TARGET\\NpU32.exe" /S
expect_exit 0
wait_for_cleanup
expect_no_file "$target"
expect_no_file "$nav_dir/Plugins/nptnf32.dll"
expect_no_key "$UNINSTALL_KEY"
start_installer "" /S '/D=\\server\share\Brisvane'
expect_exit 13
expect_no_key "$UNINSTALL_KEY"

# 7 (below 6). Two products sharing the shared libraries and the plug-in folders. The second
# is the demo package under another product name (its installer's and its uninstaller's texts
# changed): its own uninstall record, folder and program group, the same shared libraries and
# the same plug-in module in the same Plugins folders. Removed in both orders; after each step
# every use count, the libraries, both plug-in copies and both products' files are checked.
SECOND='C:\bvtest\uninstall\Second'
SECOND_KEY="$HKLM_SOFTWARE"'\Microsoft\Windows\CurrentVersion\Uninstall\Brisvane2'
expect_use_counts() {
    local lib
    for lib in bvrt32.dll bvsnd32.dll; do
        [ "$(use_count $lib)" = "$1" ] || fail "$2: the use count of $lib is \"$(use_count $lib)\", expected \"$1\""
    done
}
expect_libraries() {
    local lib
    for lib in bvrt32.dll bvsnd32.dll; do
        if [ "$1" = kept ]; then [ -f "$system_dir/$lib" ] || fail "$2: $lib was removed"
        else expect_no_file "$system_dir/$lib"; fi
    done
}
expect_plugins() {
    local folder
    for folder in "$nav_dir/Plugins" "$ie_dir/Plugins"; do
        if [ "$1" = kept ]; then [ -f "$folder/nptnf32.dll" ] || fail "$2: the plug-in module in $folder was removed"
        else expect_no_file "$folder/nptnf32.dll"; fi
    done
}
two_products() {
    local order="$1"
    reset_state
    local second="$work/second"
    local second_dir; second_dir=$(linux_path "$SECOND")
    rm -rf "$second" && mkdir -p "$second" && cp "$package_files"/* "$second/"
    # What a run of this test that stopped part-way may have left of the second product.
    reg_delete "$SECOND_KEY"
    rm -rf "$programs_dir/Brisvane2" "$second_dir"
    python3 - "$build/BrisvaneSetup-stub.exe" "$second/stub.exe" "$package_files/NpU32.exe" "$second/NpU32.exe" <<'PY'
import sys
for source, copy in zip(sys.argv[1::2], sys.argv[2::2]):
    data = open(source, "rb").read()
    for old, new in ((b"Brisvane!", b"Brisvane2"), ("Brisvane!".encode("utf-16-le"), "Brisvane2".encode("utf-16-le"))):
        data = data.replace(old, new)
    open(copy, "wb").write(data)
PY
    "$build/../host/setup-pack" build --stub "$second/stub.exe" --manifest "$second/manifest.ini" \
        --out "$second/BrisvaneSetup2.exe" >/dev/null || abort "cannot pack the second product"
    start_installer "" /S /D=$TARGET
    expect_exit 0
    start_installer "$second/BrisvaneSetup2.exe" /S /D=$SECOND
    expect_exit 0
    expect_use_counts 2 "two products installed"
    expect_plugins kept "two products installed"
    reg_value "$SECOND_KEY" UninstallString | grep -qxF "\"$SECOND\\NpU32.exe\"" ||
        fail "the second product has no uninstall record of its own"

    if [ "$order" = second-first ]; then
        # The second one removed: the libraries and the plug-in module stay for the first,
        # whose record still lists the module (the second one wrote it last).
        start_installer "$SECOND\\NpU32.exe" /S
        expect_exit 0
        for _ in $(seq 100); do [ -e "$second_dir" ] || break; sleep 0.05; done
        expect_no_file "$second_dir"
        expect_no_key "$SECOND_KEY"
        expect_use_counts 1 "the second product removed"
        expect_libraries kept "the second product removed"
        expect_plugins kept "the second product removed"
        [ -f "$target/bvdraw32.dll" ] || fail "removing the second product removed the first one's files"

        # The last one: at zero the user is asked, and Yes removes them; the module goes.
        start_installer "$TARGET\\NpU32.exe"
        drive last <<SCRIPT || fail "the last removal did not ask about the shared libraries"
timeout 20000
box "$TITLE" 6 "Do you want to remove Brisvane! and all of its components?"
box * 6 "C:\\windows\\system32\\bvrt32.dll"
box * 6 "C:\\windows\\system32\\bvsnd32.dll"
box "$TITLE" 1 "$REMOVED_TEXT"
SCRIPT
        expect_exit 0
        wait_for_cleanup
        expect_use_counts "" "both products removed"
        expect_libraries removed "both products removed"
        expect_plugins removed "both products removed"
        expect_no_file "$target"
        expect_no_key "$UNINSTALL_KEY"
    else
        # The first one removed: its copy of the module was replaced by the second product's,
        # which stays for it; the libraries stay, counted once.
        start_installer "$TARGET\\NpU32.exe" /S
        expect_exit 0
        wait_for_cleanup
        expect_no_file "$target"
        expect_no_key "$UNINSTALL_KEY"
        expect_use_counts 1 "the first product removed"
        expect_libraries kept "the first product removed"
        expect_plugins kept "the first product removed"
        [ -f "$second_dir/bvdraw32.dll" ] || fail "removing the first product removed the second one's files"

        # The last one, silently: the module goes, the counts go, the libraries are kept.
        start_installer "$SECOND\\NpU32.exe" /S
        expect_exit 0
        for _ in $(seq 100); do [ -e "$second_dir" ] || break; sleep 0.05; done
        expect_no_file "$second_dir"
        expect_no_key "$SECOND_KEY"
        expect_use_counts "" "both products removed"
        expect_libraries kept "both products removed, silently"
        expect_plugins removed "both products removed"
    fi
}

# 6. A write-protected file: Retry/Cancel; Cancel lists it for the next restart (3010), and
# everything else goes now.
reset_state
wine reg delete "$SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1
start_installer "" /S /D=$TARGET
expect_exit 0
chmod a-w "$target/readme.txt"
start_installer "$TARGET\\NpU32.exe"
drive protected <<SCRIPT || fail "the write-protected file did not give the Retry/Cancel prompt"
timeout 20000
box "$TITLE" 6 "Do you want to remove Brisvane! and all of its components?"
box * 4 "readme.txt cannot be removed: it is in use or write-protected."
box * 2 "readme.txt cannot be removed: it is in use or write-protected."
box * 7 "The system indicates that the following shared file is no longer used by any programs."
box * 7 "The system indicates that the following shared file is no longer used by any programs."
box "$TITLE" 1 "1 file(s) in use will be removed when Windows restarts."
SCRIPT
expect_exit 194   # 3010: a Linux parent sees only the low byte of the exit code
wait_for_cleanup
pending=$(wine reg query "$SESSION_KEY" /v PendingFileRenameOperations </dev/null 2>/dev/null | tr -d '\r')
printf '%s\n' "$pending" | grep -qiF 'bvtest\uninstall\Brisvane\readme.txt' ||
    fail "the write-protected file is not listed for the restart: $pending"
[ "$(cd "$target" 2>/dev/null && find . -type f)" = "./readme.txt" ] ||
    fail "more than the write-protected file is left: $(cd "$target" 2>/dev/null && find . -type f | tr '\n' ' ')"
expect_no_file "$nav_dir/Plugins/nptnf32.dll"
expect_no_key "$UNINSTALL_KEY"
chmod u+w "$target/readme.txt"
wine reg delete "$SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1

two_products second-first
two_products first-second
finish
