#!/usr/bin/env bash
# Cross-builds ravelle.exe and ravelle-serial.exe for 64-bit Windows with Debian's MinGW-w64
# (the windows preset, in build/windows/build) and packs ravelle-windows-x86_64.zip there;
# freeglut, Highway and GoogleTest are built static from Debian's source packages into
# build/windows/deps (cmake/superbuild), once per set of their versions and the compiler's.
# Usage: scripts/build-windows.sh [TARGET...]  (default: the two programs; test-windows.sh names
# the tests too). RAVELLE_CACHE=DIR keeps the libraries and the Wine prefix in DIR/windows/.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
root=$PWD out=$PWD/build/windows cache=${RAVELLE_CACHE:+$RAVELLE_CACHE/windows}
mkdir -p "$out"
scripts/install-deps.sh --only cmake g++ libpng-dev g++-mingw-w64-x86-64-posix wine wine64 zip dpkg-dev xvfb xauth x11-utils \
    icoutils

# Every Windows program run during the build (Highway's target lister) and the tests uses this
# prefix, not one in the home folder; crashes end the program instead of opening a dialog.
export WINEPREFIX=${cache:-$out}/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.ravelle-ready" ]; then
    echo "== windows: making the Wine prefix $WINEPREFIX"
    source scripts/lib/wine.sh
    rm -rf "$WINEPREFIX"
    wine_boot "$out/wine-prefix.log" -i
    wine_step "$out/wine-prefix.log" "turning Wine's crash dialog off" \
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    wine_step "$out/wine-prefix.log" "waiting for the registry" wineserver -w
    touch "$WINEPREFIX/.ravelle-ready"
fi

# --- The libraries, rebuilt when the host's versions of them or the compiler change (one the
# host lacks is "none"); the last word of the stamp names the prefix's layout.
sources=(freeglut highway googletest) stamp=""
for source in freeglut:freeglut3-dev highway:libhwy-dev googletest:libgtest-dev; do
    stamp+="${source%:*}-$(dpkg-query -W -f='${Version}' "${source#*:}" 2>/dev/null || echo none) "
done
stamp+="gcc-$(x86_64-w64-mingw32-g++-posix -dumpfullversion) notices"
prefix=${cache:-$out}/deps work=${cache:-$out}/deps-work
if [ "$(cat "$prefix/.versions" 2>/dev/null)" != "$stamp" ]; then
    echo "== windows: building static libraries from Debian sources ($stamp)"
    started=$SECONDS
    rm -rf "$work" "$prefix" "$prefix.new"
    source scripts/lib/debian-archive.sh
    debian_apt_begin "$work/apt" deb-src
    trees=()
    for source in "${sources[@]}"; do
        debian_fetch_source "$source" "$work/src"
        echo "   $source from $(basename "$debian_source_tree")"
        # The notices name the tree, and the release and version it came from when the
        # mirrors could not give this machine's own.
        trees+=(-D"${source}_TREE=$debian_source_tree" -D"${source}_SOURCE=$(basename \
            "$debian_source_tree")${debian_source_fallback:+ ($debian_source_version, from Debian $debian_source_fallback)}")
    done
    { cmake -S cmake/superbuild -B "$work/build" -G "Unix Makefiles" -DRAVELLE_PLATFORM=windows \
        -DRAVELLE_TOOLCHAIN="$root/cmake/mingw-w64-x86_64.cmake" -DRAVELLE_PREFIX="$prefix.new" \
        -DRAVELLE_FLAGS="-ffile-prefix-map=$work=." "${trees[@]}" &&
        nice -n 10 cmake --build "$work/build" -j 2; } >"$work/superbuild.log" 2>&1 ||
        { tail -n 60 "$work/superbuild.log"; exit 1; }
    echo "$stamp" >"$prefix.new/.versions"
    mv "$prefix.new" "$prefix"
    rm -rf "$work"
    echo "   libraries: $((SECONDS - started)) s"
fi

# --- The bitmap maker runs on this machine at build time.
mkdir -p "$out/host"
[ "$out/host/picture-bitmap" -nt tools/picture_bitmap.cpp ] ||
    g++ -std=c++20 -O2 -Wall -Wextra -Werror tools/picture_bitmap.cpp -lpng -o "$out/host/picture-bitmap"

# --- The cross build: the windows preset (warnings are errors; no benchmark, no picture
# generator). The checkout's path stays out of the programs, so any checkout builds the same bytes.
echo "== windows: cross-building"
started=$SECONDS
cmake --preset windows \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$prefix=deps" \
    -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$prefix=deps" \
    -DRAVELLE_WINDOWS_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DRAVELLE_PICTURE_BITMAP_TOOL="$out/host/picture-bitmap" \
    >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; exit 1; }
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ravelle ravelle-serial)
# The zip always: both programs, how to run them, the licence and the notices.
nice -n 10 cmake --build --preset windows -j 2 --target "${targets[@]}" ravelle-zip
echo "   cross build: $((SECONDS - started)) s"
# (What they import is checked by the output tests, tests/windows.cmake.)
stat -c '   %n: %s bytes' "$out"/build/ravelle{,-serial}.exe
