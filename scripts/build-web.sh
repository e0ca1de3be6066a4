#!/usr/bin/env bash
# Builds the serial program for the browser with Debian's Emscripten: build/web/index.html,
# ravelle.js and ravelle.wasm. Highway, libpng and zlib are built for WebAssembly from
# Debian's own source packages (fetched with a private apt state, so the machine's apt setup
# is never touched) and kept in build/web-deps, keyed by their versions and Emscripten's.
# Usage: scripts/build-web.sh [--tests] [--bench]   (as root, or with sudo, when packages are
# missing). The page, and with --tests the unit tests and the replays too (GoogleTest from
# Debian's googletest sources), are built with the web preset in build/web-build; --bench
# builds the benchmark there too.
# RAVELLE_CACHE=DIR takes the libraries from DIR/web-deps instead of this checkout's
# build/web-deps, so that several checkouts share one build of them.
# The page's archive, build/ravelle-web-VERSION.zip, holds the page, its program and the
# notices of the libraries compiled into it, for any static web server.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
root=$PWD
with_tests=0 with_bench=0
for argument in "$@"; do
    case $argument in
        --tests) with_tests=1 ;;
        --bench) with_tests=1 with_bench=1 ;;
        *) echo "usage: scripts/build-web.sh [--tests] [--bench]"; exit 2 ;;
    esac
done

# --- The tools: Emscripten (its system libraries come prebuilt), and dpkg-source to unpack.
scripts/install-deps.sh --only emscripten dpkg-dev cmake make googletest
# Debian's Emscripten runs its tools with the system's Node; 3.1.6's loader predates
# Node's built-in fetch.
export NODE_PATH=/usr/share/nodejs
node=$(command -v node)
emscripten_version=$(dpkg-query -W -f='${Version}' emscripten)

# --- Debian's source packages of the libraries, fetched once.
# shellcheck source=scripts/lib/debian-archive.sh
source scripts/lib/debian-archive.sh
deps=$root/build/web-deps
[ -z "${RAVELLE_CACHE:-}" ] || deps=$RAVELLE_CACHE/web-deps
sources=(highway libpng1.6 zlib)
[ $with_bench -eq 1 ] && sources+=(benchmark)
# fetch_sources PACKAGE...: each into build/web-deps/src/PACKAGE, beside .dir (its tree's
# name) and .version (the Debian source version it came from).
fetch_sources() {
    local package
    debian_apt_begin "$deps/apt" deb-src
    for package in "$@"; do
        rm -rf "$deps/src/$package"
        debian_fetch_source "$package" "$deps/src/$package"
        basename "$debian_source_tree" >"$deps/src/$package/.dir"
        echo "$debian_source_version" >"$deps/src/$package/.version"
    done
    rm -rf "$deps/apt"
}
wanted=()
for package in "${sources[@]}"; do
    [ -f "$deps/src/$package/.version" ] || wanted+=("$package")
