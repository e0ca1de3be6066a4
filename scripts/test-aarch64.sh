#!/usr/bin/env bash
# Cross-builds both programs, the unit tests and the replays for 64-bit ARM with Debian's cross
# compiler and runs the tests under qemu-aarch64 on a NEON-only processor and on SVE2 ones of
# 128 to 2048 bits (tests/aarch64.cmake). Usage: scripts/test-aarch64.sh [X86_BUILD], where
# X86_BUILD (build/ci, say) adds a check that its replay gives the aarch64 one's bytes; with
# --sysroot-only it stops once the arm64 libraries are unpacked (scripts/build-deb.sh --arm64
# builds with them). RAVELLE_CACHE=DIR keeps them in DIR/aarch64.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
sysroot_only=false
[ "${1:-}" != --sysroot-only ] || { sysroot_only=true; shift; }
x86_build=${1:-}
case $(uname -m) in
    x86_64) ;;
    aarch64) echo "aarch64: an ARM machine, whose own ctest run has tested it natively"; exit 0 ;;
    *) fail "cross-building needs an x86_64 Debian machine" ;;
esac
[ -z "$x86_build" ] || [ -x "$x86_build/tests/ravelle-replay-serial" ] ||
    { echo "no built replay in $x86_build/tests"; exit 2; }

out=$PWD/build/aarch64
sysroot=${RAVELLE_CACHE:-$PWD/build}/aarch64/sysroot
mkdir -p "$out"
# The arm64 development packages the build links against; their dependencies come too.
arm64_packages=(libhwy-dev libgtest-dev libpng-dev freeglut3-dev libgl-dev)
scripts/install-deps.sh --only cmake g++-aarch64-linux-gnu libgomp1-arm64-cross qemu-user

# --- The arm64 libraries, downloaded by an apt whose only architecture is arm64.
source scripts/lib/debian-archive.sh
apt_root=$sysroot.apt
cleanup() { rm -rf "$apt_root" "$sysroot.new"; }
trap cleanup EXIT

stage=$SECONDS
stamp="${arm64_packages[*]}"
if [ "$(cat "$sysroot/.packages" 2>/dev/null)" != "$stamp" ]; then
    echo "== aarch64: downloading and unpacking arm64 packages: $stamp"
    cleanup
    mkdir -p "$sysroot.new"
    debian_apt_begin "$apt_root" deb -o APT::Architecture=arm64 -o APT::Architectures=arm64 \
        -o APT::Install-Recommends=false -o APT::Install-Suggests=false
    debian_apt install --download-only -y "${arm64_packages[@]/%/:arm64}" \
        >"$out/apt-download.log" 2>&1 || { cat "$out/apt-download.log"; exit 1; }
    for deb in "$apt_root"/archives/*.deb; do
        package=$(dpkg-deb -f "$deb" Package)
        # The C library, libstdc++, libgcc and libgomp are the cross toolchain's own
        # (package-arm64-cross); a second copy of their headers would shadow its.
        case $package in gcc-*-base | libc-dev-bin) continue ;; esac
        dpkg-query -W -f='${Status}' "$package-arm64-cross" 2>/dev/null |
            grep -q "install ok installed" && continue
        dpkg-deb -x "$deb" "$sysroot.new"
    done
    # Development symlinks such as libz.so point at absolute paths on an arm64 machine;
    # point them into the folder instead.
    while IFS= read -r -d '' link; do
        ln -sfnr "$sysroot.new$(readlink "$link")" "$link"
    done < <(find "$sysroot.new" -type l -lname '/*' -print0)
    echo "$stamp" >"$sysroot.new/.packages"
    rm -rf "$sysroot"
    mv "$sysroot.new" "$sysroot"
    echo "   arm64 packages: $((SECONDS - stage)) s"
fi
$sysroot_only && exit 0

# --- The cross build: the aarch64 preset on the unpacked libraries.
echo "== aarch64: cross-building"
stage=$SECONDS
cmake --preset aarch64 -DRAVELLE_AARCH64_SYSROOT="$sysroot" >"$out/configure.log" 2>&1 ||
    { cat "$out/configure.log"; exit 1; }
nice -n 10 cmake --build --preset aarch64 -j 2
echo "   cross build: $((SECONDS - stage)) s"

# --- Both builds' unit tests on each emulated processor, and the replays.
echo "== aarch64: unit tests on a Cortex-A72 and on SVE2 processors, replays"
stage=$SECONDS
ctest --preset aarch64 -L aarch64 -j 2 >"$out/ctest.log" 2>&1 ||
    { cat "$out/ctest.log"; fail "tests failed"; }
# What each processor offered and what its tests ran on.
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 } /^(sve-bits=|\[  PASSED  \])/ { print "   " name ": " $0 }' \
    "$out/build/Testing/Temporary/LastTest.log" | sort
echo "   $(grep -oE '[0-9]+% tests passed.*' "$out/ctest.log"), $((SECONDS - stage)) s"
if [ -n "$x86_build" ]; then
    "$x86_build/tests/ravelle-replay-serial" 600 2024 "$out/replay-x86.bin"
    cmp "$out/replay-x86.bin" "$out/build/tests/replay/serial.bin"
    echo "   the replay is byte-identical to $x86_build's"
fi
echo "aarch64: all passed"
