# shellcheck shell=bash
# Fetching from Debian's archive through a private apt state: its own sources list, package
# lists, status file and download cache in one folder, so that the machine's apt setup (its
# sources, architectures, lists and dpkg database) is never changed and nothing needs undoing,
# however the script ends. The mirrors and suites are those the machine's apt already reads,
# as apt itself reports them (apt-get indextargets), so this works on any Debian release.
# Sourced by the scripts that build the libraries for Windows and the browser from Debian's
# source packages and that unpack the arm64 libraries.
#
#   debian_apt_begin DIR deb|deb-src [APT_OPTION...]   makes and updates the state in DIR
#   debian_apt ARGUMENT...                             apt-get with that state
#   debian_fetch_source PACKAGE DEST                   a source package unpacked into DEST
#
# A source package comes from the machine's own release when its mirrors can give it; a
# mirror may lack some of a release's source files (a partial or lagging one), so then it
# comes from the other release the program supports (Debian 12 and 13, each the other's
# fallback), through the same mirrors, and one line says so.
#
# The caller removes DIR when done (its trap, or once the fetched files are moved out).

debian_apt_root=''
debian_apt_options=()
debian_apt_suites=()
# The state's type and the caller's APT_OPTIONs, and the machine's "URI SUITE" pairs: the
# other release's state is made from them when a source package needs it.
debian_apt_type='' debian_apt_extra=() debian_apt_mirrors=()
# The other release's state (options, suites), made on first need; its folder is in DIR.
debian_other_options=() debian_other_suites=()
# Where the machine's release is named (a test names another file).
debian_os_release=${debian_os_release:-/etc/os-release}
# What debian_fetch_source fetched last: the unpacked tree's path and the source's
# NAME_VERSION (the name of its .dsc), and the release it came from when that is not the
# machine's own (empty otherwise).
debian_source_tree='' debian_source_version='' debian_source_fallback=''

# debian_apt_begin DIR TYPE [APT_OPTION...]: an empty private apt state in DIR whose sources
# list has a TYPE line (deb for binary packages, deb-src for source packages) for the main
# component of each mirror and suite the machine uses, with APT_OPTIONs (an architecture,
# say) added; then its package lists are downloaded. Exits with apt's log on a failure.
debian_apt_begin() {
    local uri release
    debian_apt_root=$1 debian_apt_type=$2
    shift 2
    debian_apt_extra=("$@")
    rm -rf "$debian_apt_root"
    debian_apt_mirrors=() debian_apt_suites=() debian_other_options=() debian_other_suites=()
    # shellcheck disable=SC2016 # $(REPO_URI) and $(RELEASE) are apt's own placeholders
    while read -r uri release; do
        debian_apt_mirrors+=("$uri $release")
        debian_apt_suites+=("$release")
    done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
        sort -u)
    if [ ${#debian_apt_mirrors[@]} -eq 0 ]; then
        echo "$(basename "$0"): apt knows no package index to take mirrors from (apt-get update?)"
        exit 1
    fi
    debian_apt_state "$debian_apt_root" debian_apt_options "${debian_apt_mirrors[@]}" ||
        exit 1
}

# debian_apt_state DIR OPTIONS_VARIABLE "URI SUITE"...: makes an empty state in DIR whose
# sources list has a line of debian_apt_type for each URI and SUITE, sets the array named
# OPTIONS_VARIABLE to apt-get's options for it (with debian_apt_extra) and downloads its
# package lists. On a failure, prints apt's log and a line naming the list, and returns 1.
debian_apt_state() {
    local dir=$1 mirror list=$1/sources.list
    local -n state_options=$2
    shift 2
    mkdir -p "$dir"/{lists/partial,archives/partial,log,sources.list.d,source}
    : >"$dir/status"
    : >"$list"
    for mirror in "$@"; do
        echo "$debian_apt_type $mirror main" >>"$list"
    done
    # Only this user reads and writes the state, so apt's sandbox user need not.
    state_options=(-q -o Dir::State="$dir" -o Dir::State::Lists="$dir/lists"
        -o Dir::State::status="$dir/status" -o Dir::Cache="$dir"
        -o Dir::Cache::Archives="$dir/archives" -o Dir::Log="$dir/log"
        -o Dir::Etc::SourceList="$list" -o Dir::Etc::SourceParts="$dir/sources.list.d"
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
        -o APT::Sandbox::User=root -o Acquire::Languages=none "${debian_apt_extra[@]}")
    if ! apt-get "${state_options[@]}" update >"$dir/update.log" 2>&1; then
        cat "$dir/update.log"
        echo "$(basename "$0"): apt could not download the package lists of $list"
        return 1
    fi
}

# debian_other_release: the codename of the supported release that is not the machine's
# (bookworm for trixie, trixie for bookworm), or nothing on any other release.
debian_other_release() {
    case $(debian_own_release) in
        bookworm) echo trixie ;;
        trixie) echo bookworm ;;
    esac
}

