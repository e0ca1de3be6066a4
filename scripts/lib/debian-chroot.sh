# shellcheck shell=bash
# Throwaway Debian chroots for the tests that need a brand-new system of a given release (a
# packager's Debian 12, a user's Debian 13): made once by mmdebstrap from the mirrors this
# machine's apt already uses, kept as a tarball keyed by release, variant, packages and mirrors,
# and unpacked afresh for every run, which mmdebstrap removes when the run ends.
#
#   debian_chroot_mirrors SUITE                  sets debian_chroot_sources ("deb URI SUITE main")
#   debian_chroot_root CACHE SUITE VARIANT [PACKAGE...]
#                                                sets debian_chroot_tar, making it when missing
#   debian_chroot_run SUITE [MMDEBSTRAP_HOOK...]  a fresh chroot from debian_chroot_tar, with
#                                                the hooks (--customize-hook=..., say) run in it
#
# Needs mmdebstrap, and root (mmdebstrap's root mode mounts /proc, /sys and /dev for the hooks).

debian_chroot_sources=()
debian_chroot_tar=''

# debian_chroot_mirrors SUITE: the machine's mirrors of SUITE and its -updates and -security
# suites; on a machine of another release, the mirrors of that release's own suites (by
# codename or as stable), each asked for SUITE's suite of the same kind. A third party's
# repository, which has none of Debian's suites, is left out.
debian_chroot_mirrors() {
    local suite=$1 own uri release
    own=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    debian_chroot_sources=()
    # shellcheck disable=SC2016 # $(REPO_URI) and $(RELEASE) are apt's own placeholders
    while read -r uri release; do
        [[ $release =~ ^$suite(-updates|-security)?$ ]] &&
            debian_chroot_sources+=("deb $uri $release main")
    done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
        sort -u)
    if [ ${#debian_chroot_sources[@]} -eq 0 ] && [ -n "$own" ]; then
        # shellcheck disable=SC2016
        while read -r uri release; do
            [[ $release =~ ^($own|stable)(-updates|-security)?$ ]] &&
                debian_chroot_sources+=("deb $uri $suite${BASH_REMATCH[2]} main")
        done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
            sort -u)
    fi
    if [ ${#debian_chroot_sources[@]} -eq 0 ]; then
        echo "$(basename "$0"): apt knows no package index to take $suite's mirrors from" \
            "(apt-get update?)"
        exit 1
    fi
}

# debian_chroot_root CACHE SUITE VARIANT [PACKAGE...]: the tarball of a SUITE chroot of
# mmdebstrap's VARIANT with PACKAGEs, in CACHE; an older tarball of another key is removed.
# Device nodes are left out: each run's chroot gets its own /dev.
debian_chroot_root() {
    local cache=$1 suite=$2 variant=$3 key started packages
    shift 3
    debian_chroot_mirrors "$suite"
    key="$suite $variant $* ${debian_chroot_sources[*]}"
    debian_chroot_tar=$cache/root-$(echo "$key" | md5sum | cut -c1-12).tar
    mkdir -p "$cache"
    [ -f "$debian_chroot_tar" ] && return 0
    echo "== $(basename "$0" .sh): making a $suite chroot ($variant${*:+ with $*})"
    started=$SECONDS
    rm -f "$cache"/root-*.tar
    packages=$(IFS=,; echo "$*")
    if ! mmdebstrap --variant="$variant" ${packages:+--include="$packages"} \
        --dpkgopt=force-unsafe-io "$suite" - "${debian_chroot_sources[@]}" \
        2>"$cache/mmdebstrap.log" |
        mmtarfilter --path-exclude='/dev/*' >"$debian_chroot_tar.new"; then
        tail -n 30 "$cache/mmdebstrap.log"
        rm -f "$debian_chroot_tar.new"
        echo "$(basename "$0"): mmdebstrap could not make the $suite chroot" \
            "(log: $cache/mmdebstrap.log)"
        exit 1
    fi
    mv "$debian_chroot_tar.new" "$debian_chroot_tar"
    echo "   $(basename "$debian_chroot_tar"): $(($(stat -c %s "$debian_chroot_tar") / 1048576))" \
        "MiB, $((SECONDS - started)) s"
}

# debian_chroot_run SUITE [HOOK...]: unpacks debian_chroot_tar into a fresh chroot, runs the
# hooks, removes the chroot. Returns the hooks' failure.
debian_chroot_run() {
    local suite=$1
    shift
    mmdebstrap --variant=custom --skip=update --quiet \
        --setup-hook="tar-in $debian_chroot_tar /" "$@" \
        "$suite" /dev/null "${debian_chroot_sources[@]}"
}
