#!/usr/bin/env bash
# A silent upgrade that fails part-way puts the whole previous version back: the target
# folder, both Plugins folders and the system folder byte for byte, and the earlier records
# (the uninstall record with its install record) as they were. It ends with 15 and shows no
# window. The same upgrade, once nothing is in its way, installs the new version with 0.
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\silent upgrade\Brisvane'
target=$(linux_path "$TARGET")
LOG='C:\bvlog\silent-upgrade.log'
mkdir -p "$drive_c/bvlog"
log_file=$(linux_path "$LOG")

start_installer "" /S /D=$TARGET
expect_exit 0
expect_package_installed "$target"

# The earlier version: every installed file changed (its version resource stays, so the
# upgrade writes each file again), and a file of the user's own.
while read -r f; do printf 'version 1 of %s\r\n' "$(basename "$f")" >> "$f"; done < <(
    find "$target" "$nav_dir/Plugins" "$ie_dir/Plugins" -type f
    echo "$system_dir/bvrt32.dll"
    echo "$system_dir/bvsnd32.dll")
printf 'my own notes' > "$target/notes.txt"
# The read-me's new copy cannot be written: a folder holds its temporary name. It is the last
# file of the package, so every other new copy is written before the failure.
mkdir "$target/readme.txt~"
before=$(disk_listing "$target")
records_before=$(wine reg query "$UNINSTALL_KEY" </dev/null 2>/dev/null | tr -d '\r')

watch_windows
start_installer "" /S "/LOG=$LOG" /D=$TARGET
expect_exit 15
expect_no_new_window
expect_same_disk "$before" "$target" "a silent upgrade that failed"
records_after=$(wine reg query "$UNINSTALL_KEY" </dev/null 2>/dev/null | tr -d '\r')
[ "$records_after" = "$records_before" ] || fail "the failed upgrade changed the uninstall record"
grep -q 'readme.txt~: write error!' <(tr -d '\r' < "$log_file" 2>/dev/null) ||
    fail "the log does not name the write error: $(tr -d '\r' < "$log_file" 2>/dev/null | tail -n 3 | tr '\n' ';')"

# Nothing in the way: the upgrade completes, the user's file stays.
rmdir "$target/readme.txt~"
start_installer "" /S /D=$TARGET
expect_exit 0
expect_package_installed "$target"
[ "$(cat "$target/notes.txt" 2>/dev/null)" = "my own notes" ] || fail "the user's own file changed"
expect_no_replacement_copies "$target"
finish
