# Sourced by the end-to-end tests of the whole program (tests/e2e/program/*.sh) with the e2e
# Wine session's state folder and a Windows build folder (win32, the product; or win64, its
# twin) as $1 and $2. It lays out the world the test runs in (stand-in browsers that it makes
# and registers itself, whatever Wine set up), resets what an install changes before each
# test, starts the demo installer, runs driver scripts (serving their screenshots), waits for
# the installer's exit code and offers checks from outside the program.
set -u
state="$1" build="$2"
e2e_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$e2e_dir/../wine/wine-env" "$state"
test_name="$(basename "$0" .sh)"
screens="$build/screens"
logs="$state/logs"
markers="$state/markers/$test_name"
work="$state/work/$test_name"
mkdir -p "$screens" "$logs" "$work"
rm -rf "$markers" && mkdir -p "$markers"
installer="$build/BrisvaneSetup.exe"
package_files="$build/sample-package"
expected_files="$state/expected-files"

# The view of the machine the program under test has. A 32-bit program on 64-bit Windows (a
# 64-bit prefix) has its own: the system folder it names C:\windows\system32 is syswow64 on
# disk, its programs live in "Program Files (x86)", and its HKLM\Software is Wow6432Node. In a
# purely 32-bit prefix, and for the x86_64 twin, each is what it is called.
drive_c="$WINEPREFIX/drive_c"
program_bits=64
case "$(file -b "$build/BrisvaneSetup-stub.exe" 2>/dev/null)" in PE32\ *) program_bits=32 ;; esac
if [ "$program_bits" = 32 ] && [ "${WINEARCH:-win64}" = win64 ]; then
    PROGRAM_FILES='C:\Program Files (x86)'
    system_dir="$drive_c/windows/syswow64"
    HKLM_SOFTWARE='HKLM\Software\Wow6432Node'
else
    PROGRAM_FILES='C:\Program Files'
    system_dir="$drive_c/windows/system32"
    HKLM_SOFTWARE='HKLM\Software'
fi
NAV_DIR="$PROGRAM_FILES"'\Netscape\Communicator\Program'
IE_DIR="$PROGRAM_FILES"'\Internet Explorer'
# Netscape Navigator's folder as the Web browser(s) page shows it, shortened.
NAV_DIR_SHOWN="$PROGRAM_FILES"'\Netscape\...\Program'
temp_dir="$drive_c/users/$(id -un)/Temp"
programs_dir="$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
# The all-users Programs folder, where a silent run puts its group.
common_programs_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
SETTINGS_KEY='HKCU\Software\Quendlark\Brisvane\Main'
UNINSTALL_KEY="$HKLM_SOFTWARE"'\Microsoft\Windows\CurrentVersion\Uninstall\Brisvane!'
APP_PATHS="$HKLM_SOFTWARE"'\Microsoft\Windows\CurrentVersion\App Paths'
SHARED_DLLS="$HKLM_SOFTWARE"'\Microsoft\Windows\CurrentVersion\SharedDLLs'
# Linux path of a C: path.
linux_path() { local p="${1#C:\\}"; echo "$drive_c/${p//\\//}"; }
nav_dir=$(linux_path "$NAV_DIR")
ie_dir=$(linux_path "$IE_DIR")

installer_pid=""
failures=0

stop_children() {
    if [ -n "$installer_pid" ] && kill -0 "$installer_pid" 2>/dev/null; then kill "$installer_pid" 2>/dev/null; fi
    if [ -n "${watcher_pid:-}" ]; then kill "$watcher_pid" 2>/dev/null; fi
}
trap stop_children EXIT

say() { echo "$test_name: $*"; }
fail() { say "FAIL: $*"; failures=$((failures + 1)); }
# Ends the test: 0 when no check failed.
finish() {
    stop_children
    if [ "$failures" -eq 0 ]; then say "passed"; exit 0; fi
    say "$failures check(s) failed"; exit 1
}
# Stops the test at once (nothing after this could be meaningful).
abort() { fail "$*"; finish; }

