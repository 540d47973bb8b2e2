#!/usr/bin/env bash
# The installer started from a downloads folder that also holds DLLs an attacker planted there
# (libraries that programs commonly load on the way), with Wine told to prefer a DLL found
# beside the program, as Windows does for every DLL that is not one of its KnownDLLs: none of
# them is loaded, and the install succeeds. A control run of an ordinary program from the same
# folder loads every planted DLL by name, which shows that the set-up would catch the fault.
# version.dll and uxtheme.dll are planted without the override: Wine's own built-in system
# DLLs import them and resolve those imports through the program's folder before the program's
# first instruction (Windows takes a KnownDLL's imports from the system directory), so a
# marker there would be Wine's doing. That the program itself imports neither is checked on
# its image by scripts/check-product (imports from KnownDLLs only).
source "$(dirname "$0")/../program-lib.sh"
reset_state
downloads="$drive_c/Downloads"
rm -rf "$downloads" && mkdir -p "$downloads"
cp "$installer" "$downloads/BrisvaneSetup.exe"
cp "$build/planted_probe.exe" "$downloads/"
planted=(dwmapi cryptbase winmm msimg32 oleacc sspicli propsys userenv)
for name in "${planted[@]}" version uxtheme; do cp "$build/planted_dll.dll" "$downloads/$name.dll"; done
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$(IFS=,; echo "${planted[*]}")=n,b"
# A loaded DLL leaves NAME.dll.loaded, in the letter case the loader gave its name.
was_loaded() { ls "$downloads" | grep -q -i -x "$1\.dll\.loaded"; }

wine 'C:\Downloads\planted_probe.exe' "${planted[@]}" </dev/null >/dev/null 2>&1
for name in "${planted[@]}"; do
    was_loaded "$name" || abort "control: an ordinary program did not load the planted $name.dll"
done
rm -f "$downloads"/*.loaded

TARGET='C:\bvtest\planted\Brisvane'
start_installer 'C:\Downloads\BrisvaneSetup.exe'
install_into "$TARGET" || abort "the wizard did not go as expected"
leave_success_page
expect_exit 0
for name in "${planted[@]}" version uxtheme; do
    ! was_loaded "$name" || fail "the installer loaded the planted $name.dll"
done
expect_package_installed "$(linux_path "$TARGET")"
finish
