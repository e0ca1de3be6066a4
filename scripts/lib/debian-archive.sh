# shellcheck shell=bash
# Fetching from Debian's archive through a private apt state (its own sources list, lists,
# status and cache in one folder: the machine's apt setup is never changed) from the mirrors and
# suites the machine's apt reads, so that this works on any Debian release. The caller removes DIR.
#   debian_apt_begin DIR deb|deb-src [APT_OPTION...]   makes and updates the state in DIR
#   debian_apt ARGUMENT...                             apt-get with that state
#   debian_fetch_source PACKAGE DEST                   a source package unpacked into DEST,
#       setting debian_source_tree (its path), debian_source_version (NAME_VERSION, its .dsc's
#       name) and debian_source_fallback (the release it came from, when not the machine's)
# A mirror may lack some of a release's source files (a partial or lagging one): a source
# package then comes from the other release the program supports (Debian 12 and 13, each the
# other's fallback), through the same mirrors, and one line says so.

debian_os_release=${debian_os_release:-/etc/os-release}
debian_apt_root='' debian_apt_type='' debian_apt_extra=()
debian_apt_options=() debian_apt_suites=() debian_apt_mirrors=()
debian_other_options=() debian_other_suites=()
debian_source_tree='' debian_source_version='' debian_source_fallback=''

debian_apt_begin() {
    debian_apt_root=$1 debian_apt_type=$2
    shift 2
    debian_apt_extra=("$@")
    rm -rf "$debian_apt_root"
    debian_other_options=() debian_other_suites=()
    mapfile -t debian_apt_mirrors < <(debian_mirrors)
    debian_apt_suites=("${debian_apt_mirrors[@]##* }")
    if [ ${#debian_apt_mirrors[@]} -eq 0 ]; then
        echo "$(basename "$0"): apt knows no package index to take mirrors from (apt-get update?)"
        exit 1
    fi
    debian_apt_state "$debian_apt_root" debian_apt_options "${debian_apt_mirrors[@]}" || exit 1
}

# debian_apt_state DIR OPTIONS_VARIABLE "URI SUITE"...: an empty state in DIR listing each
# mirror's main component, apt-get's options for it in OPTIONS_VARIABLE, its lists downloaded.
debian_apt_state() {
    local dir=$1 mirror list=$1/sources.list
    local -n state_options=$2
    shift 2
    mkdir -p "$dir"/{lists/partial,archives/partial,log,sources.list.d,source}
    : >"$dir/status"
    for mirror in "$@"; do echo "$debian_apt_type $mirror main"; done >"$list"
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

debian_apt() { apt-get "${debian_apt_options[@]}" "$@"; }

# debian_mirrors: "URI SUITE" for each suite the machine's apt reads packages from, once.
debian_mirrors() {
    # shellcheck disable=SC2016 # $(REPO_URI) and $(RELEASE) are apt's own placeholders
    apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' | sort -u
}

debian_own_release() {
    # shellcheck source=/dev/null # the machine's, not ours
    (. "$debian_os_release" && echo "${VERSION_CODENAME:-}")
}

debian_other_release() {
    case $(debian_own_release) in
        bookworm) echo trixie ;;
        trixie) echo bookworm ;;
    esac
}

# debian_other_begin: once, the other release's state in DIR/other, each of the machine's
# mirrors of its own release given the other's suite of the same kind (trixie-updates for
# bookworm-updates). Returns 1 when there is no other release or its lists cannot be had.
debian_other_begin() {
    [ ${#debian_other_options[@]} -eq 0 ] || return 0
    local own other mirror release mirrors=()
    own=$(debian_own_release) other=$(debian_other_release)
    [ -n "$other" ] || return 1
    for mirror in "${debian_apt_mirrors[@]}"; do
        release=${mirror##* }
        [[ $release =~ ^$own(-.*)?$ ]] || continue
        mirrors+=("${mirror% *} $other${release#"$own"}")
        debian_other_suites+=("$other${release#"$own"}")
    done
    [ ${#mirrors[@]} -gt 0 ] || return 1
    debian_apt_state "$debian_apt_root/other" debian_other_options "${mirrors[@]}"
}

# debian_fetch_source PACKAGE DEST: the newest version the machine's suites have, else each
# suite's in turn; only when none can be had, the other release's in the same order (a newer
# version there never wins over one the machine's own release gives). Exits with apt's log
# when neither release gives it.
debian_fetch_source() {
    local package=$1 dest=$2 scratch=$debian_apt_root/source/$1 trees dscs
    rm -rf "$scratch"
    mkdir -p "$scratch" "$dest"
    : >"$scratch.log"
    debian_source_fallback=''
    if ! debian_try_source "$package" "$scratch" debian_apt_options "${debian_apt_suites[@]}" &&
        debian_other_begin >>"$scratch.log" 2>&1 &&
        debian_try_source "$package" "$scratch" debian_other_options "${debian_other_suites[@]}"; then
        debian_source_fallback=$(debian_other_release)
        echo "   $package: the mirrors cannot give $(debian_own_release)'s sources;" \
            "using $debian_source_fallback's $(basename "$scratch"/*.dsc .dsc)"
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

# debian_try_source PACKAGE SCRATCH OPTIONS_VARIABLE SUITE...: apt-get source into SCRATCH
# with that state, the newest version first, then each SUITE's; output to SCRATCH.log.
# Returns 1, with SCRATCH empty, when none works.
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