# The demo installer must be there and newer than the program it was packed from. The host
# build beside this one (build/host) packs it and extracts what it carries: these tests need it.
need_installer() {
    local host="$build/../host"
    [ -x "$host/setup-pack" ] && [ -x "$host/make-sample-files" ] ||
        abort "the end-to-end tests need the host build beside $build: cmake --preset host && cmake --build build/host --target setup-pack make-sample-files"
    if [ ! -f "$installer" ] || [ "$build/BrisvaneSetup-stub.exe" -nt "$installer" ]; then
        bash "$e2e_dir/../../scripts/pack-sample" "$host" "$build" >/dev/null || abort "packing the demo installer failed"
    fi
    if [ ! -d "$expected_files" ] || [ "$installer" -nt "$expected_files" ]; then
        rm -rf "$expected_files"
        "$host/setup-pack" extract "$installer" "$expected_files" >/dev/null ||
            abort "cannot extract the demo installer's package with the host build's setup-pack"
    fi
}

# Once per session: two stand-in browsers of our own, Netscape Navigator 4.5 and Internet
# Explorer 5.0 (32-bit programs with those file versions), each in its folder under the
# program's Program Files with a Plugins folder, and registered under App Paths in the view
# the program reads. Where Wine put its own Internet Explorer, and where it registered it,
# play no part: our registration replaces Wine's in that view.
prepare_prefix() {
    [ -f "$WINEPREFIX/brisvane-browsers-prepared" ] && return 0
    mkdir -p "$nav_dir/Plugins" "$ie_dir/Plugins"
    make_stand_in_browsers
    [ -f "$ie_dir/iexplore.exe" ] || abort "cannot write the stand-in browsers"
    touch "$WINEPREFIX/brisvane-browsers-prepared"
}
# Writes both stand-in browsers (again) and registers them.
make_stand_in_browsers() {
    wine "$build/make_browser.exe" "$NAV_DIR\\netscape.exe" pe32 4 5 </dev/null >/dev/null 2>&1 ||
        abort "cannot write the stand-in Netscape Navigator"
    wine "$build/make_browser.exe" "$IE_DIR\\iexplore.exe" pe32 5 0 </dev/null >/dev/null 2>&1 ||
        abort "cannot write the stand-in Internet Explorer"
    cp "$nav_dir/netscape.exe" "$state/netscape.exe.prepared"
    cp "$ie_dir/iexplore.exe" "$state/iexplore.exe.prepared"
    register_browsers
}
register_browsers() {
    wine reg add "$APP_PATHS\\netscape.exe" /ve /d "$NAV_DIR\\netscape.exe" /f </dev/null >/dev/null 2>&1 &&
        wine reg add "$APP_PATHS\\iexplore.exe" /ve /d "$IE_DIR\\iexplore.exe" /f </dev/null >/dev/null 2>&1 ||
        abort "cannot register the stand-in browsers"
}

reg_delete() { wine reg delete "$1" /f </dev/null >/dev/null 2>&1 || true; }

# Back to the prepared prefix: no installed files, settings, records, shortcuts or temporary
# files of an earlier test; the browsers as prepared.
reset_state() {
    need_installer
    prepare_prefix
    rm -rf "$nav_dir/Plugins" "$ie_dir/Plugins" "$drive_c/bvtest"
    mkdir -p "$nav_dir/Plugins" "$ie_dir/Plugins" "$drive_c/bvtest"
    if ! cmp -s "$nav_dir/netscape.exe" "$state/netscape.exe.prepared" 2>/dev/null ||
       ! cmp -s "$ie_dir/iexplore.exe" "$state/iexplore.exe.prepared" 2>/dev/null; then
        make_stand_in_browsers
    fi
    rm -f "$system_dir/bvrt32.dll" "$system_dir/bvsnd32.dll"
    local shared
    for shared in bvrt32.dll bvsnd32.dll; do
        wine reg delete "$SHARED_DLLS" /v "C:\\windows\\system32\\$shared" /f </dev/null >/dev/null 2>&1
    done
    register_browsers
    reg_delete 'HKCU\Software\Quendlark'
    reg_delete "$UNINSTALL_KEY"
    rm -rf "$programs_dir/Brisvane!" "$common_programs_dir/Brisvane!"
    rm -f "$temp_dir"/Tmp*.tmp
}

