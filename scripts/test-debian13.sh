#!/usr/bin/env bash
# Ravelle on Debian 13, from this machine: in a brand-new Debian 13 chroot that holds what the
# build and its tests need, the checkout's `scripts/test.sh --quick` (the build with warnings
# as errors, and ctest) in a user's plain environment; then, in another brand-new Debian 13
# chroot that holds only the test tools, the amd64 package installed with apt as a user
# installs it, both installed programs through the real-window tests, and the package purged
# with every dependency it pulled, leaving no file behind.
# The chroots (scripts/lib/debian-chroot.sh) are kept as tarballs in build/debian13.
# Usage: scripts/test-debian13.sh   (as root, or with sudo when packages are missing)
# shellcheck disable=SC2016 # the $1 in single quotes is mmdebstrap's
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
# shellcheck source=scripts/lib/debian-chroot.sh
source "$(dirname "$0")/lib/debian-chroot.sh"
cd "$(dirname "$0")/.."
scripts/install-deps.sh --only mmdebstrap git
started=$SECONDS
suite=trixie
cache=$PWD/build/debian13

fail() {
    echo "debian13: $*"
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
# The checkout as it is: the files git tracks, as they are in the working tree, with the
# repository itself, so that the run's last check can ask git what the run changed.
git ls-files -z | while IFS= read -r -d '' file; do
    [ -e "$file" ] && printf '%s\0' "$file"
done | tar --null -T - --owner=0 --group=0 -cf "$work/source.tar"
tar --owner=0 --group=0 -rf "$work/source.tar" .git

# --- The build and its tests, in a Debian 13 chroot holding exactly the quick test set.
mapfile -t packages < <(scripts/install-deps.sh --list quick)
debian_chroot_root "$cache/build" "$suite" apt "${packages[@]}"
cat >"$work/build.sh" <<'EOF'
set -eu
mkdir /root/ravelle
tar -C /root/ravelle -xf /tmp/source.tar
cd /root/ravelle
echo "== debian13: scripts/test.sh --quick with $(g++ --version | head -n 1), $(cmake --version | head -n 1)"
# A user's login shell's variables, and no more.
if ! env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 TERM=dumb USER=root \
    LOGNAME=root SHELL=/bin/bash scripts/test.sh --quick >/tmp/quick.log 2>&1; then
    tail -n 120 /tmp/quick.log
    echo "debian13: scripts/test.sh --quick fails on Debian 13 (above)"
    exit 1
fi
grep -E '^== test.sh: |tests passed' /tmp/quick.log | sed 's/^/   /'
# The real-window tests, for the installed package's chroot, and the packages that hold the
# libraries they load.
mkdir /tmp/out
cp build/ci/tests/e2e/ravelle-e2e build/ci/tests/e2e/ravelle-e2e-serial /tmp/out/
ldd /tmp/out/ravelle-e2e /tmp/out/ravelle-e2e-serial | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' |
    sort -u | xargs realpath | xargs dpkg -S | cut -d: -f1 | sort -u >/tmp/out/libraries
EOF
phase=$SECONDS
debian_chroot_run "$suite" \
    --customize-hook="upload $work/source.tar /tmp/source.tar" \
    --customize-hook="upload $work/build.sh /tmp/build.sh" \
    --customize-hook='chroot "$1" bash /tmp/build.sh' \
    --customize-hook="download /tmp/out/ravelle-e2e $work/out/ravelle-e2e" \
    --customize-hook="download /tmp/out/ravelle-e2e-serial $work/out/ravelle-e2e-serial" \
    --customize-hook="download /tmp/out/libraries $work/out/libraries" ||
    fail "the build or its tests fail on Debian 13 (above)"
echo "   $((SECONDS - phase)) s"

# --- The package, installed into a brand-new Debian 13 chroot. The window-icon test compares
# with the committed icons at the path the tests were built with, so they are copied there.
deb=$(scripts/build-deb.sh | tail -n 1)
[ -f "$deb" ] || fail "scripts/build-deb.sh made no package"
cp "$deb" "$work/out/ravelle.deb"
debian_chroot_root "$cache/user" "$suite" apt
cat >"$work/install.sh" <<'EOF'
set -eu
fail() { echo "debian13: $*"; exit 1; }
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >>/tmp/apt.log 2>&1 || {
    tail -n 40 /tmp/apt.log; fail "apt-get $* fails"; }; }
# Every file the system holds but for the kernel's, apt's and dpkg's own records and caches.
files() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
        -o -path /var/cache/apt -o -path /var/lib/apt -o -path /var/lib/dpkg \
        -o -path /var/log -o -path /var/cache/debconf -o -path /var/cache/ldconfig \) -prune \
        -o -print | LC_ALL=C sort
}
echo "== debian13: the test tools: Xvfb, openbox and the real-window tests' libraries"
apt update
# shellcheck disable=SC2046 # one package a word
apt install --no-install-recommends xvfb xauth openbox $(cat /tmp/e2e/libraries)
# The caches the test tools' own triggers would otherwise make while the package is in.
fc-cache -s
files >/tmp/before
echo "== debian13: installing ravelle $(dpkg-deb -f /tmp/e2e/ravelle.deb Version) with apt"
apt install /tmp/e2e/ravelle.deb
echo "   installed with $(dpkg -s ravelle | sed -n 's/^Depends: //p')"
[ "$(command -v ravelle)" = /usr/bin/ravelle ] || fail "ravelle is not /usr/bin/ravelle"
[ "$(command -v ravelle-serial)" = /usr/bin/ravelle-serial ] ||
    fail "ravelle-serial is not /usr/bin/ravelle-serial"
. /tmp/installed-window-tests.sh
# (mmdebstrap's download and copy-in keep no modes.)
chmod +x /tmp/e2e/ravelle-e2e /tmp/e2e/ravelle-e2e-serial
mkdir /tmp/logs /tmp/home
# What the programs leave in their user's home (Mesa's shader cache, openbox's log) is the
# user's, not the package's: the tests' user has a home in /tmp, outside the comparison.
HOME=/tmp/home installed_window_tests /tmp/e2e /tmp/logs
echo "== debian13: purging ravelle and what it pulled"
apt purge --autoremove ravelle
dpkg-query -W ravelle >/dev/null 2>&1 && fail "ravelle is still known to dpkg after the purge"
files >/tmp/after
diff /tmp/before /tmp/after || fail "the purge leaves the files above changed"
echo "   purged; the system's files are as before the installation"
EOF
phase=$SECONDS
debian_chroot_run "$suite" \
    --customize-hook="copy-in $work/out /tmp" \
    --customize-hook='chroot "$1" mv /tmp/out /tmp/e2e' \
    --customize-hook="upload scripts/lib/installed-window-tests.sh /tmp/installed-window-tests.sh" \
    --customize-hook='chroot "$1" mkdir -p /root/ravelle/packaging' \
    --customize-hook="copy-in packaging/icons /root/ravelle/packaging" \
    --customize-hook="upload $work/install.sh /tmp/install.sh" \
    --customize-hook='chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash /tmp/install.sh' ||
    fail "the installed package fails on Debian 13 (above)"
echo "   $((SECONDS - phase)) s"
echo "debian13: all passed in $((SECONDS - started)) s"
