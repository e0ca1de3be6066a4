#!/usr/bin/env bash
# Cross-builds the kernels, the unit tests, the replay and both programs for 64-bit ARM with
# Debian's cross compiler, then runs the tests under qemu-aarch64: as a NEON-only processor,
# and as an SVE2 processor at vector lengths of 128, 256, 512 and 2048 bits.
# Usage: scripts/test-aarch64.sh [X86_BUILD]   (as root, or with sudo, when packages are
# missing). X86_BUILD, a built x86 build folder such as build/ci, adds a check that its
# replay gives the same bytes as the aarch64 one.
# scripts/test-aarch64.sh --sysroot-only installs the cross tools and unpacks the arm64
# libraries, and stops there (scripts/build-deb.sh --arm64 builds the package with them).
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
sysroot_only=false
if [ "${1:-}" = --sysroot-only ]; then
    sysroot_only=true
    shift
fi
x86_build=${1:-}
case $(uname -m) in
    x86_64) ;;
    aarch64)
        echo "aarch64: this is an ARM machine; the ctest run has tested on it natively"
        exit 0 ;;
    *) echo "aarch64: cross-building needs an x86_64 Debian machine"; exit 1 ;;
esac
[ -z "$x86_build" ] || [ -x "$x86_build/tests/ravelle-replay-serial" ] ||
    { echo "no built replay in $x86_build/tests"; exit 2; }

out=$PWD/build/aarch64
# RAVELLE_CACHE=DIR takes the arm64 libraries from DIR/aarch64/sysroot instead, so that
# several checkouts share one download of them.
sysroot=${RAVELLE_CACHE:-$PWD/build}/aarch64/sysroot
mkdir -p "$out"
# The arm64 development packages the build links against; their dependencies come too.
arm64_packages=(libhwy-dev libgtest-dev libpng-dev freeglut3-dev libgl-dev)


# --- The host's tools: cross compiler (with its OpenMP runtime) and the user-mode emulator.
scripts/install-deps.sh --only cmake g++-aarch64-linux-gnu libgomp1-arm64-cross qemu-user

# --- The arm64 libraries, unpacked into a folder of their own. apt resolves and downloads
# them through a private state whose only architecture is arm64.
# shellcheck source=scripts/lib/debian-archive.sh
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
    rm -rf "$apt_root"
    echo "   arm64 packages: $((SECONDS - stage)) s"
fi
$sysroot_only && exit 0

# --- The cross build: the aarch64 preset (warnings are errors; no benchmark, no picture
# generator; the programs, the unit tests and the replays) on the unpacked libraries.
echo "== aarch64: cross-building"
stage=$SECONDS
cmake --preset aarch64 -DRAVELLE_AARCH64_SYSROOT="$sysroot" >"$out/configure.log" 2>&1 ||
    { cat "$out/configure.log"; exit 1; }
nice -n 10 cmake --build --preset aarch64 -j 2
for program in ravelle ravelle-serial; do
    aarch64-linux-gnu-readelf -h "$out/build/$program" | grep -q 'Machine: *AArch64' ||
        { echo "$program was not built for aarch64"; exit 1; }
done

# The probe: what the emulated processor offers and what Highway makes of it.
cat >"$out/probe.cpp" <<'EOF'
// Prints the SVE vector length and the Highway targets this processor supports.
#include <sys/prctl.h>

#include <cstdint>
#include <cstdio>

#include <hwy/targets.h>

int main() {
    const int vl = prctl(PR_SVE_GET_VL);
    std::printf("sve-bits=%d targets=", vl < 0 ? 0 : (vl & PR_SVE_VL_LEN_MASK) * 8);
    const std::int64_t supported = hwy::SupportedTargets();
    for (int bit = 0; bit < 63; ++bit) {
        const std::int64_t target = std::int64_t{1} << bit;
        if ((supported & target) != 0) std::printf("%s ", hwy::TargetName(target));
    }
    std::printf("\n");
}
EOF
aarch64-linux-gnu-g++ -O1 -Wall -Werror -isystem "$sysroot/usr/include" "$out/probe.cpp" \
    -o "$out/probe" -L "$sysroot/usr/lib/aarch64-linux-gnu" -lhwy
echo "   cross build: $((SECONDS - stage)) s"

