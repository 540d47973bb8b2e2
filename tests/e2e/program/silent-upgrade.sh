#!/usr/bin/env bash
# A silent upgrade that fails part-way puts the whole previous version back: the target
# folder, both Plugins folders and the system folder byte for byte, and the earlier records
# (the uninstall record with its install record) as they were. It ends with 15 and shows no
# window. The same upgrade, once nothing is in its way, installs the new version with 0. With a
# file held open at the commit it installs all but that file, which is replaced at the restart,
# and ends with 3010.
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
# The read-me's new copy cannot be written: folders hold all its temporary names. It is the last
# file of the package, so every other new copy is written before the failure.
block_temporary_names "$target/readme.txt"
before=$(disk_listing "$target")
records_before=$(wine reg query "$UNINSTALL_KEY" </dev/null 2>/dev/null | tr -d '\r')

watch_windows
start_installer "" /S "/LOG=$LOG" /D=$TARGET
expect_exit 15
expect_no_new_window
expect_same_disk "$before" "$target" "a silent upgrade that failed"
records_after=$(wine reg query "$UNINSTALL_KEY" </dev/null 2>/dev/null | tr -d '\r')
[ "$records_after" = "$records_before" ] || fail "the failed upgrade changed the uninstall record"
grep -q 'readme.txt~@: write error!' <(tr -d '\r' < "$log_file" 2>/dev/null) ||
    fail "the log does not name the write error: $(tr -d '\r' < "$log_file" 2>/dev/null | tail -n 3 | tr '\n' ';')"

# Nothing in the way: the upgrade completes, the user's file stays.
unblock_temporary_names "$target/readme.txt"
start_installer "" /S /D=$TARGET
expect_exit 0
expect_package_installed "$target"
[ "$(cat "$target/notes.txt" 2>/dev/null)" = "my own notes" ] || fail "the user's own file changed"
expect_no_replacement_copies "$target"

# A file held open by another program at the commit: a silent run cannot ask, so that file is
# replaced at the next restart, everything else is installed and recorded, and the run ends
# with 3010, logged.
while read -r f; do printf 'version 1 of %s\r\n' "$(basename "$f")" >> "$f"; done < <(
    find "$target" "$nav_dir/Plugins" "$ie_dir/Plugins" -type f)
cp "$target/bvdraw32.dll" "$work/held-before"
rm -f "$work/release-hold"
cat > "$work/hold.txt" <<SCRIPT
timeout 60000
hold "$TARGET\bvdraw32.dll"
wait_file Z:$work/release-hold
SCRIPT
wine "$build/e2e_driver.exe" -o "Z:$logs/$test_name.hold.log" -f "Z:$work/hold.txt" </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q "^ok *hold" "$logs/$test_name.hold.log" 2>/dev/null && break; sleep 0.1; done
sleep 1
start_installer "" /S "/LOG=$LOG" /D=$TARGET
expect_exit 194   # 3010: a Linux parent sees only the low byte of the exit code
touch "$work/release-hold"
wait "$holder"
expect_same_file "$work/held-before" "$target/bvdraw32.dll"
log=$(tr -d '\r' < "$log_file" 2>/dev/null)
grep -q 'Replaced at the restart: .*bvdraw32.dll' <<<"$log" || fail "the log does not name the file replaced at the restart"
grep -q 'Exit code: 3010' <<<"$log" || fail "the log does not give the exit code 3010"
pending=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
    </dev/null 2>/dev/null | tr -d '\r')
grep -qi 'bvdraw32' <<<"$pending" || fail "the replacement is not listed for the restart: $pending"
[ "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" != "<missing>" ] || fail "no uninstall record after the upgrade"
# What the restart does: the new copy takes the held file's name. Then the package is whole.
mv "$target/bvdraw32.~ll" "$target/bvdraw32.dll" || fail "no new copy waits for the restart"
expect_package_installed "$target"
expect_no_replacement_copies "$target"
finish