# Starts an installer (the demo installer unless another file is given, or "") in the
# background; the arguments after it are its command line. Wine joins them with one space and
# quotes one that holds a blank, so a directory with spaces is passed as separate words.
start_installer() {
    local exe="${1:-$installer}"
    [ $# -gt 0 ] && shift
    wine "$exe" "$@" </dev/null >"$logs/$test_name.installer.log" 2>&1 &
    installer_pid=$!
}

# Records every window the X screen has from now on (Wine gives each top-level window of a
# program an X window of its own, its class hint the program's file name), until
# new_windows / expect_no_new_window, which name the installer's and the uninstaller's windows
# that were not there before.
watcher_pid=""
watch_windows() {
    xwininfo -root -tree 2>/dev/null | grep -o '^ *0x[0-9a-f]\+ ' | tr -d ' ' | sort -u >"$work/windows-before.txt"
    : >"$work/windows-seen.txt"
    ( while :; do xwininfo -root -tree 2>/dev/null >>"$work/windows-seen.txt"; sleep 0.02; done ) &
    watcher_pid=$!
}
# The windows the screen gained since watch_windows, one line each ("" when none).
new_windows() {
    if [ -n "$watcher_pid" ]; then kill "$watcher_pid" 2>/dev/null; wait "$watcher_pid" 2>/dev/null; fi
    watcher_pid=""
    grep '^ *0x[0-9a-f]\+ ' "$work/windows-seen.txt" | grep -iE 'brisvanesetup|npu32' | sed 's/^ *//' | sort -u -k1,1 |
        while read -r id rest; do grep -qx "$id" "$work/windows-before.txt" || echo "$id $rest"; done
}
expect_no_new_window() {
    local seen; seen=$(new_windows)
    [ -z "$seen" ] || fail "windows appeared: $(echo "$seen" | head -5 | tr '\n' ';')"
}

# Waits (at most 30 s) for the installer to end and checks its exit code (-1 arrives as 255).
expect_exit() {
    local expected="$1"
    for _ in $(seq 600); do kill -0 "$installer_pid" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$installer_pid" 2>/dev/null; then abort "the installer did not end"; fi
    wait "$installer_pid"
    local rc=$?
    installer_pid=""
    [ "$rc" -eq "$expected" ] || fail "the installer ended with $rc, expected $expected"
}

# drive NAME: runs the driver with the script on standard input, taking the screenshots it
# asks for (into build/win64/screens). Returns the driver's result.
drive() {
    local name="$1" script="$work/$1.txt"
    cat > "$script"
    wine "$build/e2e_driver.exe" -m "Z:$markers" -o "Z:$logs/$test_name.$name.log" -f "Z:$script" \
        </dev/null >/dev/null 2>&1 &
    local driver=$! deadline=$(( $(date +%s) + 60 ))
    while kill -0 "$driver" 2>/dev/null; do
        for ready in "$markers"/*.ready; do
            [ -e "$ready" ] || continue
            local shot; shot=$(basename "$ready" .ready)
            [ -e "$markers/$shot.done" ] && continue
            # A test may look at the disk while the installer waits for an answer.
            if declare -F on_snap >/dev/null; then on_snap "$shot"; fi
            import -window root "$screens/$shot.png" && echo "screenshot: $screens/$shot.png"
            touch "$markers/$shot.done"
        done
        if [ "$(date +%s)" -ge "$deadline" ]; then kill "$driver" 2>/dev/null; break; fi
        sleep 0.05
    done
    wait "$driver"
    local rc=$?
    tr -d '\r' < "$logs/$test_name.$name.log" 2>/dev/null | sed "s/^/  [$name] /"
    return $rc
}

# Driver steps of a run over an installed version, from the Welcome page to the Web
# browser(s) page: the Directory page proposes the installed folder $1 and both browsers are
# ticked.
steps_to_installed_browsers_page() {
    cat <<SCRIPT
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
expect_text 101 "$1"
click 1
wait_control 112
expect_checked 103 1
expect_checked 113 1
SCRIPT
}

# Driver steps from the Welcome page to the Web browser(s) page, installing into the new
# directory $1, which the Directory page offers to create (answered Yes).
steps_to_browsers_page() {
    cat <<SCRIPT
wait_window InstClass "Brisvane! Install program"
wait_control 100
click 1
wait_control 102
type 101 "$1"
click 1
box "Brisvane! Install program" 6 "does not exist"
wait_window InstClass "Brisvane! Install program"
wait_control 112
SCRIPT
}

# Checks from outside.
expect_same_file() { cmp -s "$1" "$2" || fail "$2 is missing or differs from $1"; }
expect_no_file() { [ ! -e "$1" ] || fail "$1 should not exist"; }
expect_no_temp_files() {
    local left; left=$(ls "$temp_dir" 2>/dev/null | grep -i '^tmp.*\.tmp$' || true)
    [ -z "$left" ] || fail "temporary files left: $left"
}
# The REG_SZ value NAME of KEY ("" for the default value), or "<missing>".
reg_value() {
    local out
    if [ -z "$2" ]; then out=$(wine reg query "$1" /ve </dev/null 2>/dev/null | tr -d '\r')
    else out=$(wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r'); fi
    local line; line=$(printf '%s\n' "$out" | grep -m1 'REG_SZ') || { echo "<missing>"; return; }
    printf '%s\n' "$line" | sed 's/^.*REG_SZ[[:space:]]*//'
}
expect_reg() {
    local got; got=$(reg_value "$1" "$2")
    [ "$got" = "$3" ] || fail "$1 [$2] is \"$got\", expected \"$3\""
}
expect_no_key() {
    if wine reg query "$1" </dev/null >/dev/null 2>&1; then fail "registry key $1 should not exist"; fi
}

# The [Files] lines of the demo package's manifest: source, name in the package, flags.
package_entries() {
    grep -v '^[[:space:]]*[#;]' "$package_files/manifest.ini" | awk '/^\[Files\]/{f=1;next} /^\[/{f=0} f && NF>=2'
}

# Everything the demo package installs, byte for byte: regular files in TARGET (Linux path),
# shared ones in the system folder, the plug-in module in both browsers' Plugins folders.
expect_package_installed() {
    local target="$1" src dest flags
    while read -r src dest flags; do
        [ -n "$src" ] || continue
        # A stamped file is changed before packing: the installer's own package is the oracle.
        local want="$package_files/$src"
        case " $flags " in *" stamped "*) want="$expected_files/${dest//\\//}" ;; esac
        case " $flags " in
        *" not_installed "*) continue ;;
        *" shared "*) expect_same_file "$want" "$system_dir/${dest//\\//}" ;;
        *)
            if [ "$dest" = "nptnf32.dll" ]; then
                expect_same_file "$want" "$nav_dir/Plugins/nptnf32.dll"
                expect_same_file "$want" "$ie_dir/Plugins/nptnf32.dll"
            else
                expect_same_file "$want" "$target/${dest//\\//}"
            fi
            ;;
        esac
    done < <(package_entries)
}