library_path=$sysroot/usr/lib/aarch64-linux-gnu:$sysroot/lib/aarch64-linux-gnu
tests=$out/build/tests

# Runs one aarch64 program on the named processor: on_cpu CPU [VAR=VALUE...] -- PROGRAM ARGS
on_cpu() {
    local cpu=$1 env=(-E "LD_LIBRARY_PATH=$library_path")
    shift
    while [ "$1" != -- ]; do env+=(-E "$1"); shift; done
    shift
    qemu-aarch64 -L /usr/aarch64-linux-gnu -cpu "$cpu" "${env[@]}" "$@"
}

# Runs the unit tests of both builds on one processor and names the Highway targets they
# ran: run_configuration NAME CPU SVE_BITS VECTOR_FAMILY [GTEST_FILTER]. Fails unless every
# test passes, the emulated vector length is the one asked for, and, once the tests name
# their targets, targets of VECTOR_FAMILY (NEON, SVE) were among them.
run_configuration() {
    local name=$1 cpu=$2 sve_bits=$3 family=$4 filter=${5:-*} probe log suite started
    local named target tested
    echo "== aarch64 $name (qemu-aarch64 -cpu $cpu)"
    probe=$(on_cpu "$cpu" -- "$out/probe")
    echo "   processor: $probe"
    [[ $probe == "sve-bits=$sve_bits "* ]] ||
        { echo "   expected an SVE vector length of $sve_bits bits"; return 1; }
    # Both builds' suites at once, since each spends most of its time on one thread; the
    # parallel build's threads sleep while they wait, as the installed program's do, so that
    # they do not spin against the other suite.
    started=$SECONDS
    local -A pids
    for suite in ravelle-tests ravelle-tests-serial; do
        on_cpu "$cpu" OMP_WAIT_POLICY=passive -- "$tests/$suite" --gtest_filter="$filter" \
            >"$out/$name.$suite.log" 2>&1 &
        pids[$suite]=$!
    done
    for suite in ravelle-tests ravelle-tests-serial; do
        log=$out/$name.$suite.log
        if ! wait "${pids[$suite]}"; then
            wait
            cat "$log"
            echo "   $suite failed on $name"
            return 1
        fi
        # Parameterised tests end in their parameter's name: keep those that are targets.
        named=$(grep -oE '^\[       OK \] [^ ]+' "$log" | sed 's|.*/||' | sort -u)
        tested=""
        for target in ${probe#*targets=}; do
            grep -qix -- "$target" <<<"$named" && tested+="$target "
        done
        echo "   $suite: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
            "tests passed (both suites $((SECONDS - started)) s); targets: ${tested:-none named}"
        if [ -n "$tested" ] && ! grep -qE "(^| )$family" <<<"$tested"; then
            wait
            echo "   no $family target was tested on $name"
            return 1
        fi
    done
}

stage=$SECONDS
run_configuration neon cortex-a72 0 NEON
# Tests on the targets that do not depend on the vector length have run above.
for bits in 128 256 512 2048; do
    run_configuration "sve-$bits" "max,sve-default-vector-length=$((bits / 8))" "$bits" SVE \
        '-*/NEON:*/EMU128:*/SCALAR'
done
echo "   unit tests: $((SECONDS - stage)) s"

# The cross-build replay: the serial build on the NEON processor and the parallel one on two
# threads of the SVE2 one give the same bytes, and the same as an x86 build when given one.
echo "== aarch64 replay (serial on cortex-a72 against 2 threads on max)"
stage=$SECONDS
on_cpu cortex-a72 -- "$tests/ravelle-replay-serial" 600 2024 "$out/replay-serial.bin"
on_cpu max OMP_NUM_THREADS=2 -- "$tests/ravelle-replay" 600 2024 "$out/replay-parallel.bin"
cmp "$out/replay-serial.bin" "$out/replay-parallel.bin"
if [ -n "$x86_build" ]; then
    "$x86_build/tests/ravelle-replay-serial" 600 2024 "$out/replay-x86.bin"
    cmp "$out/replay-x86.bin" "$out/replay-serial.bin"
    echo "   byte-identical to each other and to $x86_build, $((SECONDS - stage)) s"
else
    echo "   byte-identical, $((SECONDS - stage)) s"
fi
echo "aarch64: all passed"
