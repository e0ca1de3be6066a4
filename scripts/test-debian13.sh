#!/usr/bin/env bash
# Ravelle on Debian 13, from this machine: in a brand-new Debian 13 chroot holding what the
# build and its tests need, the checkout's `scripts/test.sh --quick` in a user's plain
# environment; then, in another holding only the test tools, the amd64 package installed with
# apt, both installed programs through the real-window tests, and the package purged with every
# dependency it pulled, leaving no file behind. The chroots are kept as tarballs in build/debian13.
# Usage: scripts/test-debian13.sh   (as root, or with sudo when packages are missing)
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
# shellcheck source=scripts/lib/debian-chroot.sh
source "$(dirname "$0")/lib/debian-chroot.sh"
debian_chroot_begin debian13
started=$SECONDS
cache=$PWD/build/debian13
# With the repository itself, so that the run's last check can ask git what the run changed.
debian_chroot_source .git

mapfile -t packages < <(scripts/install-deps.sh --list quick)
debian_chroot_root "$cache/build" trixie apt "${packages[@]}"
debian_chroot_run trixie --customize-hook="tar-in $work/source.tar /root" <<'EOF' ||
cd /root/ravelle
echo "== debian13: scripts/test.sh --quick with $(g++ --version | head -n 1), $(cmake --version | head -n 1)"
# A user's login shell's variables, and no more.
quiet /tmp/quick.log "scripts/test.sh --quick fails on Debian 13 (above)" env -i HOME=/root \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 TERM=dumb USER=root LOGNAME=root \
    SHELL=/bin/bash scripts/test.sh --quick
grep -E '^== test.sh: |tests passed' /tmp/quick.log | sed 's/^/   /'
# The real-window tests, for the installed package's chroot, and the packages that hold the
# libraries they load.
cp build/ci/tests/e2e/ravelle-e2e build/ci/tests/e2e/ravelle-e2e-serial /tmp/out/
ldd /tmp/out/ravelle-e2e /tmp/out/ravelle-e2e-serial | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' |
    sort -u | xargs realpath | xargs dpkg -S | cut -d: -f1 | sort -u >/tmp/out/libraries
EOF
    fail "the build or its tests fail on Debian 13 (above)"

# The window-icon test compares with the committed icons at the path the tests were built with.
deb=$(scripts/build-deb.sh | tail -n 1)
[ -f "$deb" ] || fail "scripts/build-deb.sh made no package"
cp "$deb" "$work/out/ravelle.deb"
cp -r scripts/lib/installed-window-tests.sh packaging/icons "$work/out/"
debian_chroot_root "$cache/user" trixie apt
debian_chroot_run trixie --customize-hook="copy-in $work/out /tmp" <<'EOF' ||
apt() { quiet /tmp/apt.log "apt-get $* fails" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }
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
apt install --no-install-recommends xvfb xauth openbox $(cat /tmp/out/libraries)
# The caches the test tools' own triggers would otherwise make while the package is in.
fc-cache -s
mkdir -p /root/ravelle/packaging /tmp/logs /tmp/home
cp -r /tmp/out/icons /root/ravelle/packaging/
files >/tmp/before
echo "== debian13: installing ravelle $(dpkg-deb -f /tmp/out/ravelle.deb Version) with apt"
apt install /tmp/out/ravelle.deb
echo "   installed with $(dpkg -s ravelle | sed -n 's/^Depends: //p')"
for program in ravelle ravelle-serial; do
    [ "$(command -v $program)" = /usr/bin/$program ] || fail "$program is not /usr/bin/$program"
done
. /tmp/out/installed-window-tests.sh
# (mmdebstrap's copy-in keeps no modes.)
chmod +x /tmp/out/ravelle-e2e /tmp/out/ravelle-e2e-serial
# What the programs leave in their user's home (Mesa's shader cache, openbox's log) is the
# user's, not the package's: the tests' user has a home in /tmp, outside the comparison.
HOME=/tmp/home installed_window_tests /tmp/out /tmp/logs
echo "== debian13: purging ravelle and what it pulled"
apt purge --autoremove ravelle
dpkg-query -W ravelle >/dev/null 2>&1 && fail "ravelle is still known to dpkg after the purge"
files >/tmp/after
diff /tmp/before /tmp/after || fail "the purge leaves the files above changed"
echo "   purged; the system's files are as before the installation"
EOF
    fail "the installed package fails on Debian 13 (above)"
echo "debian13: all passed in $((SECONDS - started)) s"