# A 32-bit program on 64-bit Windows writes only where its own view leads: nothing of the
# install in the 64-bit system folder on disk or in the 64-bit view of HKLM\Software (its
# uninstall record and shared-file counts belong under Wow6432Node).
expect_nothing_in_the_64bit_view() {
    [ "$HKLM_SOFTWARE" = 'HKLM\Software\Wow6432Node' ] || return 0
    expect_no_file "$drive_c/windows/system32/bvrt32.dll"
    expect_no_file "$drive_c/windows/system32/bvsnd32.dll"
    # `wine reg` is itself a 32-bit program here: /reg:64 makes it read the 64-bit view.
    if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisvane!' /reg:64 </dev/null >/dev/null 2>&1; then
        fail "the uninstall record is in the 64-bit view"
    fi
    if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs' /reg:64 </dev/null 2>/dev/null |
        grep -qi 'bvrt32\|bvsnd32'; then
        fail "use counts of the shared files in the 64-bit view"
    fi
}

# Nothing of an install anywhere: no target, plug-ins, shared files, records or shortcuts.
expect_nothing_installed() {
    local target="$1"
    if [ -d "$target" ] && [ -n "$(find "$target" -type f)" ]; then fail "files left in $target: $(find "$target" -type f | head -3)"; fi
    expect_no_file "$nav_dir/Plugins/nptnf32.dll"
    expect_no_file "$ie_dir/Plugins/nptnf32.dll"
    expect_no_file "$system_dir/bvrt32.dll"
    expect_no_file "$system_dir/bvsnd32.dll"
    expect_no_key "$SETTINGS_KEY"
    expect_no_key "$UNINSTALL_KEY"
    expect_no_file "$programs_dir/Brisvane!"
    expect_no_file "$common_programs_dir/Brisvane!"
}

