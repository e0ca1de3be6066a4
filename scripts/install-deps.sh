#!/usr/bin/env bash
# Installs the Debian packages Ravelle needs to build, run and test, skipping those already
# present: a set (run; release, what building the Debian packages adds; quick, what the build's
# own tests add, for scripts/test.sh --quick; test, everything, the default), or with --only the
# packages a stage script needs of its own. --list prints the set, one a line, and installs none.
# Usage: scripts/install-deps.sh [--list] [run|release|quick|test] | --only PACKAGE...
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named

list=0
[ "${1:-}" != --list ] || { list=1; shift; }
if [ "${1:-}" = --only ]; then
    shift
    need=("$@")
else
    set=${1:-test}
    case $set in
    run | release | quick | test) ;;
    *) echo "install-deps: no package set '$set' (run, release, quick or test)"; exit 2 ;;
    esac
    need=(cmake g++ make pkg-config freeglut3-dev libgl-dev libgl1-mesa-dri libpng-dev libhwy-dev
          libx11-dev)
    if [ "$set" != run ]; then
        # The Debian packages: CPack's DEB generator runs dpkg-shlibdeps and file.
        need+=(dpkg-dev file)
    fi
    if [ "$set" = quick ] || [ "$set" = test ]; then
        # Tests: GoogleTest, Google Benchmark, and a real X server with software OpenGL,
        # driven through Xlib with the XTest (pointer) and MIT-SHM (capture) extensions.
        need+=(libgtest-dev libbenchmark-dev xvfb xauth libxext-dev libxtst-dev)
        # A window manager, so the window can be minimised the way a desktop does it.
        need+=(openbox)
        # The README's animation (libwebp's encoder, muxer and decoder) and speed chart.
        need+=(libwebp-dev python3-matplotlib)
        # The third-party notices' test packs a zip; the clean-tree check asks git.
        need+=(zip git)
        # The installed files' tests: Debian's desktop-entry and metainfo checkers, readelf.
        need+=(desktop-file-utils appstream binutils)
    fi
    if [ "$set" = test ]; then
        # The package test: Debian's package checker.
        need+=(lintian)
        # Hardening: libFuzzer and the sanitizers with clang, OpenMP for clang, static analysis
        # of the C++ code and of the shell scripts.
        need+=(clang libclang-rt-dev libomp-dev clang-tidy clang-format cppcheck shellcheck)
    fi
fi
if [ $list -eq 1 ]; then
    printf '%s\n' "${need[@]}"
    exit 0
fi

missing=()
for package in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=900 "${missing[@]}"
