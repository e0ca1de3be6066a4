#!/usr/bin/env bash
# Cross-builds ravelle.exe and ravelle-serial.exe for 64-bit Windows with Debian's MinGW-w64
# compiler (the windows preset, in build/windows/build) and packs
# build/windows/ravelle-windows-x86_64.zip. freeglut, Highway and GoogleTest are built static
# from Debian's own source packages into build/windows/deps, once per set of their versions.
# Usage: scripts/build-windows.sh [TARGET...]  (default: the two programs; as root, or with
# sudo, when packages are missing). scripts/test-windows.sh names the test programs too.
# RAVELLE_CACHE=DIR takes the libraries and the Wine prefix from DIR/windows/ instead of this
# checkout's build/windows/, so that several checkouts share one build of them.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/windows
mkdir -p "$out"

# --- The host's tools: the cross compiler with its OpenMP runtime, Wine (Highway's build and
# the tests run Windows programs), the host's libpng for the bitmap maker, zip, and icoutils
# for the programs' icon.
scripts/install-deps.sh --only cmake g++ libpng-dev g++-mingw-w64-x86-64-posix wine wine64 zip dpkg-dev xvfb xauth \
    icoutils

# Every Windows program run during the build (Highway's target lister) and the tests uses this
# prefix, not one in the home folder; crashes end the program instead of opening a dialog.
wine_prefix=$out/wine
[ -z "${RAVELLE_CACHE:-}" ] || wine_prefix=$RAVELLE_CACHE/windows/wine
export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.ravelle-ready" ]; then
    echo "== windows: making the Wine prefix $WINEPREFIX"
    # shellcheck source=scripts/lib/wine.sh
    source scripts/lib/wine.sh
    rm -rf "$WINEPREFIX"
    wine_boot "$out/wine-prefix.log" -i
    wine_step "$out/wine-prefix.log" "turning Wine's crash dialog off" \
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    wine_step "$out/wine-prefix.log" "waiting for the registry" wineserver -w
    touch "$WINEPREFIX/.ravelle-ready"
fi

# --- freeglut, Highway and GoogleTest: Debian's source packages, fetched through a private apt
# state (the machine's apt setup is left as it is), built static.
sources=(freeglut highway googletest)
versions=()
# The libraries are rebuilt when the host's versions of them change; one the host lacks ("none")
# still has its source fetched, so the stamp only has to differ from that of other versions.
for source in "${sources[@]}"; do
    versions+=("$source-$(dpkg-query -W -f='${Version}' "$(
        case $source in freeglut) echo freeglut3-dev ;; highway) echo libhwy-dev ;;
                        googletest) echo libgtest-dev ;; esac)" 2>/dev/null || echo none)")
done
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
# (The last word marks the layout: the libraries' copyright files are kept in the prefix.)
stamp="${versions[*]} gcc-$compiler notices"
prefix=$out/deps
[ -z "${RAVELLE_CACHE:-}" ] || prefix=$RAVELLE_CACHE/windows/deps
if [ "$(cat "$prefix/.versions" 2>/dev/null)" != "$stamp" ]; then
    echo "== windows: building static libraries from Debian sources ($stamp)"
    started=$SECONDS
    work=$prefix-work
    rm -rf "$work" "$prefix"
    # shellcheck source=scripts/lib/debian-archive.sh
    source scripts/lib/debian-archive.sh
    debian_apt_begin "$work/apt" deb-src
    # The notices name each library's source tree, and the Debian release and version it
    # came from when the mirrors could not give this machine's own.
    declare -A fetched_from=()
    for source in "${sources[@]}"; do
        debian_fetch_source "$source" "$work/src"
        if [ -n "$debian_source_fallback" ]; then
            fetched_from[$(basename "$debian_source_tree")]=" ($debian_source_version, from Debian $debian_source_fallback)"
        fi
    done

    # build_library NAME CMAKE_OPTIONS...: configures, builds and installs one library.
    build_library() {
        local name=$1 dir before
        shift
        dir=$(find "$work/src" -maxdepth 1 -type d -name "$name-*" | head -n 1)
        echo "   $name from $(basename "$dir")"
        # The work folder's path stays out of the objects (assertions name their files).
        cmake -S "$dir" -B "$work/build-$name" -G "Unix Makefiles" \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_C_FLAGS="-ffile-prefix-map=$work=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work=." \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.new" \
            -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@" \
            >"$work/$name-configure.log" 2>&1 || { cat "$work/$name-configure.log"; exit 1; }
        nice -n 10 cmake --build "$work/build-$name" -j 2 >"$work/$name-build.log" 2>&1 ||
            { tail -n 50 "$work/$name-build.log"; exit 1; }
        before=$(find "$prefix.new/lib" -name '*.a' | sort)
        cmake --install "$work/build-$name" >/dev/null
        # Debian's copyright file of the source package goes with the archives it built:
        # the programs' notices are made from it (cmake/third-party-notices.sh).
        local doc=$prefix.new/share/doc/$name
        mkdir -p "$doc"
        cp "$dir/debian/copyright" "$doc/copyright"
        echo "$(basename "$dir")${fetched_from[$(basename "$dir")]:-}" >"$doc/source"
        comm -13 <(echo "$before") <(find "$prefix.new/lib" -name '*.a' | sort) |
            xargs -r -n 1 basename >"$doc/archives"
    }
    rm -rf "$prefix.new"
    mkdir -p "$prefix.new/lib"
    build_library freeglut -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_BUILD_DEMOS=OFF
    build_library highway -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF \
        -DHWY_ENABLE_CONTRIB=OFF -DHWY_ENABLE_INSTALL=ON
    build_library googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
    echo "$stamp" >"$prefix.new/.versions"
    mv "$prefix.new" "$prefix"
    rm -rf "$work"
    echo "   libraries: $((SECONDS - started)) s"
