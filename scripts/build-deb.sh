#!/usr/bin/env bash
# Builds Ravelle's Debian package with CPack in build/deb-ARCH, a build of the two programs
# alone with Debian's hardening flags (dpkg-buildflags), stripped: for the machine's own
# architecture, or arm64 cross-built on amd64 with --arm64. Prints the package's path last.
# Usage: scripts/build-deb.sh [--arm64]
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
native=$(dpkg --print-architecture)
arch=$native
[ "${1:-}" = --arm64 ] && arch=arm64
out=$PWD/build/deb-$arch

# Configures and builds one package folder: configure BUILD_DIR [CMAKE ARGUMENTS...]
configure_and_build() {
    local dir=$1
    shift
    # DEB_HOST_ARCH makes dpkg-buildflags answer for the package's architecture; every
    # hardening feature is asked for, immediate binding (-z now) among them.
    local cppflags cxxflags ldflags
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cppflags=$(DEB_HOST_ARCH=$arch dpkg-buildflags --get CPPFLAGS)
    cxxflags=$(DEB_HOST_ARCH=$arch dpkg-buildflags --get CXXFLAGS)
    ldflags=$(DEB_HOST_ARCH=$arch dpkg-buildflags --get LDFLAGS)
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DRAVELLE_BUILD_TESTS=OFF -DRAVELLE_BUILD_BENCH=OFF -DRAVELLE_BUILD_TOOLS=OFF \
        -DCMAKE_CXX_FLAGS="$cppflags $cxxflags $path_flags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@" \
        >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
    nice -n 10 cmake --build "$dir" -j 2
}

# The shared libraries a program needs, by soname, one a line. The dynamic loader is left
# out: its name differs between architectures, and it is libc6's, like libc.so.6.
needed() {
    LC_ALL=C readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | grep -v '^ld-linux' |
        sort
}

mkdir -p "$(dirname "$out")"
# dpkg-buildflags keeps this checkout's path out of the programs' debug information (whose
# hash, the build ID, stays in the stripped programs); paths outside it are mapped here.
path_flags=""
if [ "$arch" = "$native" ]; then
    configure_and_build "$out" -DRAVELLE_DEB_DEPENDS=
else
    [ "$native" = amd64 ] || fail "--arm64 cross-builds on amd64 only"
    # The arm64 libraries come from the aarch64 test's sysroot, downloaded once.
    scripts/test-aarch64.sh --sysroot-only
    sysroot=${RAVELLE_CACHE:-$PWD/build}/aarch64/sysroot
    path_flags="-ffile-prefix-map=$sysroot="
    configure_and_build "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
        -DRAVELLE_AARCH64_SYSROOT="$sysroot" -DRAVELLE_DEB_DEPENDS=
    # dpkg-shlibdeps needs the package's libraries installed in the machine's own dpkg
    # database, which holds amd64 ones only. Debian builds every library for both
    # architectures from one source version under one package name, so a program that
    # needs the same sonames needs the same packages at the same versions: the arm64
    # package takes the Depends that dpkg-shlibdeps computed for the amd64 one, once both
    # builds are seen to need the same libraries.
    host_out=$PWD/build/deb-$native
    # The native package first (an up-to-date build is quick): its Depends are computed.
    "$0" >&2
    host_deb=$(ls "$host_out"/ravelle_*_"$native".deb)
    for program in ravelle ravelle-serial; do
        differ=$(diff <(needed "$host_out/$program") <(needed "$out/$program")) ||
            fail "$program needs other libraries on arm64 than on $native:"$'\n'"$differ"
    done
    depends=$(dpkg-deb -f "$host_deb" Depends)
    [ -n "$depends" ] || fail "$host_deb has no Depends"
    cmake -B "$out" -DRAVELLE_DEB_DEPENDS="$depends" >/dev/null
fi

rm -f "$out"/ravelle_*.deb
(cd "$out" && cpack -G DEB >"$out.cpack.log" 2>&1) || { cat "$out.cpack.log"; exit 1; }
ls "$out"/ravelle_*_"$arch".deb
