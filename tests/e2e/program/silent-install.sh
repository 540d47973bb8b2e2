#!/usr/bin/env bash
# /S installs with no window at all and ends with 0: every file in its place, the records as
# after the wizard, the shortcuts in the all-users Programs folder. /D= with spaces (passed as the separate words a command
# line has), a new directory that is created; /LOG= names what was written where. Without /D=
# the proposed directory is used and created.
# e2e: also in a 32-bit prefix
source "$(dirname "$0")/../program-lib.sh"
reset_state
TARGET='C:\bvtest\silent path\Brisvane Plug in'
use_log silent
target_dir=$(linux_path "$TARGET")

watch_windows
start_installer "" /S "/LOG=$LOG" '/D=C:\bvtest\silent' 'path\Brisvane' Plug in
expect_exit 0
expect_no_new_window
[ "$failures" -eq 0 ] || say "log: $(tr -d '\r' < "$log_file" 2>/dev/null | tail -n 5 | tr '\n' ';')"

expect_package_installed "$target_dir"
expect_install_records "$TARGET" "$common_programs_dir"
expect_no_temp_files
expect_no_file "$temp_dir/BrisvaneSetup.lock"

# The log: each file written, where; the shared files under their final names; the result.
if [ ! -f "$log_file" ]; then
    fail "no log at $log_file"
else
    log=$(tr -d '\r' < "$log_file")
    while read -r src dest flags; do
        [ -n "$src" ] || continue
        case " $flags " in
        *" not_installed "*) continue ;;
        *" shared "*) want="Placed: C:\\windows\\system32\\$dest" ;;
        *)
            if [ "$dest" = "nptnf32.dll" ]; then want="Written: $NAV_DIR\\Plugins\\nptnf32.dll"
            else want="Written: $TARGET\\$dest"; fi ;;
        esac
        printf '%s\n' "$log" | grep -qixF "$want" || fail "the log lacks \"$want\""
    done < <(package_entries)
    printf '%s\n' "$log" | grep -qxF "Written: $IE_DIR\\Plugins\\nptnf32.dll" || fail "the log lacks the Explorer plug-in"
    [ "$(printf '%s\n' "$log" | tail -n 1)" = "Exit code: 0" ] || fail "the log does not end with the exit code: $(printf '%s\n' "$log" | tail -n 3)"
    printf '%s\n' "$log" | grep -q '^Message: ' && fail "the log holds messages: $(printf '%s\n' "$log" | grep '^Message: ')"
    # Its header, the target, and every record and shortcut made.
    [ "$(printf '%s\n' "$log" | head -n 1)" = "Brisvane! Install program" ] || fail "the log does not start with the product: $(printf '%s\n' "$log" | head -n 1)"
    for want in "Version: 2.2.98" "Command line: /S /LOG=$LOG /D=C:\bvtest\silent path\Brisvane Plug in" \
                "Target: $TARGET\\" "Registry record: HKCU\Software\Quendlark\Brisvane\Main" \
                "Registry record: HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisvane!" \
                "Use count raised: C:\windows\system32\bvrt32.dll" \
                "Shortcut: C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Brisvane!\Uninstall Brisvane!.lnk"; do
        printf '%s\n' "$log" | grep -qixF -- "$want" || fail "the log lacks \"$want\""
    done
    printf '%s\n' "$log" | grep -qE '^Started: [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$' || fail "the log lacks its start time"
fi

# The same again, silently: what is there is kept or replaced, never asked about.
directory_words="/D=$TARGET"
start_installer "" /s $directory_words
expect_exit 0
expect_package_installed "$target_dir"

# No /D=: the proposed directory, created when missing.
reset_state
default_dir=$(linux_path "$PROGRAM_FILES\\Brisvane")
rm -rf "$default_dir"
start_installer "" /S
expect_exit 0
expect_package_installed "$default_dir"
expect_reg "$SETTINGS_KEY" CurDir "$PROGRAM_FILES\\Brisvane"
rm -rf "$default_dir"
finish
