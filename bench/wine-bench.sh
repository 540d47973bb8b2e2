# Sourced by the Wine benchmarks (bench/startup, bench/silent-install): the programs of the
# width that ships, and one warm Wine session to time them in.

# wine_bench_width: sets tree (the build that ships here), peer_target (the peer's stub of the
# same width) and cross (the mingw-w64 compiler prefix): the 32-bit product where the kernel
# runs 32-bit programs, else the x86_64 twin.
wine_bench_width() {
    if bash scripts/runs-32bit; then
        tree=win32 peer_target=x86-unicode cross=i686-w64-mingw32
    else
        tree=win64 peer_target=amd64-unicode cross=x86_64-w64-mingw32
    fi
}

# wine_bench_floor_programs DIR: builds the floor programs DIR/floor0.exe .. floor4.exe
# (bench/startup_floor.cpp; floor3 holds the desktop) and the first-page waiter
# (bench/first_page.cpp) with the compiler of that width.
wine_bench_floor_programs() {
    local dir=$1 kind entry=WinMainCRTStartup
    [ "$cross" = i686-w64-mingw32 ] && entry=_WinMainCRTStartup
    for kind in 0 1 2 3 4; do
        "$cross-g++" -std=c++20 -Oz -Wall -Wextra -DFLOOR_KIND=$kind -fno-exceptions -fno-rtti \
            -fno-asynchronous-unwind-tables bench/startup_floor.cpp -o "$dir/floor$kind.exe" -nostdlib \
            -e "$entry" -Wl,--subsystem,windows -s \
            -lole32 -luuid -lshell32 -lcomdlg32 -lgdi32 -luser32 -ladvapi32 -lkernel32
    done
    "$cross-g++" -std=c++20 -O2 -Wall -Wextra bench/first_page.cpp -o "$dir/first-page.exe" -static -s
}

# wine_bench_session DIR: a private X server (Xvfb), a scratch prefix DIR/prefix with Managed=N
# (no window manager), a warm wineserver, the browsers' Plugins folders, and DIR/floor3.exe
# holding the desktop: under Wine the desktop process closes a second after its last program
# ends and the next program to need it starts it again, which on Windows never happens;
# without the holder the times depend on the pauses between runs. Everything ends with the
# calling script (an EXIT trap).
wine_bench_session() {
    local dir=$1
    rm -f "$dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" </dev/null >/dev/null 2>&1 &
    wine_bench_xvfb=$!
    wine_bench_holder=""
    trap wine_bench_finish EXIT
    for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
    [ -s "$dir/display" ] || { echo "$(basename "$0"): Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(tr -dc '0-9' < "$dir/display")"
    export WINEPREFIX=$dir/prefix WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    export XDG_DATA_HOME=$dir/xdg XDG_CONFIG_HOME=$dir/xdg
    mkdir -p "$WINEPREFIX"
    wineserver -p 900 </dev/null >/dev/null 2>&1 || true
    wine wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    # The browser's Plugins folder, where a 64-bit program and where a 32-bit one (in a 64-bit
    # prefix) looks for it.
    mkdir -p "$WINEPREFIX/drive_c/Program Files/Internet Explorer/Plugins" \
             "$WINEPREFIX/drive_c/Program Files (x86)/Internet Explorer/Plugins"
    wine "$dir/floor3.exe" </dev/null >/dev/null 2>&1 &
    wine_bench_holder=$!
}

wine_bench_finish() {
    [ -z "${wine_bench_holder:-}" ] || kill "$wine_bench_holder" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$wine_bench_xvfb" 2>/dev/null || true
}

# wine_bench_run_ms EXE ARGS...: one run to its end, into a fresh C:\bench; prints its time
# in ms. A run that ends with an error code ends the benchmark.
wine_bench_run_ms() {
    local start rc=0
    rm -rf "$WINEPREFIX/drive_c/bench"
    start=$(date +%s%N)
    wine "$@" </dev/null >/dev/null 2>&1 || rc=$?
    [ "$rc" -eq 0 ] || { echo "$(basename "$0"): $1 ended with $rc" >&2; exit 1; }
    echo $(( ($(date +%s%N) - start) / 1000000 ))
}

# wine_bench_median NUMBERS...: the median (the lower middle one of an even count).
wine_bench_median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
