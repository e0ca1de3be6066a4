#!/usr/bin/env bash
# Which Debian source package scripts/lib/debian-archive.sh fetches, against a made-up archive:
# an apt-get stand-in answers from a table of suites, versions and whether the mirror has the
# version's files. The machine's release wins whenever one of its suites can give the
# package, even when the other release has a newer version; a missing update falls back to
# the release's own older version; only when the machine's release cannot give it at all does
# the other release's come, through the same mirrors with its suites, with one line saying so;
# and when neither can, the fetch stops naming the package.
# Usage: debian_archive_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The archive: "SUITE PACKAGE VERSION yes|no" (no: the mirror answers 404 for its files).
cat >"$work/archive" <<'EOF'
bookworm glutlib 3.2-2 yes
bookworm-updates glutlib 3.2-2+u1 no
trixie glutlib 3.4-4 no
bookworm pnglib 1.6.39-2 yes
trixie pnglib 1.6.48-1 yes
trixie-security pnglib 1.6.48-1+s6 no
bookworm hwylib 1.0-1 yes
trixie hwylib 1.2-2 yes
trixie gonelib 1.0-1 no
EOF

# apt-get: indextargets lists the machine's mirrors; update succeeds; source PACKAGE[/SUITE]
# takes the newest version of the suites in the state's sources list (or that suite's), and
# unpacks it (a .dsc and a tree) or fails as apt does on a 404.
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
set -eu
list='' args=()
while [ $# -gt 0 ]; do
    case $1 in
        -o) [[ $2 != Dir::Etc::SourceList=* ]] || list=${2#*=}; shift 2 ;;
        -*) shift ;;
        *) args+=("$1"); shift ;;
    esac
done
set -- "${args[@]}"
command=$1
shift
case $command in
    indextargets) echo "$FAKE_MIRRORS"; exit 0 ;;
    update) exit 0 ;;
    source) ;;
    *) echo "fake apt-get: unexpected $command"; exit 2 ;;
esac
package=${1%/*} suite=''
[[ $1 == */* ]] && suite=${1#*/}
best='' best_line=''
while read -r type uri release component; do
    [ -z "$suite" ] || [ "$release" = "$suite" ] || continue
    while read -r s p v have; do
        [ "$s" = "$release" ] && [ "$p" = "$package" ] || continue
        if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then
            best=$v best_line="$s $p $v $have $uri"
        fi
    done <"$FAKE_ARCHIVE"
done <"$list"
[ -n "$best" ] || { echo "E: Unable to find a source package for $1"; exit 100; }
read -r s p v have uri <<<"$best_line"
echo "$uri $s $p $v" >>"$FAKE_ARCHIVE.asked"
[ "$have" = yes ] || { echo "E: Failed to fetch $uri/${p}_$v.dsc  404  Not Found"; exit 100; }
: >"${p}_$v.dsc"
mkdir "$p-${v%-*}"
echo "$s" >"$p-${v%-*}/suite"
EOF
chmod +x "$work/bin/apt-get"
export PATH=$work/bin:$PATH FAKE_ARCHIVE=$work/archive

# fetch RELEASE PACKAGE: fetches PACKAGE on a machine of RELEASE, whose mirrors are the
# release's three suites on two hosts; prints what the fetcher said, then "VERSION SUITE
# FROM" (FROM: the other release's name when it gave the sources, else "own").
fetch() {
    local release=$1 package=$2
    printf 'VERSION_CODENAME=%s\n' "$release" >"$work/os-release"
    rm -rf "$work/apt" "$work/dest"
    (
        export FAKE_MIRRORS="http://mirror/debian $release
http://mirror/debian $release-updates
http://security/debian-security $release-security"
        debian_os_release=$work/os-release
        # shellcheck source=scripts/lib/debian-archive.sh
        source "$source_dir/scripts/lib/debian-archive.sh"
        debian_apt_begin "$work/apt" deb-src
        debian_fetch_source "$package" "$work/dest"
        echo "$debian_source_version $(cat "$debian_source_tree/suite") ${debian_source_fallback:-own}"
    )
}

# On Debian 12: its own version even though Debian 13's is newer, and no line about it.
out=$(fetch bookworm hwylib) || fail "hwylib on bookworm: $out"
[ "$out" = "hwylib_1.0-1 bookworm own" ] || fail "hwylib on bookworm gave: $out"
# An update whose files are missing: the release's own older version, not the other's.
out=$(fetch bookworm glutlib) || fail "glutlib on bookworm: $out"
[ "$out" = "glutlib_3.2-2 bookworm own" ] || fail "glutlib on bookworm gave: $out"
out=$(fetch trixie pnglib) || fail "pnglib on trixie: $out"
[ "$out" = "pnglib_1.6.48-1 trixie own" ] || fail "pnglib on trixie gave: $out"

# On Debian 13, glutlib's files are missing: Debian 12's newest that the mirror has, asked for
# on the same host with Debian 12's suites, and one line naming it.
: >"$work/archive.asked"
out=$(fetch trixie glutlib) || fail "glutlib on trixie: $out"
[ "$(tail -n 1 <<<"$out")" = "glutlib_3.2-2 bookworm bookworm" ] || fail "glutlib on trixie gave: $out"
[ "$(head -n -1 <<<"$out")" = "   glutlib: the mirrors cannot give trixie's sources; using bookworm's glutlib_3.2-2" ] ||
    fail "glutlib on trixie said: $out"
grep -qx 'http://mirror/debian bookworm-updates glutlib 3.2-2+u1' "$work/archive.asked" ||
    fail "Debian 12's update was not tried first: $(cat "$work/archive.asked")"

# Neither release can give it: the fetch stops, naming the package.
status=0
out=$(fetch trixie gonelib 2>&1) || status=$?
[ $status -ne 0 ] || fail "gonelib on trixie succeeded: $out"
grep -q 'gave the sources of gonelib$' <<<"$out" || fail "gonelib's failure said: $out"
# On a release with no supported partner, nothing is tried beyond its own suites.
status=0
out=$(fetch forky glutlib 2>&1) || status=$?
if [ $status -eq 0 ] || grep -q using <<<"$out"; then fail "glutlib on forky: $out"; fi
echo "debian-archive: all passed"
