# shellcheck shell=bash
# Throwaway Debian chroots made by mmdebstrap from this machine's mirrors, kept as tarballs keyed
# by release, variant, packages and mirrors, unpacked afresh for every run and removed after it.
source "$(dirname "${BASH_SOURCE[0]}")/debian-archive.sh"

# debian_chroot_begin NAME: to the checkout, mmdebstrap and git installed, $work and $work/out
# made (removed at exit); fail MESSAGE then says "NAME: MESSAGE" and ends the script.
debian_chroot_begin() {
    fail_name=$1
    cd "$(dirname "$0")/.." || exit
    scripts/install-deps.sh --only mmdebstrap git
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir "$work/out"
}

# debian_chroot_mirrors SUITE: debian_chroot_sources, the machine's mirrors of SUITE[-updates|
# -security], else those of its own release's (codename or stable) asked for SUITE's.
debian_chroot_mirrors() {
    local suite=$1 own pattern uri release
    own=$(debian_own_release)
    debian_chroot_sources=()
    for pattern in "$suite" ${own:+"$own|stable"}; do
        [ ${#debian_chroot_sources[@]} -eq 0 ] || break
        while read -r uri release; do
            [[ $release =~ ^($pattern)(-updates|-security)?$ ]] &&
                debian_chroot_sources+=("deb $uri $suite${BASH_REMATCH[2]} main")
        done < <(debian_mirrors)
    done
    [ ${#debian_chroot_sources[@]} -gt 0 ] ||
        fail "apt knows no package index to take $suite's mirrors from (apt-get update?)"
}

# debian_chroot_root CACHE SUITE VARIANT PACKAGES (comma-separated): debian_chroot_tar, made
# when missing, replacing one of another key; without device nodes (each run has its own /dev).
debian_chroot_root() {
    local cache=$1 suite=$2 variant=$3 packages=$4 key begun=$SECONDS
    debian_chroot_mirrors "$suite"
    key="$suite $variant ${packages//,/ } ${debian_chroot_sources[*]}"
    debian_chroot_tar=$cache/root-$(echo "$key" | md5sum | cut -c1-12).tar
    mkdir -p "$cache"
    [ -f "$debian_chroot_tar" ] && return 0
    echo "== $fail_name: making a $suite chroot ($variant${packages:+ with ${packages//,/ }})"
    rm -f "$cache"/root-*.tar
    mmdebstrap --variant="$variant" ${packages:+--include="$packages"} \
        --dpkgopt=force-unsafe-io "$suite" - "${debian_chroot_sources[@]}" \
        2>"$cache/mmdebstrap.log" | mmtarfilter --path-exclude='/dev/*' >"$debian_chroot_tar.new" ||
        { tail -n 30 "$cache/mmdebstrap.log"; rm -f "$debian_chroot_tar.new"
          fail "mmdebstrap could not make the $suite chroot (log: $cache/mmdebstrap.log)"; }
    mv "$debian_chroot_tar.new" "$debian_chroot_tar" || return
    echo "   $(basename "$debian_chroot_tar"): $(($(stat -c %s "$debian_chroot_tar") / 1048576))" \
        "MiB, $((SECONDS - begun)) s"
}

# debian_chroot_source [PATH...]: $work/source.tar, the files git tracks as in the working tree
# and PATHs, under ravelle/ (for a hook "tar-in $work/source.tar /root").
# shellcheck disable=SC2120 # the PATHs are optional
debian_chroot_source() {
    local tar=(tar --owner=0 --group=0 --transform='s|^|ravelle/|S' -f "$work/source.tar")
    git ls-files -z | while IFS= read -r -d '' file; do
        [ -e "$file" ] && printf '%s\0' "$file"
    done | "${tar[@]}" --null -T - -c
    [ $# -eq 0 ] || "${tar[@]}" -r "$@"
}

# debian_chroot_run CACHE SUITE VARIANT PACKAGES [HOOK...] <SCRIPT: in a fresh chroot of that
# tarball, the hooks, then SCRIPT as root in a plain environment with set -eu, fail and quiet
# LOG MESSAGE COMMAND...; SCRIPT's /tmp/out comes back in $work/out. Returns their failure.
# shellcheck disable=SC2016 # the $ in single quotes are the chroot's shell's and mmdebstrap's
debian_chroot_run() {
    local suite=$2 begun=$SECONDS
    debian_chroot_root "${@:1:4}" || return
    shift 4
    { echo 'set -eu'; echo "fail() { echo \"$fail_name: \$*\"; exit 1; }"
      echo 'quiet() { "${@:3}" >"$1" 2>&1 || { tail -n 60 "$1"; fail "$2"; }; }'
      echo 'mkdir -p /tmp/out'; cat; } >"$work/inside.sh"
    mmdebstrap --variant=custom --skip=update --quiet --setup-hook="tar-in $debian_chroot_tar /" \
        "$@" --customize-hook="upload $work/inside.sh /tmp/inside.sh" \
        --customize-hook='chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash /tmp/inside.sh' \
        --customize-hook="sync-out /tmp/out $work/out" "$suite" /dev/null "${debian_chroot_sources[@]}" ||
        return
    echo "   $((SECONDS - begun)) s"
}
