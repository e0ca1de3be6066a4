#!/usr/bin/env bash
# Builds Ravelle as a distribution's packager does, in a Debian 12 chroot that holds only the
# program's own build dependencies: configured with -DBUILD_TESTING=OFF, built, installed into
# a prefix, and the prefix checked for both programs (the installed ravelle run without a
# display), the menu entries, the icons, the metainfo, the manual pages and the copyright
# file, and nothing else. In the same chroot, configuring with the tests on, or with the
# benchmark asked for, must stop with one line naming the Debian packages to install.
# The chroot (scripts/lib/debian-chroot.sh) is kept as a tarball in build/packager.
# Usage: scripts/test-packager-build.sh   (as root, or with sudo when packages are missing)
# shellcheck disable=SC2016 # the $(...) and $1 in single quotes are apt's and mmdebstrap's
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
# shellcheck source=scripts/lib/debian-chroot.sh
source "$(dirname "$0")/lib/debian-chroot.sh"
cd "$(dirname "$0")/.."
scripts/install-deps.sh --only mmdebstrap git
started=$SECONDS

# Exactly what a packager's build needs, as the README's "What it needs" lists it.
packages=(cmake make g++ pkg-config freeglut3-dev libgl-dev libpng-dev libhwy-dev libx11-dev)
suite=bookworm

fail() {
    echo "packager: $*"
    exit 1
}

# --- The chroot, made once per package list and set of mirrors.
debian_chroot_root "$PWD/build/packager" "$suite" essential "${packages[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The source as a packager gets it: the files git tracks, as they are in the working tree.
git ls-files -z | while IFS= read -r -d '' file; do
    [ -e "$file" ] && printf '%s\0' "$file"
done | tar --null -T - -cf "$work/source.tar"

# --- What runs inside the chroot, as root in /tmp.
cat >"$work/inside.sh" <<'EOF'
set -eu
fail() { echo "packager: $*"; exit 1; }
mkdir /tmp/ravelle
tar -C /tmp/ravelle -xf /tmp/source.tar
cd /tmp/ravelle
echo "== packager: configure, build and install with -DBUILD_TESTING=OFF"
stage=$(date +%s)
cmake -S . -B build -DBUILD_TESTING=OFF >/tmp/configure.log 2>&1 ||
    { cat /tmp/configure.log; fail "the packager's configure fails"; }
nice -n 10 cmake --build build --parallel 2 >/tmp/build.log 2>&1 ||
    { tail -n 40 /tmp/build.log; fail "the packager's build fails"; }
cmake --install build --prefix /tmp/prefix >/tmp/install.log 2>&1 ||
    { cat /tmp/install.log; fail "the packager's install fails"; }
# The processor time too: on a busy machine the wall time says little.
times >/tmp/times
echo "   $(($(date +%s) - stage)) s; processor time (user, system): $(tail -n 1 /tmp/times)"

# Everything the prefix holds, and nothing more: no test program, benchmark or tool.
cd /tmp/prefix
find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort >/tmp/installed
cat >/tmp/expected <<'LIST'
bin/ravelle
bin/ravelle-serial
libexec/ravelle/ravelle
share/applications/org.ravelle.Ravelle.Serial.desktop
share/applications/org.ravelle.Ravelle.desktop
share/doc/ravelle/changelog.gz
share/doc/ravelle/copyright
share/icons/hicolor/128x128/apps/org.ravelle.Ravelle.png
share/icons/hicolor/16x16/apps/org.ravelle.Ravelle.png
share/icons/hicolor/24x24/apps/org.ravelle.Ravelle.png
share/icons/hicolor/256x256/apps/org.ravelle.Ravelle.png
share/icons/hicolor/32x32/apps/org.ravelle.Ravelle.png
share/icons/hicolor/48x48/apps/org.ravelle.Ravelle.png
share/icons/hicolor/64x64/apps/org.ravelle.Ravelle.png
share/man/man1/ravelle-serial.1.gz
share/man/man1/ravelle.1.gz
share/metainfo/org.ravelle.Ravelle.metainfo.xml
LIST
diff /tmp/expected /tmp/installed || fail "the prefix holds other files than those above"
grep -q '<project_license>MIT</project_license>' share/metainfo/org.ravelle.Ravelle.metainfo.xml ||
    fail "the installed metainfo names no MIT licence"
grep -q '^License: Expat$' share/doc/ravelle/copyright || fail "the installed copyright is not Expat"
# Both programs start from the prefix (the script finds the program under libexec) and, with
# no display, stop with their one line.
for program in ravelle ravelle-serial; do
    status=0
    env -u DISPLAY "bin/$program" >/tmp/run.log 2>&1 || status=$?
    [ $status -eq 1 ] && grep -qx 'ravelle: failed to open display.*' /tmp/run.log ||
        { cat /tmp/run.log; fail "the installed $program does not run (status $status)"; }
done
echo "   $(wc -l </tmp/installed) files installed; both programs start"

# Asking for the tests or the benchmark without their packages: one stop, with a line for each
# part asked for that names what it lacks.
cd /tmp/ravelle
expect_stop() {  # COUNT PATTERN... CMAKE_OPTIONS...: COUNT lines, matching the PATTERNs
    local count=$1 patterns=() pattern
    shift
    patterns=("${@:1:$count}")
    shift "$count"
    rm -rf /tmp/asked
    if cmake -S . -B /tmp/asked "$@" >/tmp/asked.log 2>&1; then
        fail "configure with $* succeeds without the packages it needs"
    fi
    # (grep -c fails when it counts none; the counts are judged below.)
    lines=$(grep -c '^ *ravelle: ' /tmp/asked.log || true)
    errors=$(grep -c '^CMake Error' /tmp/asked.log || true)
    for pattern in "${patterns[@]}"; do
        if [ "$lines" != "$count" ] || [ "$errors" != 1 ] || ! grep -qE "^ *$pattern\$" /tmp/asked.log; then
            cat /tmp/asked.log
            fail "configure with $* does not stop with $count lines, one matching: $pattern"
        fi
    done
    sed -n 's/^ *\(ravelle: .*\)/   with '"$*"': \1/p' /tmp/asked.log
}
echo "== packager: the tests and the benchmark asked for without their packages"
expect_stop 1 'ravelle: the tests need GoogleTest: apt install libgtest-dev, or configure with -DBUILD_TESTING=OFF' \
    -DBUILD_TESTING=ON
expect_stop 2 'ravelle: the tests need GoogleTest: apt install libgtest-dev, or configure with -DBUILD_TESTING=OFF' \
    'ravelle: the real-window tests need .*: apt install xvfb openbox .*libxtst-dev.*, or configure with -DRAVELLE_WINDOW_TESTS=OFF' \
    -DBUILD_TESTING=ON -DRAVELLE_WINDOW_TESTS=ON
expect_stop 1 'ravelle: the benchmark needs Google Benchmark: apt install libbenchmark-dev, or configure with -DRAVELLE_BUILD_BENCH=OFF' \
    -DBUILD_TESTING=OFF -DRAVELLE_BUILD_BENCH=ON
EOF

# --- A fresh chroot from the tarball for this run; mmdebstrap mounts /proc and /dev for the
# hooks and removes the chroot afterwards.
debian_chroot_run "$suite" \
    --customize-hook="upload $work/source.tar /tmp/source.tar" \
    --customize-hook="upload $work/inside.sh /tmp/inside.sh" \
    --customize-hook='chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash /tmp/inside.sh' ||
    fail "the packager's build fails (above)"
echo "packager: all passed in $((SECONDS - started)) s"
