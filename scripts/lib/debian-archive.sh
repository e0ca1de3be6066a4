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
# The caller removes DIR when done (its trap, or once the fetched files are moved out).

debian_apt_root=''
debian_apt_options=()
debian_apt_suites=()
# What debian_fetch_source fetched last: the unpacked tree's path and the source's
# NAME_VERSION (the name of its .dsc).
debian_source_tree='' debian_source_version=''

# debian_apt_begin DIR TYPE [APT_OPTION...]: an empty private apt state in DIR whose sources
# list has a TYPE line (deb for binary packages, deb-src for source packages) for the main
# component of each mirror and suite the machine uses, with APT_OPTIONs (an architecture,
# say) added; then its package lists are downloaded. Exits with apt's log on a failure.
debian_apt_begin() {
    local type=$2 list uri release
    debian_apt_root=$1
    shift 2
    rm -rf "$debian_apt_root"
    mkdir -p "$debian_apt_root"/{lists/partial,archives/partial,log,sources.list.d,source}
    : >"$debian_apt_root/status"
    list=$debian_apt_root/sources.list
    : >"$list"
    debian_apt_suites=()
    # shellcheck disable=SC2016 # $(REPO_URI) and $(RELEASE) are apt's own placeholders
    while read -r uri release; do
        echo "$type $uri $release main" >>"$list"
        debian_apt_suites+=("$release")
    done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
        sort -u)
    if [ ! -s "$list" ]; then
        echo "$(basename "$0"): apt knows no package index to take mirrors from (apt-get update?)"
        exit 1
    fi
    # Only this user reads and writes the state, so apt's sandbox user need not.
    debian_apt_options=(-q -o Dir::State="$debian_apt_root"
        -o Dir::State::Lists="$debian_apt_root/lists"
        -o Dir::State::status="$debian_apt_root/status" -o Dir::Cache="$debian_apt_root"
        -o Dir::Cache::Archives="$debian_apt_root/archives" -o Dir::Log="$debian_apt_root/log"
        -o Dir::Etc::SourceList="$list" -o Dir::Etc::SourceParts="$debian_apt_root/sources.list.d"
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
        -o APT::Sandbox::User=root -o Acquire::Languages=none "$@")
    if ! debian_apt update >"$debian_apt_root/update.log" 2>&1; then
        cat "$debian_apt_root/update.log"
        echo "$(basename "$0"): apt could not download the package lists of $list"
        exit 1
    fi
}

# debian_apt ARGUMENT...: apt-get on the state debian_apt_begin made.
debian_apt() {
    apt-get "${debian_apt_options[@]}" "$@"
}

# debian_fetch_source PACKAGE DEST: downloads the source package PACKAGE and moves its
# unpacked tree into DEST (made if missing; a tree of the same name there is replaced), the
# newest version first; a mirror may lack an update's sources, so then the version of each
# suite in turn. Sets debian_source_tree and debian_source_version. Exits with apt's log when
# no suite has it.
debian_fetch_source() {
    local package=$1 dest=$2 scratch=$debian_apt_root/source/$1 suffix trees dscs
    rm -rf "$scratch"
    mkdir -p "$scratch" "$dest"
    : >"$scratch.log"
    for suffix in "" "${debian_apt_suites[@]/#//}"; do
        (cd "$scratch" && debian_apt source "$package$suffix") >>"$scratch.log" 2>&1 && break
        rm -rf "${scratch:?}"/*
    done
    mapfile -t trees < <(find "$scratch" -mindepth 1 -maxdepth 1 -type d)
    mapfile -t dscs < <(find "$scratch" -mindepth 1 -maxdepth 1 -name '*.dsc')
    if [ ${#trees[@]} -ne 1 ] || [ ${#dscs[@]} -ne 1 ]; then
        cat "$scratch.log"
        echo "$(basename "$0"): no suite of $debian_apt_root/sources.list gave the sources of $package"
        exit 1
    fi
    debian_source_tree=$dest/$(basename "${trees[0]}")
    # shellcheck disable=SC2034 # read by the scripts that source this file
    debian_source_version=$(basename "${dscs[0]}" .dsc)
    rm -rf "$debian_source_tree"
    mv "${trees[0]}" "$debian_source_tree"
    rm -rf "$scratch"
}
