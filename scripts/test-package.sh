#!/usr/bin/env bash
# Tests Ravelle's Debian packages the way a user meets them: lintian, the copyright file's
# licence compared with LICENSE, the menu entries and the software-centre description
# validated; the amd64 package installed with apt-get (which pulls its dependencies), both
# installed programs run in Xvfb by the real-window tests, the OpenMP wait policy the
# installed ravelle really runs with, then the package purged with no file left; the arm64
# package's architecture, contents and Depends checked with dpkg-deb.
# Usage: scripts/test-package.sh [BUILD]   (as root, or with sudo). BUILD is a built ci folder
# holding the real-window tests (default build/ci). The machine's package set is restored
# however the script ends.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
# shellcheck source=scripts/lib/installed-window-tests.sh
source "$(dirname "$0")/lib/installed-window-tests.sh"
cd "$(dirname "$0")/.."
build=${1:-build/ci}
for test in ravelle-e2e ravelle-e2e-serial; do
    [ -x "$build/tests/e2e/$test" ] || { echo "package: no built $test in $build/tests/e2e"; exit 2; }
done
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=900)
[ "$(id -u)" -ne 0 ] && apt=(sudo "${apt[@]}")

fail() {
    echo "package: $*"
    exit 1
}
# Installed, or purged but for its configuration files.
installed() {
    local status
    # dpkg-query fails for a package it has never heard of: that is "not installed" too.
    status=$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)
    [ -n "$status" ] && [ "$status" != not-installed ]
}

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

# --- The packages, built as scripts/release.sh builds them.
echo "== package: building the amd64 and arm64 packages"
stage=$SECONDS
scripts/build-deb.sh >"$work/build-amd64.log" 2>&1 || { cat "$work/build-amd64.log"; exit 1; }
scripts/build-deb.sh --arm64 >"$work/build-arm64.log" 2>&1 ||
    { cat "$work/build-arm64.log"; exit 1; }
amd64=$(tail -1 "$work/build-amd64.log")
arm64=$(tail -1 "$work/build-arm64.log")
echo "   $(basename "$amd64") ($(stat -c %s "$amd64") bytes), $(basename "$arm64")" \
    "($(stat -c %s "$arm64") bytes): $((SECONDS - stage)) s"

# --- Debian's own checks. Informational notes are shown; a warning or an error fails.
echo "== package: lintian"
for deb in "$amd64" "$arm64"; do
    status=0
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 || status=$?
    # (grep fails when lintian said nothing else; lintian's own status is judged below.)
    grep -v 'root privileges' "$work/lintian.log" || true
    [ $status -eq 0 ] || fail "lintian finds fault with $(basename "$deb")"
    echo "   $(basename "$deb"): no warning or error"
done
for arch in amd64 arm64; do
    deb=$amd64
    [ $arch = arm64 ] && deb=$arm64
    dpkg-deb -x "$deb" "$work/$arch"
    dpkg-deb -c "$deb" | awk '{print $1, $6}' | sort >"$work/$arch.contents"
done
root=$work/amd64
# The copyright file's Expat paragraph is the licence in LICENSE, word for word: a DEP-5
# paragraph indents each line by one space and writes an empty line as " .".
echo "== package: the copyright file's licence"
copyright=$root/usr/share/doc/ravelle/copyright
awk 'BEGIN { first = 1 } /^$/ { first = 1; inside = 0; next }
     first && /^License: Expat$/ { inside = 1; first = 0; next } { first = 0 }
     inside { sub(/^ /, ""); sub(/^\.$/, ""); print }' "$copyright" >"$work/expat"
sed -n '/^Permission is hereby granted/,$p' LICENSE >"$work/licence"
[ -s "$work/expat" ] || fail "the copyright file has no Expat licence paragraph"
diff "$work/licence" "$work/expat" || fail "the copyright file's Expat text is not LICENSE's"
grep -q '<project_license>MIT</project_license>' "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo names no MIT project licence"
echo "   Expat, as in LICENSE; the metainfo says MIT"
# That file is enough only while the libraries stay Debian's own shared ones, which carry
# their licences in their packages: a library linked in would need its notice here too.
for program in usr/libexec/ravelle/ravelle usr/bin/ravelle-serial; do
    for library in libglut.so libhwy.so libpng16.so; do
        LC_ALL=C readelf -d "$root/$program" | grep -q "(NEEDED).*\[$library\." ||
            fail "/$program does not load $library: linked in, it needs its notice"
    done
done
echo "   both programs load freeglut, Highway and libpng from Debian's packages"
echo "== package: desktop entries, metainfo, icons"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "$(basename "$entry") is not a valid desktop entry"
    # Every entry starts an installed program and shows an installed icon.
    exec_name=$(sed -n 's/^Exec=//p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -x "$root/usr/bin/$exec_name" ] || fail "$(basename "$entry") starts $exec_name, not installed"
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] ||
        fail "$(basename "$entry") shows icon $icon, not installed"
    echo "   $(basename "$entry"): $(sed -n 's/^Name=//p' "$entry"), starts $exec_name"
done
[ "$(find "$root/usr/share/applications" -maxdepth 1 -name '*.desktop' | wc -l)" = 2 ] ||
    fail "not two menu entries"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo file is not valid"
