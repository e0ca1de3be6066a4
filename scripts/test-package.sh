#!/usr/bin/env bash
# Ravelle's Debian packages where only real packages and apt can tell (ctest's label output checks
# the installed files and the launcher): lintian; the amd64 package installed with apt-get, its
# programs through the real-window tests, then purged leaving no file (whatever happens); the
# arm64 package against the amd64 one. Usage: scripts/test-package.sh [BUILD]
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
source "$(dirname "$0")/lib/installed-window-tests.sh"
cd "$(dirname "$0")/.."
build=${1:-build/ci}
for test in ravelle-e2e ravelle-e2e-serial; do
    [ -x "$build/tests/e2e/$test" ] || { echo "package: no built $test in $build/tests/e2e"; exit 2; }
done
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=900)
[ "$(id -u)" -ne 0 ] && apt=(sudo "${apt[@]}")

fail_name=package
# quiet LOG MESSAGE COMMAND...: COMMAND's output in LOG, shown, and MESSAGE, if it fails.
quiet() { "${@:3}" >"$1" 2>&1 || { cat "$1"; fail "$2"; }; }
# Installed, or purged but for its configuration files (unknown to dpkg-query: not installed).
installed() { dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -vxq not-installed; }

installed ravelle && fail "ravelle is already installed here; the test installs and purges its own"
work=$(mktemp -d)
pulled=()  # packages the installation added, purged with ravelle
cleanup() {
    if installed ravelle; then
        echo "== package: purging ravelle ${pulled[*]}"
        "${apt[@]}" purge ravelle "${pulled[@]}" >"$work/purge.log" 2>&1 || cat "$work/purge.log"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== package: building the amd64 and arm64 packages"
stage=$SECONDS
quiet "$work/build-amd64.log" "scripts/build-deb.sh fails" scripts/build-deb.sh
quiet "$work/build-arm64.log" "scripts/build-deb.sh --arm64 fails" scripts/build-deb.sh --arm64
amd64=$(tail -1 "$work/build-amd64.log")
arm64=$(tail -1 "$work/build-arm64.log")
echo "   $(basename "$amd64") ($(stat -c %s "$amd64") bytes), $(basename "$arm64")" \
    "($(stat -c %s "$arm64") bytes): $((SECONDS - stage)) s"

echo "== package: lintian"  # informational notes are shown; a warning or an error fails
for deb in "$amd64" "$arm64"; do
    status=0
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 || status=$?
    # (grep fails when lintian said nothing else; lintian's own status is judged below.)
    grep -v 'root privileges' "$work/lintian.log" || true
    [ $status -eq 0 ] || fail "lintian finds fault with $(basename "$deb")"
    echo "   $(basename "$deb"): no warning or error"
done

echo "== package: installing $(basename "$amd64") with apt-get"
stage=$SECONDS
deb=$work/$(basename "$amd64")
cp "$amd64" "$deb"
quiet "$work/simulate.log" "apt cannot install $(basename "$deb") (above)" \
    "${apt[@]}" install -s "$deb"
# (grep fails when apt pulls nothing but ravelle itself: then none are pulled.)
mapfile -t pulled < <(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$work/simulate.log" |
    grep -vx ravelle || true)
quiet "$work/install.log" "apt-get install fails (above)" "${apt[@]}" install "$deb"
echo "   installed, pulling ${#pulled[@]} more package(s)${pulled[*]/#/ }: $((SECONDS - stage)) s"
for program in ravelle ravelle-serial; do
    [ "$(command -v $program)" = /usr/bin/$program ] || fail "$program is not /usr/bin/$program"
    man -w $program >/dev/null 2>&1 || fail "no manual page for $program"
done

echo "== package: the installed programs in Xvfb"
stage=$SECONDS
installed_window_tests "$build/tests/e2e" "$work"
echo "   $((SECONDS - stage)) s"

echo "== package: purging"
dpkg -L ravelle >"$work/files"
quiet "$work/purge.log" "apt-get purge fails (above)" "${apt[@]}" purge ravelle "${pulled[@]}"
installed ravelle && fail "ravelle is still known to dpkg after the purge"
left=()  # every file, and the package's own folders
while IFS= read -r path; do
    [[ -e $path && (! -d $path || $path == /usr/libexec/ravelle || $path == /usr/share/doc/ravelle) ]] &&
        left+=("$path")
done < <(printf '%s\n' /usr/libexec/ravelle /usr/share/doc/ravelle | sort -u - "$work/files")
[ ${#left[@]} -eq 0 ] || fail "left behind after the purge: ${left[*]}"
echo "   $(grep -c . "$work/files") paths installed, none left"

echo "== package: the arm64 package: the same files, AArch64 programs, the amd64 one's Depends"
python3 tests/output/compare_packages.py "$amd64" "$arm64" | sed 's/^/   /' ||
    fail "the arm64 package is not the amd64 one's counterpart (above)"
echo "package: all passed"