fi

# --- The bitmap maker runs on this machine at build time.
host=$out/host
mkdir -p "$host"
if [ ! -x "$host/picture-bitmap" ] || [ tools/picture_bitmap.cpp -nt "$host/picture-bitmap" ]; then
    g++ -std=c++20 -O2 -Wall -Wextra -Werror tools/picture_bitmap.cpp -lpng \
        -o "$host/picture-bitmap"
fi

# --- The cross build: the windows preset (warnings are errors; no benchmark, no picture
# generator), given the paths of this machine's libraries and bitmap maker.
echo "== windows: cross-building"
started=$SECONDS
# The checkout's path stays out of the programs, so that any checkout builds the same bytes.
cmake --preset windows \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$prefix=deps" \
    -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$prefix=deps" \
    -DRAVELLE_WINDOWS_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DRAVELLE_PICTURE_BITMAP_TOOL="$host/picture-bitmap" \
    >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; exit 1; }
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ravelle ravelle-serial)
# The zip always carries the programs' notices.
targets+=(ravelle-notices)
nice -n 10 cmake --build --preset windows -j 2 --target "${targets[@]}"
echo "   cross build: $((SECONDS - started)) s"

# Only DLLs that every Windows has: no MinGW runtime, no libgomp, no freeglut beside the program.
system_dlls='^(KERNEL32|USER32|GDI32|OPENGL32|WINMM|msvcrt|ADVAPI32)\.dll$'
for program in ravelle ravelle-serial; do
    imports=$(x86_64-w64-mingw32-objdump -p "$out/build/$program.exe" |
        sed -n 's/^\tDLL Name: //p' | sort -u)
    if grep -qviE "$system_dlls" <<<"$imports"; then
        echo "$program.exe imports more than the system's DLLs: ${imports//$'\n'/ }"
        exit 1
    fi
    echo "   $program.exe: $(stat -c %s "$out/build/$program.exe") bytes;" \
        "imports ${imports//$'\n'/ }"
done

# --- The zip: both programs, how to run them, the licence and the third-party notices; its
# bytes depend on the commit only (scripts/lib/zip.sh).
[ -f "$out/build/THIRD-PARTY-NOTICES.txt" ] ||
    { echo "windows: the cross build wrote no THIRD-PARTY-NOTICES.txt"; exit 1; }
package=$out/package
rm -rf "$package"
mkdir -p "$package/ravelle"
cp "$out/build/ravelle.exe" "$out/build/ravelle-serial.exe" "$out/build/THIRD-PARTY-NOTICES.txt" \
    "$package/ravelle/"
sed 's/$/\r/' resources/README-windows.txt >"$package/ravelle/README.txt"
[ ! -f LICENSE ] || sed 's/$/\r/' LICENSE >"$package/ravelle/LICENSE.txt"
# shellcheck source=scripts/lib/zip.sh
source scripts/lib/zip.sh
pack_zip "$package" ravelle "$out/ravelle-windows-x86_64.zip"
rm -rf "$package"
echo "   $out/ravelle-windows-x86_64.zip: $(stat -c %s "$out/ravelle-windows-x86_64.zip") bytes"
