#!/usr/bin/env bash
# Ravelle on Debian 13 (chroots kept in build/debian13): `scripts/test.sh --quick` as a user runs
# it, in one holding the quick test set; in one holding only the test tools, the amd64 package
# installed with apt, its programs in real windows, and purged with all it pulled, leaving no file.
# Usage: scripts/test-debian13.sh   (as root, or with sudo when packages are missing)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
source "$(dirname "$0")/lib/debian-chroot.sh"
debian_chroot_begin debian13
started=$SECONDS
# With the repository itself, so that the run's last check can ask git what the run changed.
debian_chroot_source .git

debian_chroot_run "$PWD/build/debian13/build" trixie apt "$(scripts/install-deps.sh --list quick | paste -sd,)" \
    --customize-hook="tar-in $work/source.tar /root" <<'EOF' ||
cd /root/ravelle
echo "== debian13: scripts/test.sh --quick with $(g++ --version | head -n 1), $(cmake --version | head -n 1)"
# A user's login shell's variables, and no more.
quiet /tmp/quick.log "scripts/test.sh --quick fails on Debian 13 (above)" env -i HOME=/root \
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 TERM=dumb USER=root LOGNAME=root \
    SHELL=/bin/bash scripts/test.sh --quick
grep -E '^== test.sh: |tests passed' /tmp/quick.log | sed 's/^/   /'
# The real-window tests for the package's chroot, and the packages of the libraries they load.
cp build/ci/tests/e2e/ravelle-e2e build/ci/tests/e2e/ravelle-e2e-serial /tmp/out/
ldd /tmp/out/ravelle-e2e /tmp/out/ravelle-e2e-serial | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' |
    sort -u | xargs realpath | xargs dpkg -S | cut -d: -f1 | sort -u >/tmp/out/libraries
EOF
    fail "the build or its tests fail on Debian 13 (above)"

# The window-icon test compares with the committed icons at the path the tests were built with.
cp "$(scripts/build-deb.sh | tail -n 1)" "$work/out/ravelle.deb"
cp -r scripts/lib/installed-window-tests.sh packaging/icons "$work/out/"
debian_chroot_run "$PWD/build/debian13/user" trixie apt '' --customize-hook="copy-in $work/out /tmp" <<'EOF' ||
apt() { quiet /tmp/apt.log "apt-get $* fails" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }
# Every file the system holds but for the kernel's, apt's and dpkg's own records and caches.
files() {
    find / -xdev -regextype egrep -regex \
        '/(proc|sys|dev|run|tmp|var/(cache/(apt|debconf|ldconfig)|lib/(apt|dpkg)|log))' -prune -o -print |
        LC_ALL=C sort
}
echo "== debian13: the test tools: Xvfb, openbox and the real-window tests' libraries"
apt update
apt install --no-install-recommends xvfb xauth openbox $(cat /tmp/out/libraries)
fc-cache -s  # the caches the tools' triggers would otherwise make while the package is in
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
chmod +x /tmp/out/ravelle-e2e /tmp/out/ravelle-e2e-serial  # mmdebstrap's copy-in keeps no modes
# The user's home (Mesa's shader cache, openbox's log: not the package's) is outside the comparison.
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
