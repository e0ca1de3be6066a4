#!/usr/bin/env bash
# Ravelle built as a packager does (-DBUILD_TESTING=OFF) in a Debian 12 chroot holding only the
# README's "What it needs", installed into a prefix holding tests/output/installed-files.txt, run
# there without a display; asking for the tests or the benchmark stops naming their packages.
# The chroot is kept in build/packager.
# Usage: scripts/test-packager-build.sh   (as root, or with sudo when packages are missing)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
source "$(dirname "$0")/lib/debian-chroot.sh"
debian_chroot_begin packager
started=$SECONDS

debian_chroot_source
debian_chroot_run "$PWD/build/packager" bookworm essential \
    cmake,make,g++,pkg-config,freeglut3-dev,libgl-dev,libpng-dev,libhwy-dev,libx11-dev \
    --customize-hook="tar-in $work/source.tar /root" <<'EOF' ||
cd /root/ravelle
echo "== packager: configure, build and install with -DBUILD_TESTING=OFF"
stage=$(date +%s)
quiet /tmp/configure.log "the packager's configure fails" cmake -S . -B build -DBUILD_TESTING=OFF
quiet /tmp/build.log "the packager's build fails" nice -n 10 cmake --build build --parallel 2
quiet /tmp/install.log "the packager's install fails" cmake --install build --prefix /tmp/prefix
times >/tmp/times  # on a busy machine the wall time says little
echo "   $(($(date +%s) - stage)) s; processor time (user, system): $(tail -n 1 /tmp/times)"
cd /tmp/prefix
find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort >/tmp/installed
diff /root/ravelle/tests/output/installed-files.txt /tmp/installed ||
    fail "the prefix holds other files than tests/output/installed-files.txt"
# Both programs (ravelle, the script, finds its program under libexec) stop with no display.
for program in ravelle ravelle-serial; do
    status=0
    env -u DISPLAY "bin/$program" >/tmp/run.log 2>&1 || status=$?
    [ $status -eq 1 ] && grep -qx 'ravelle: failed to open display.*' /tmp/run.log ||
        { cat /tmp/run.log; fail "the installed $program does not run (status $status)"; }
done
echo "   $(wc -l </tmp/installed) files installed; both programs start"

# The tests or the benchmark asked for without their packages: one stop, with a line for each
# part asked for that names what it lacks: expect_stop COUNT PATTERN... CMAKE_OPTIONS...
cd /root/ravelle
expect_stop() {
    local count=$1 pattern
    rm -rf /tmp/asked
    cmake -S . -B /tmp/asked "${@:count+2}" >/tmp/asked.log 2>&1 &&
        fail "configure with ${*:count+2} succeeds without the packages it needs"
    for pattern in "${@:2:count}"; do
        [ "$(grep -c '^ *ravelle: ' /tmp/asked.log)" = "$count" ] &&
            [ "$(grep -c '^CMake Error' /tmp/asked.log)" = 1 ] && grep -qE "^ *$pattern\$" /tmp/asked.log || {
            cat /tmp/asked.log
            fail "configure with ${*:count+2} does not stop with $count lines, one matching: $pattern"
        }
    done
    sed -n 's/^ *\(ravelle: .*\)/   with '"${*:count+2}"': \1/p' /tmp/asked.log
}
echo "== packager: the tests and the benchmark asked for without their packages"
gtest='ravelle: the tests need GoogleTest: apt install libgtest-dev, or configure with -DBUILD_TESTING=OFF'
expect_stop 1 "$gtest" -DBUILD_TESTING=ON
expect_stop 2 "$gtest" \
    'ravelle: the real-window tests need .*: apt install xvfb openbox .*libxtst-dev.*, or configure with -DRAVELLE_WINDOW_TESTS=OFF' \
    -DBUILD_TESTING=ON -DRAVELLE_WINDOW_TESTS=ON
expect_stop 1 'ravelle: the benchmark needs Google Benchmark: apt install libbenchmark-dev, or configure with -DRAVELLE_BUILD_BENCH=OFF' \
    -DBUILD_TESTING=OFF -DRAVELLE_BUILD_BENCH=ON
EOF
    fail "the packager's build fails (above)"
echo "packager: all passed in $((SECONDS - started)) s"