# Runs the installer through the whole wizard with both browsers into TARGET (a new directory,
# created on request) and leaves it on the success page; screenshots are prefixed with SHOTS
# when given. The caller ends the run ("Return to Windows").
install_into() {
    local target="$1" shots="${2:-}"
    snap() { [ -n "$shots" ] && echo "snap $shots-$1"; }
    drive install <<SCRIPT
timeout 15000
wait_window InstClass "Brisvane! Install program"
wait_control 100
expect_parent_text 800 "Brisvane! Install program - Welcome"
sleep 300
$(snap welcome)
click 1
wait_control 102
expect_parent_text 800 "Brisvane! Install program - Directory"
type 101 "$target"
sleep 100
$(snap directory)
click 1
box "Brisvane! Install program" 6 "The directory $target does not exist."
wait_control 112
expect_parent_text 800 "Brisvane! Install program - Web browser(s)"
expect_checked 103 1
expect_checked 113 1
expect_enabled 1 1
sleep 100
$(snap browsers)
click 1
expect_parent_text 800 "Brisvane! Install program - End"
expect_text 101 "Brisvane! has been successfully installed. If your Web browser is running, you must restart it for Brisvane! to be available."
sleep 300
$(snap success)
SCRIPT
}

# "Return to Windows" on the success page that install_into leaves the wizard on.
leave_success_page() {
    drive leave <<'SCRIPT'
wait_window InstClass *
click 2
SCRIPT
}

# use_log NAME: sets LOG (C:\bvlog\NAME.log, what /LOG= is given) and log_file (its path here).
use_log() {
    LOG="C:\\bvlog\\$1.log"
    mkdir -p "$drive_c/bvlog"
    log_file=$(linux_path "$LOG")
}

# expect_damage_refused INSTALLER SNAP: run without arguments, INSTALLER says "This program file
# contains invalid data." before any page (screenshot SNAP), ends with -1 (255), and leaves no
# temporary file and nothing installed.
expect_damage_refused() {
    start_installer "$1"
    drive refuse <<SCRIPT || fail "the damaged installer did not say so"
timeout 10000
wait_window #32770 *
wait_window InstClass "Brisvane! Install program"
expect_no_control 800
expect_no_control 1
sleep 200
snap $2
box * 1 "This program file contains invalid data."
SCRIPT
    expect_exit 255
    expect_no_temp_files
    expect_nothing_installed "$drive_c/bvtest"
}

# start_wizard: the demo installer started without arguments, its Welcome page showing;
# sets first_pid.
start_wizard() {
    start_installer
    drive first <<'SCRIPT' || abort "the first instance did not start"
timeout 10000
wait_window InstClass "Brisvane! Install program"
wait_control 100
SCRIPT
    first_pid=$installer_pid
}

# expect_locked_out_logged: the log of a second run that found the lock held says why and ends
# with 11.
expect_locked_out_logged() {
    local log; log=$(tr -d '\r' < "$log_file" 2>/dev/null)
    printf '%s\n' "$log" | grep -qF "Message: Another setup or uninstall program of Brisvane! is running." ||
        fail "the second instance's log does not say why: $(printf '%s' "$log" | tr '\n' ';')"
    printf '%s\n' "$log" | grep -qxF "Exit code: 11" || fail "the second instance's log lacks its code"
}

# quit_wizard PID: the wizard of the installer PID (its first page showing) is quit with Cancel.
quit_wizard() {
    installer_pid=$1
    drive quit <<'SCRIPT' || fail "the first instance did not quit"
wait_window InstClass *
wait_control 100
click 2
SCRIPT
    expect_exit 0
}