# debian_other_begin: the other release's state in DIR/other, once: each of the machine's
# mirrors of its own release with the other release's suite of the same kind (trixie-updates
# for bookworm-updates, and so on). Returns 1 when there is no other release or its lists
# cannot be had.
debian_other_begin() {
    [ ${#debian_other_options[@]} -eq 0 ] || return 0
    local own other mirror uri release mirrors=()
    other=$(debian_other_release)
    own=$(debian_own_release)
    [ -n "$other" ] || return 1
    debian_other_suites=()
    for mirror in "${debian_apt_mirrors[@]}"; do
        uri=${mirror% *} release=${mirror##* }
        [[ $release =~ ^$own(-.*)?$ ]] || continue
        mirrors+=("$uri $other${release#"$own"}")
        debian_other_suites+=("$other${release#"$own"}")
    done
    [ ${#mirrors[@]} -gt 0 ] || return 1
    debian_apt_state "$debian_apt_root/other" debian_other_options "${mirrors[@]}"
}

# debian_apt ARGUMENT...: apt-get on the state debian_apt_begin made.
debian_apt() {
    apt-get "${debian_apt_options[@]}" "$@"
}

# debian_fetch_source PACKAGE DEST: downloads the source package PACKAGE and moves its
# unpacked tree into DEST (made if missing; a tree of the same name there is replaced), the
# newest version the machine's suites have first; a mirror may lack an update's sources, so
# then the version of each suite in turn. Only when none of those can be had does it take the
# other release's, in the same order, and say so: a newer version there never wins over one
# the machine's own release gives. Sets debian_source_tree, debian_source_version and
# debian_source_fallback. Exits
# with apt's log when neither release gives it.
debian_fetch_source() {
    local package=$1 dest=$2 scratch=$debian_apt_root/source/$1 trees dscs
    rm -rf "$scratch"
    mkdir -p "$scratch" "$dest"
    : >"$scratch.log"
    debian_source_fallback=''
    if ! debian_try_source "$package" "$scratch" debian_apt_options "${debian_apt_suites[@]}"; then
        if debian_other_begin >>"$scratch.log" 2>&1 &&
            debian_try_source "$package" "$scratch" debian_other_options \
                "${debian_other_suites[@]}"; then
            # shellcheck disable=SC2034 # read by the scripts that source this file
            debian_source_fallback=$(debian_other_release)
            echo "   $package: the mirrors cannot give $(debian_own_release)'s sources;" \
                "using $(debian_other_release)'s $(basename "$(find "$scratch" -maxdepth 1 \
                    -name '*.dsc' | head -n 1)" .dsc)"
        fi
    fi
    mapfile -t trees < <(find "$scratch" -mindepth 1 -maxdepth 1 -type d)
    mapfile -t dscs < <(find "$scratch" -mindepth 1 -maxdepth 1 -name '*.dsc')
    if [ ${#trees[@]} -ne 1 ] || [ ${#dscs[@]} -ne 1 ]; then
        cat "$scratch.log"
        echo "$(basename "$0"): no suite of $debian_apt_root/sources.list" \
            "${debian_other_suites[*]:+or of $debian_apt_root/other/sources.list }gave the sources of $package"
        exit 1
    fi
    debian_source_tree=$dest/$(basename "${trees[0]}")
    # shellcheck disable=SC2034 # read by the scripts that source this file
    debian_source_version=$(basename "${dscs[0]}" .dsc)
    rm -rf "$debian_source_tree"
    mv "${trees[0]}" "$debian_source_tree"
    rm -rf "$scratch"
}

# debian_own_release: the machine's codename (nothing if its os-release names none).
debian_own_release() {
    # shellcheck source=/dev/null # the machine's, not ours
    (. "$debian_os_release" && echo "${VERSION_CODENAME:-}")
}

# debian_try_source PACKAGE SCRATCH OPTIONS_VARIABLE SUITE...: apt-get source PACKAGE into
# SCRATCH with the state of OPTIONS_VARIABLE, its newest version first, then each SUITE's;
# the attempts' output goes to SCRATCH.log. Returns 1, with SCRATCH empty, when none works.
debian_try_source() {
    local package=$1 scratch=$2 suffix
    local -n try_options=$3
    shift 3
    for suffix in "" "${@/#//}"; do
        (cd "$scratch" && apt-get "${try_options[@]}" source "$package$suffix") \
            >>"$scratch.log" 2>&1 && return 0
        rm -rf "${scratch:?}"/*
    done
    return 1
}
