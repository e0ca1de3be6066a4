#!/usr/bin/env bash
# The browser build's tests: builds the page, the unit tests and the replay with Emscripten
# (scripts/build-web.sh), runs the unit tests on the WASM and EMU128 targets and the replay
# under Node through ctest, and the page in headless Chromium (tests/web). Usage:
# scripts/test-web.sh [LINUX_BUILD], where LINUX_BUILD (build/ci, say) adds a comparison of the
# replay's bytes (water, refracted picture, decoded picture) with that build's.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
linux_build=${1:-}
started=$SECONDS

# The browser and the DevTools client (Debian's Python module, hence /usr/bin/python3).
scripts/install-deps.sh --only chromium python3-websocket

scripts/build-web.sh --tests
export NODE_PATH=/usr/share/nodejs

# Unit tests and the replay under Node, the web test preset (the 100,000-step soak is left to
# the Linux builds).
echo "== web: unit tests and replay under Node"
stage=$SECONDS
out=build/web-build
ctest --preset web -j 2 >"$out/ctest.log" 2>&1 || { cat "$out/ctest.log"; exit 1; }
grep -E "tests passed" "$out/ctest.log" | sed 's/^/   /'
for target in WASM EMU128; do
    # (grep -c fails when it counts none; the count is judged on the next line.)
    count=$(ctest --test-dir "$out" -N -R "/$target( |$)" | grep -c "Test *#" || true)
    [ "$count" -gt 0 ] || { echo "   no unit test ran on $target"; exit 1; }
    echo "   $count kernel tests on $target"
done
if [ -n "$linux_build" ]; then
    # Fed the same drops (the replay's own rand(): each C library's differs), the browser
    # build gives the Linux build's water, picture and decoded picture.
    cmake --build "$linux_build" --target ravelle-replay-portable >/dev/null
    "$linux_build/tests/ravelle-replay-portable" 600 2024 "$out/replay-linux.bin"
    node --no-experimental-fetch "$out/tests/ravelle-replay-portable.js" 600 2024 \
        "$out/replay-web.bin"
    cmp "$out/replay-web.bin" "$out/replay-linux.bin"
    echo "   replay: byte-identical to $linux_build's (water, picture and decoded picture)"
fi
echo "   $((SECONDS - stage)) s"

echo "== web: the page in headless Chromium"
stage=$SECONDS
mkdir -p build/web-tests
/usr/bin/python3 -B tests/web/browser_test.py build/web --screenshot build/web-tests/page.png
echo "   $((SECONDS - stage)) s; the web stage took $((SECONDS - started)) s"
