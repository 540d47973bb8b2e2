#!/usr/bin/env bash
# The command line as deployment tools write it, one row a line: the exit code, whether a
# window may appear, and a line the log must hold. /S anywhere means no window, whatever else
# the line holds; /D= is taken anywhere and quoted whole; a switch not understood ends with 10
# and is named in the log. Then the lock: a second run under another %TEMP% ends with 11 and
# logs why, and a disk that fills during the copy ends with 14, undone.
source "$(dirname "$0")/../program-lib.sh"
reset_state
use_log lines

# row CODE WINDOW "LOG LINE" ARGUMENTS...: WINDOW is "none" (the watch must see none) or
# "any"; the log (always asked for, last on the line) holds LOG LINE and ends with the code.
row() {
    local code="$1" window="$2" line="$3"
    shift 3
    rm -f "$log_file"
    watch_windows
    start_installer "" "$@" "/LOG=$LOG"
    if [ "$window" = none ]; then
        expect_exit "$code"
        expect_no_new_window
    else
        # A box waits for a person: it is answered (Enter), then the code is checked.
        drive "box-$code" <<'SCRIPT' || fail "($*) no box"
timeout 10000
wait_window #32770 *
key 13
SCRIPT
        expect_exit "$code"
        new_windows >/dev/null
    fi
    local log; log=$(tr -d '\r' < "$log_file" 2>/dev/null)
    printf '%s\n' "$log" | grep -qF -- "$line" || fail "($*) the log lacks \"$line\": $(printf '%s' "$log" | tr '\n' ';')"
    [ "$(printf '%s\n' "$log" | tail -n 1)" = "Exit code: $code" ] || fail "($*) the log does not end with its code: $(printf '%s\n' "$log" | tail -n 1)"
}

# Installs: /D= quoted whole as a launcher quotes it, /D= before other switches, /S glued.
row 0 none "Target: C:\\bvtest\\quoted whole\\" /S '/D=C:\bvtest\quoted whole'
expect_package_installed "$drive_c/bvtest/quoted whole"
row 0 none "Target: C:\\bvtest\\not last\\" '/D=C:\bvtest\not' last /S
expect_package_installed "$drive_c/bvtest/not last"
row 0 none "Target: C:\\bvtest\\glued\\" '/S/D=C:\bvtest\glued'
expect_package_installed "$drive_c/bvtest/glued"
reset_state
rm -rf "$drive_c/bvtest"

# Refusals: silent wherever /S stands, the usage text only in the log.
row 10 none "Not understood: /NORESTART" /NORESTART /S '/D=C:\bvtest\x'
row 10 none "Message: Usage: [/S] [/LOG=file] [/D=directory]" '/?' /S
row 10 none "Not understood: /Q" /S /Q '/D=C:\bvtest\x'
row 13 none "Problem: Target directory refused: bvtest\\relative" /S '/D=bvtest\relative'
expect_nothing_installed "$drive_c/bvtest"
# Without /S the usage text is a box: the control for every "none" above.
row 10 any "Not understood: /NORESTART" /NORESTART

# The lock is the machine's: a second run under another %TEMP% (as another account has) ends
# with 11 and logs why, while the first one shows its wizard.
start_wizard
mkdir -p "$drive_c/othertemp"
rm -f "$log_file"
timeout 30 wine cmd /c "set TEMP=C:\\othertemp&& set TMP=C:\\othertemp&& $(printf '%s' "$(wine winepath -w "$installer" 2>/dev/null)") /S /LOG=$LOG" \
    </dev/null >"$logs/$test_name.second.log" 2>&1
rc=$?
[ "$rc" -eq 11 ] || fail "the second instance under another TEMP ended with $rc, expected 11"
expect_locked_out_logged
quit_wizard "$first_pid"

# A disk that fills during the copy: Navigator's Plugins folder is a full memory file system
# (the target's drive has room, so the space check passes). Skipped where mounting is refused.
full="$work/full-drive"
mkdir -p "$full"
mountpoint -q "$full" && umount "$full"
if mount -t tmpfs -o size=64k tmpfs "$full" 2>/dev/null; then
    trap 'stop_children; umount "$full" 2>/dev/null' EXIT
    dd if=/dev/zero of="$full/filler" bs=4k count=64 2>/dev/null   # fills it, to the last block
    mv "$nav_dir/Plugins" "$nav_dir/Plugins.real"
    ln -s "$full" "$nav_dir/Plugins"
    row 14 none "Problem: Disk full, writing: $NAV_DIR\\Plugins\\" /S '/D=C:\bvtest\full'
    rm "$nav_dir/Plugins"
    mv "$nav_dir/Plugins.real" "$nav_dir/Plugins"
    umount "$full"
    expect_nothing_installed "$drive_c/bvtest/full"
else
    say "SKIPPED: the full disk (cannot mount a small file system here)"
fi
finish
