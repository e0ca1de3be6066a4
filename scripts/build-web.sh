#!/usr/bin/env bash
# Builds the serial program for the browser with Debian's Emscripten (the web preset, in
# build/web-build) into build/web and build/web-build/ravelle-web-VERSION.zip. Highway, libpng, zlib,
# GoogleTest (and Google Benchmark) are built for WebAssembly by cmake/superbuild from Debian's
# sources into build/web-deps (DIR/web-deps with RAVELLE_CACHE=DIR), keyed by their versions.
# Usage: scripts/build-web.sh [--tests] [--bench]  (the unit tests and replays; the benchmark)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
root=$PWD deps=${RAVELLE_CACHE:-$PWD/build}/web-deps tests=OFF bench=OFF
for argument in "$@"; do
    case $argument in
        --tests) tests=ON ;;
        --bench) tests=ON bench=ON ;;
        *) echo "usage: scripts/build-web.sh [--tests] [--bench]"; exit 2 ;;
    esac
done
scripts/install-deps.sh --only emscripten dpkg-dev cmake make googletest
export NODE_PATH=/usr/share/nodejs  # Debian's Emscripten runs its tools with Debian's Node

# --- Debian's source packages, each fetched once into web-deps/src/PACKAGE with its .version.
wanted=()
for package in highway libpng1.6 zlib benchmark; do
    [ -f "$deps/src/$package/.version" ] || [ $package$bench = benchmarkOFF ] || wanted+=("$package")
done
if [ ${#wanted[@]} -gt 0 ]; then
    echo "== web: fetching Debian sources: ${wanted[*]}"
    source scripts/lib/debian-archive.sh
    debian_apt_begin "$deps/apt" deb-src
    for package in "${wanted[@]}"; do
        rm -rf "$deps/src/$package"
        debian_fetch_source "$package" "$deps/src/$package"
        echo "$debian_source_version" >"$deps/src/$package/.version"
    done
    rm -rf "$deps/apt"
fi

# libraries PREFIX KEY PACKAGE...: unless PREFIX/.key is KEY, builds them into PREFIX with
# WebAssembly's 128-bit SIMD, which the vector kernels use (GoogleTest: Debian's /usr/src copy).
libraries() {
    local prefix=$1 key=$2 package trees=()
    shift 2
    [ "$(cat "$prefix/.key" 2>/dev/null)" != "$key" ] || return 0
    echo "== web: building the libraries for WebAssembly: $key"
    rm -rf "$prefix"
    for package in "$@"; do
        [ "$package" != googletest ] || { trees+=(-Dgoogletest_TREE=/usr/src/googletest); continue; }
        trees+=(-D"${package}_TREE=$(cd "$deps/src/$package"/*/ && pwd)" -D"${package}_SOURCE=$(cat "$deps/src/$package/.version")")
    done
    { cmake -S cmake/superbuild -B "$prefix/work" -DRAVELLE_PLATFORM=web -DRAVELLE_PREFIX="$prefix" \
        -DRAVELLE_TOOLCHAIN=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
        -DRAVELLE_FLAGS="-msimd128 -ffile-prefix-map=$deps=." "${trees[@]}" &&
        nice -n 10 cmake --build "$prefix/work" -j 2; } >"$prefix.log" 2>&1 || { tail -n 60 "$prefix.log"; exit 1; }
    rm -rf "$prefix/work" "$prefix.log"
    echo "$key" >"$prefix/.key"
}
# (The word "notices" marks the prefix's layout: the libraries' copyright files are kept there.)
key="emscripten_$(dpkg-query -W -f='${Version}' emscripten) -msimd128 notices"
for package in highway libpng1.6 zlib; do key+=" $(cat "$deps/src/$package/.version")"; done
key+=" googletest_$(dpkg-query -W -f='${Version}' googletest)"
prefix=$deps/$(md5sum <<<"$key" | cut -c1-12) roots=$deps/$(md5sum <<<"$key" | cut -c1-12)
libraries "$prefix" "$key" highway googletest zlib libpng1.6
if [ $bench = ON ]; then  # Google Benchmark, for the benchmark only, in a prefix of its own
    key+=" $(cat "$deps/src/benchmark/.version")"
    roots+=";$deps/benchmark-$(md5sum <<<"$key" | cut -c1-12)"
    libraries "${roots#*;}" "$key" benchmark
fi

# --- The page (the tests, replays, benchmark when asked): the web preset, pointed at Node itself
# (emcmake's emulator line has an option Node 20 rejects), with no path of this machine in it.
echo "== web: building the page"
stage=$SECONDS map="-ffile-prefix-map=$root=. -ffile-prefix-map=$deps=deps"
cmake --preset web -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" -DRAVELLE_WEB_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$roots" -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node);--no-experimental-fetch" \
    -DBUILD_TESTING=$tests -DRAVELLE_BUILD_BENCH=$bench >build/web-configure.log 2>&1 ||
    { cat build/web-configure.log; exit 1; }
targets=(ravelle-serial ravelle-zip)
[ $tests = OFF ] || targets+=(ravelle-tests-serial ravelle-replay-serial ravelle-replay-portable)
[ $bench = OFF ] || targets+=(ravelle-bench-serial)
nice -n 10 cmake --build --preset web -j 2 --target "${targets[@]}"
rm -rf build/web && mkdir -p build/web
cp build/web-build/{index.html,favicon.png,ravelle.js,ravelle.wasm,THIRD-PARTY-NOTICES.txt,LICENSE.txt} \
    build/web/
echo "   page: build/web ($(du -cb build/web/ravelle.{js,wasm} | tail -1 | cut -f1) bytes of program)," \
    "$((SECONDS - stage)) s"