# block_temporary_names FILE / unblock_temporary_names FILE: folders at every temporary name the
# installer may give FILE's new copy ("FILE~", then "FILE~!" and the other marks), so that the
# copy cannot be written: the prompt names the last one tried, "FILE~@".
block_temporary_names() { local m; for m in "" '!' '#' '$' '%' '&' '@'; do mkdir "$1~$m"; done; }
unblock_temporary_names() { local m; for m in "" '!' '#' '$' '%' '&' '@'; do rmdir "$1~$m"; done; }

# The records and shortcuts of an install into TARGET (a C: path) with both browsers; the
# shortcuts in PROGRAMS (the user's Programs folder unless given), and in no other one.
expect_install_records() {
    local target="$1" programs="${2:-$programs_dir}" other
    other=$([ "$programs" = "$programs_dir" ] && echo "$common_programs_dir" || echo "$programs_dir")
    expect_no_file "$other/Brisvane!"
    expect_reg "$SETTINGS_KEY" CurDir "$target"
    expect_reg "$SETTINGS_KEY" bsr1 "$NAV_DIR\\Plugins"
    expect_reg "$SETTINGS_KEY" bsr2 "$IE_DIR\\Plugins"
    expect_reg "$UNINSTALL_KEY" DisplayName "Brisvane!"
    expect_reg "$UNINSTALL_KEY" UninstallString "\"$target\\NpU32.exe\""
    for link in "Uninstall Brisvane!.lnk" "Read me.lnk"; do
        [ -s "$programs/Brisvane!/$link" ] || fail "no shortcut $link (in $(ls "$programs" | tr '\n' ' '))"
    done
}

# Sets $slow: the demo package with ten 12 MB filler entries between the plug-in module and
# the read-me, so that the copy lasts long enough for a Cancel or a kill to come part-way.
# Packing the fillers takes a while: the slow installer is kept beside the demo installer, for
# every session of the build, for as long as the demo installer does not change.
need_slow_installer() {
    slow="$build/BrisvaneSetup-slow.exe"
    [ -f "$slow" ] && [ "$slow" -nt "$installer" ] && return 0
    local slow_dir="$work/slow-package" fillers="" i
    rm -rf "$slow_dir" && mkdir -p "$slow_dir"
    cp "$package_files"/* "$slow_dir/"
    for i in $(seq -w 1 10); do
        head -c 12M /dev/zero > "$slow_dir/filler$i.bin"
        fillers+="filler$i.bin filler$i.bin"$'\n'
    done
    awk -v f="$fillers" '/^readme.txt/{printf "%s", f} {print}' "$package_files/manifest.ini" > "$slow_dir/manifest.ini"
    "$build/../host/setup-pack" build --stub "$build/BrisvaneSetup-stub.exe" --manifest "$slow_dir/manifest.ini" \
        --out "$slow.part$$" >/dev/null || abort "cannot pack the slow installer"
    mv "$slow.part$$" "$slow"
    rm -rf "$slow_dir"
}

# What an install can change on disk, as one listing: every folder and every file (with the
# SHA-256 of its bytes) below TARGET (Linux path), both Plugins folders and the system folder.
disk_listing() {
    local dir
    for dir in "$1" "$nav_dir/Plugins" "$ie_dir/Plugins" "$system_dir"; do
        echo "== $dir"
        [ -d "$dir" ] || continue
        (cd "$dir" && find . -type d | LC_ALL=C sort && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum)
    done
}
# expect_same_disk LISTING TARGET WHAT: the disk as LISTING recorded it, or a failure naming
# the differences.
expect_same_disk() {
    local now; now=$(disk_listing "$2")
    if [ "$now" != "$1" ]; then
        fail "$3: the disk differs from before the run:"
        diff <(printf '%s\n' "$1") <(printf '%s\n' "$now") | grep '^[<>]' | head -20 | sed 's/^/    /'
    fi
}
# Temporary copies of the installer (.~ll, .~xe, a name ending in ~) and backups of earlier
# copies (a name ending in ! # $ % & or @) below TARGET, in the Plugins folders and in the
# system folder.
expect_no_replacement_copies() {
    local left; left=$(find "$1" "$nav_dir/Plugins" "$ie_dir/Plugins" "$system_dir" \
        \( -iname '*.~ll' -o -iname '*.~xe' -o -name '*~' -o -name '*[#$%&@!]' \) 2>/dev/null)
    [ -z "$left" ] || fail "temporary copies left: $left"
}