for icon in "$root"/usr/share/icons/hicolor/*/apps/*.png; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    file -b "$icon" | grep -q "^PNG image data, ${size/x/ x }, 8-bit/color RGBA" ||
        fail "$icon is not a $size RGBA PNG: $(file -b "$icon")"
done

# --- Installed as a user installs it; apt pulls whatever the Depends name that is missing.
echo "== package: installing $(basename "$amd64") with apt-get"
stage=$SECONDS
cp "$amd64" "$work/"
deb=$work/$(basename "$amd64")
"${apt[@]}" install -s "$deb" >"$work/simulate.log" 2>&1 ||
    { cat "$work/simulate.log"; fail "apt cannot install $(basename "$deb") (above)"; }
# (grep fails when apt pulls nothing but ravelle itself: then none are pulled.)
mapfile -t pulled < <(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$work/simulate.log" |
    grep -vx ravelle || true)
"${apt[@]}" install "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
echo "   installed, pulling ${#pulled[@]} more package(s)${pulled[*]/#/ }: $((SECONDS - stage)) s"
[ "$(command -v ravelle)" = /usr/bin/ravelle ] || fail "ravelle is not /usr/bin/ravelle"
[ "$(command -v ravelle-serial)" = /usr/bin/ravelle-serial ] ||
    fail "ravelle-serial is not /usr/bin/ravelle-serial"
for page in ravelle ravelle-serial; do
    man -w "$page" >/dev/null 2>&1 || fail "no manual page for $page"
done

# --- The installed programs in real windows (scripts/lib/installed-window-tests.sh).
echo "== package: the installed programs in Xvfb"
stage=$SECONDS
installed_window_tests "$build/tests/e2e" "$work" || exit 1

# --- The wait policy the OpenMP runtime inside the installed ravelle reports
# (OMP_DISPLAY_ENV) as it starts: "OMP_WAIT_POLICY=... GOMP_SPINCOUNT=...". From GCC 13 the
# runtime puts the device the line is for first ("[host] OMP_WAIT_POLICY = ...").
omp_settings() {
    sed -n "s/^ *\(\[[a-z]*\] \)\?\(OMP_WAIT_POLICY\|GOMP_SPINCOUNT\) = '\(.*\)'$/\2=\3/p" |
        tr '\n' ' '
}
# In a real window, started with neither variable set: passive, no spinning at all.
log=$work/e2e-wait.log
env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT OMP_DISPLAY_ENV=verbose \
    RAVELLE_E2E_COMMAND=/usr/bin/ravelle "$build/tests/e2e/ravelle-e2e" \
    --gtest_filter=ProgramWindow.OpensTitledThenReportsStatistics >"$log" 2>&1 ||
    { cat "$log"; fail "/usr/bin/ravelle fails with OMP_DISPLAY_ENV set"; }
settings=$(omp_settings <"$log")
[ "$settings" = "OMP_WAIT_POLICY=PASSIVE GOMP_SPINCOUNT=0 " ] ||
    fail "the installed ravelle runs with '$settings', not passive"
echo "   /usr/bin/ravelle in its window: $settings"
# A policy the user chose is kept (without a display the program stops after one line, but
# the runtime has started and reported by then).
check_kept() {
    local expected=$1 output status=0 settings
    shift
    output=$(env -u DISPLAY -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT OMP_DISPLAY_ENV=verbose "$@" \
        /usr/bin/ravelle 2>&1) || status=$?
    [ $status -eq 1 ] || fail "with $*, the installed ravelle without a display ended with status $status, not 1"
    settings=$(omp_settings <<<"$output")
    [[ $settings == *"$expected"* ]] || fail "with $*, the installed ravelle runs with '$settings'"
    echo "   /usr/bin/ravelle with $*: $settings"
}
check_kept OMP_WAIT_POLICY=ACTIVE OMP_WAIT_POLICY=active
check_kept GOMP_SPINCOUNT=12345 GOMP_SPINCOUNT=12345
# The serial program has no OpenMP runtime to tell.
LC_ALL=C readelf -d /usr/bin/ravelle-serial | grep -q 'NEEDED.*libgomp' &&
    fail "/usr/bin/ravelle-serial loads the OpenMP runtime"
echo "   $((SECONDS - stage)) s"

# --- Purged: the package and every file it installed are gone.
echo "== package: purging"
dpkg -L ravelle >"$work/files"
"${apt[@]}" purge ravelle "${pulled[@]}" >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; exit 1; }
installed ravelle && fail "ravelle is still known to dpkg after the purge"
left=()
while IFS= read -r path; do
    [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done <"$work/files"
for folder in /usr/libexec/ravelle /usr/share/doc/ravelle; do
    [ -e "$folder" ] && left+=("$folder")
done
[ ${#left[@]} -eq 0 ] || fail "left behind after the purge: ${left[*]}"
echo "   $(grep -c . "$work/files") paths installed, none left"

# --- The arm64 package: the same files, AArch64 programs, the amd64 package's Depends.
echo "== package: the arm64 package"
[ "$(dpkg-deb -f "$arm64" Architecture)" = arm64 ] || fail "$(basename "$arm64") is not arm64"
for field in Package Version Depends Section Maintainer Homepage; do
    [ "$(dpkg-deb -f "$arm64" "$field")" = "$(dpkg-deb -f "$amd64" "$field")" ] ||
        fail "the arm64 package's $field differs from the amd64 one's"
done
diff "$work/amd64.contents" "$work/arm64.contents" || fail "the packages hold different files"
for program in usr/bin/ravelle-serial usr/libexec/ravelle/ravelle; do
    LC_ALL=C readelf -h "$work/arm64/$program" | grep -q 'Machine: *AArch64' ||
        fail "/$program in the arm64 package is not an AArch64 program"
done
echo "   Depends: $(dpkg-deb -f "$arm64" Depends)"
echo "package: all passed"