done
if [ ${#wanted[@]} -gt 0 ]; then
    echo "== web: fetching Debian sources: ${wanted[*]}"
    fetch_sources "${wanted[@]}"
fi
source_dir() { echo "$deps/src/$1/$(cat "$deps/src/$1/.dir")"; }

# --- The libraries for WebAssembly, built once per set of versions into their own prefix.
toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
# The vector kernels use WebAssembly's 128-bit SIMD; every library and object shares it.
simd_flags="-msimd128"
# (The last word marks the layout: the libraries' copyright files are kept in the prefix.)
key="emscripten_$emscripten_version $simd_flags notices"
for package in highway libpng1.6 zlib; do key+=" $(cat "$deps/src/$package/.version")"; done
key+=" googletest_$(dpkg-query -W -f='${Version}' googletest)"
prefix=$deps/$(echo "$key" | md5sum | cut -c1-12)
if [ "$(cat "$prefix/.key" 2>/dev/null)" != "$key" ]; then
    echo "== web: building the libraries for WebAssembly: $key"
    stage=$SECONDS
    rm -rf "$prefix"
    work=$prefix/work
    mkdir -p "$work" "$prefix/lib" "$prefix/include"
    # zlib and libpng: their C sources compiled as they are, with libpng's default options.
    # keep_copyright SOURCE_PACKAGE ARCHIVE...: Debian's copyright file of the source package
    # goes with the archives it built; the page's notices are made from it
    # (cmake/third-party-notices.sh).
    keep_copyright() {
        local doc=$prefix/share/doc/$1
        mkdir -p "$doc"
        cp "$(source_dir "$1")/debian/copyright" "$doc/copyright"
        cat "$deps/src/$1/.version" >"$doc/source"
        shift
        printf '%s\n' "$@" >"$doc/archives"
    }
    build_c_library() {  # NAME SOURCE_DIR FILES...
        local name=$1 dir=$2 objects=() file
        shift 2
        mkdir -p "$work/$name"
        for file in "$@"; do
            emcc -O2 $simd_flags -ffile-prefix-map="$deps"=. -I "$dir" -I "$prefix/include" -c "$dir/$file" \
                -o "$work/$name/${file%.c}.o"
            objects+=("$work/$name/${file%.c}.o")
        done
        emar rcs "$prefix/lib/lib$name.a" "${objects[@]}"
    }
    zlib=$(source_dir zlib)
    # (Its gz* file functions are left out: libpng reads and writes through its own.)
    build_c_library z "$zlib" adler32.c compress.c crc32.c deflate.c infback.c inffast.c \
        inflate.c inftrees.c trees.c uncompr.c zutil.c
    cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"
    keep_copyright zlib libz.a
    png=$(source_dir libpng1.6)
    cp "$png/scripts/pnglibconf.h.prebuilt" "$png/pnglibconf.h"
    build_c_library png "$png" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c \
        pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c \
        pngwutil.c
    cp "$png/png.h" "$png/pngconf.h" "$png/pnglibconf.h" "$prefix/include/"
    keep_copyright libpng1.6 libpng.a
    # Highway and GoogleTest with their own CMake builds, installed into the prefix.
    cmake_web=(cmake -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_CXX_FLAGS="$simd_flags -ffile-prefix-map=$deps=."
        -DCMAKE_C_FLAGS="$simd_flags -ffile-prefix-map=$deps=." -DBUILD_SHARED_LIBS=OFF)
    "${cmake_web[@]}" -S "$(source_dir highway)" -B "$work/highway" -DHWY_ENABLE_TESTS=OFF \
        -DHWY_ENABLE_EXAMPLES=OFF -DHWY_ENABLE_CONTRIB=OFF -DHWY_ENABLE_INSTALL=ON \
        >"$work/highway.log" 2>&1 || { cat "$work/highway.log"; exit 1; }
    nice -n 10 cmake --build "$work/highway" -j 2 --target install >>"$work/highway.log" 2>&1 ||
        { cat "$work/highway.log"; exit 1; }
    mapfile -t highway_archives < <(cd "$prefix/lib" && ls libhwy*.a)
    keep_copyright highway "${highway_archives[@]}"
    "${cmake_web[@]}" -S /usr/src/googletest -B "$work/googletest" -DBUILD_GMOCK=OFF \
        -Dgtest_disable_pthreads=ON >"$work/googletest.log" 2>&1 ||
        { cat "$work/googletest.log"; exit 1; }
    nice -n 10 cmake --build "$work/googletest" -j 2 --target install \
        >>"$work/googletest.log" 2>&1 || { cat "$work/googletest.log"; exit 1; }
    rm -rf "$work"
    echo "$key" >"$prefix/.key"
    echo "   libraries: $((SECONDS - stage)) s"
fi
find_roots=$prefix
# Google Benchmark, for the benchmark only, in a prefix of its own.
if [ $with_bench -eq 1 ]; then
    bench_key="$key $(cat "$deps/src/benchmark/.version")"
    bench_prefix=$deps/benchmark-$(echo "$bench_key" | md5sum | cut -c1-12)
    if [ "$(cat "$bench_prefix/.key" 2>/dev/null)" != "$bench_key" ]; then
        echo "== web: building Google Benchmark for WebAssembly"
        rm -rf "$bench_prefix"
        work=$bench_prefix/work
        mkdir -p "$work"
        # Its version comes from its sources, not from git tags.
        cmake -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_INSTALL_PREFIX="$bench_prefix" -DCMAKE_CXX_FLAGS="$simd_flags" \
            -DBUILD_SHARED_LIBS=OFF -S "$(source_dir benchmark)" -B "$work" -DGIT_VERSION=0.0.0 \
            -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
            -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_LTO=OFF \
            >"$work.log" 2>&1 || { cat "$work.log"; exit 1; }
        nice -n 10 cmake --build "$work" -j 2 --target install >>"$work.log" 2>&1 ||
            { cat "$work.log"; exit 1; }
        rm -rf "$work" "$work.log"
        echo "$bench_key" >"$bench_prefix/.key"
    fi
    find_roots+=";$bench_prefix"
fi

# --- The program (and, when asked, the tests, the replay and the benchmark) for WebAssembly:
# the web preset, given this machine's paths. CMake is pointed at Node itself: the emulator line emcmake would hand it has an option
# Node 20 rejects.
echo "== web: building the page"
stage=$SECONDS
out=$root/build/web-build
# The checkout's and the libraries' paths stay out of the program, so that any checkout
# builds the same bytes.
tests=OFF bench=OFF
[ $with_tests -eq 0 ] || tests=ON
[ $with_bench -eq 0 ] || bench=ON
cmake --preset web \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$deps=deps" \
    -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=. -ffile-prefix-map=$deps=deps" \
    -DRAVELLE_WEB_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$find_roots" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$node;--no-experimental-fetch" \
    -DBUILD_TESTING=$tests -DRAVELLE_BUILD_BENCH=$bench \
    >"$root/build/web-configure.log" 2>&1 || { cat "$root/build/web-configure.log"; exit 1; }
targets=(ravelle-serial ravelle-notices)
[ $with_tests -eq 1 ] && targets+=(ravelle-tests-serial ravelle-replay-serial ravelle-replay-portable)
[ $with_bench -eq 1 ] && targets+=(ravelle-bench-serial)
nice -n 10 cmake --build --preset web -j 2 --target "${targets[@]}"
rm -rf "$root/build/web"
mkdir -p "$root/build/web"
for file in index.html favicon.png ravelle.js ravelle.wasm THIRD-PARTY-NOTICES.txt; do
    cp "$out/$file" "$root/build/web/$file"
done
[ ! -f LICENSE ] || cp LICENSE "$root/build/web/LICENSE.txt"

# The page's archive; its bytes depend on the commit only (scripts/lib/zip.sh).
# shellcheck source=scripts/lib/version.sh
source scripts/lib/version.sh
version=$(ravelle_version)
archive=$root/build/ravelle-web-$version.zip
package=$root/build/web-package
rm -rf "$package"
mkdir -p "$package/ravelle-web-$version"
cp "$root"/build/web/* "$package/ravelle-web-$version/"
# shellcheck source=scripts/lib/zip.sh
source scripts/lib/zip.sh
pack_zip "$package" "ravelle-web-$version" "$archive"
rm -rf "$package"
echo "   page: build/web ($(du -cb "$root"/build/web/ravelle.{js,wasm} | tail -1 | cut -f1) bytes of" \
    "program), $((SECONDS - stage)) s; $archive: $(stat -c %s "$archive") bytes"
