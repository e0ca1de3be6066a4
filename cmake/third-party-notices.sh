#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES.txt for programs that carry other people's code inside them (the
# static Windows programs, the WebAssembly page). Which libraries went in comes from the
# linker's maps of the programs, not from a list kept here: every archive member and object
# file the linker took from outside the build folder is either
#  - an archive built from a Debian source package into a prefix of ours, which keeps that
#    package's debian/copyright in share/doc/NAME/ beside the list of archives it built, or
#  - a file of an installed Debian package, whose /usr/share/doc/PACKAGE/copyright is used.
# Each copyright file is copied whole, once, under a header naming the packages and files it
# covers. A linked file with neither is an error: the notices would be incomplete.
# Usage: third-party-notices.sh OUTPUT BUILD_DIR PREFIXES MAP...
#   PREFIXES: a ';'-separated list of the prefixes built from Debian sources (may be empty).
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: third-party-notices.sh OUTPUT BUILD_DIR PREFIXES MAP..."; exit 2; }
output=$1 build_dir=$2 prefixes=$3
shift 3
export LC_ALL=C

# The absolute paths of the linked archives (only those a member was taken from: "lib.a(")
# and of the objects linked whole. GNU ld and wasm-ld both name them so in their maps; a
# path starts a word (the build's own files are relative, or absolute in the build folder).
inputs=$(for map in "$@"; do
    [ -s "$map" ] || { echo "third-party-notices: no linker map at $map" >&2; exit 1; }
    grep -oE '(^|[[:space:](])/[^[:space:]():]+\.(a\(|o\b|obj\b)' "$map" |
        sed -E 's/^[[:space:](]//; s/\($//'
done | sort -u)

# Groups, keyed by the copyright file: "copyright-file<TAB>who<TAB>file name".
records=()
IFS=';' read -r -a prefix_list <<<"$prefixes"
while IFS= read -r input; do
    [ -n "$input" ] || continue
    path=$(realpath -s -m -- "$input")
    case $path in "$build_dir"/*) continue ;; esac
    name=$(basename "$path")
    found=""
    for prefix in "${prefix_list[@]}"; do
        [ -n "$prefix" ] || continue
        case $path in "$(realpath -s -m -- "$prefix")"/*) ;; *) continue ;; esac
        for doc in "$prefix"/share/doc/*/; do
            if [ -f "$doc/archives" ] && grep -qxF "$name" "$doc/archives"; then
                found="$doc/copyright"$'\t'"Debian source package $(cat "$doc/source")"
                break
            fi
        done
        [ -n "$found" ] ||
            { echo "third-party-notices: $path was built in $prefix, but no copyright file there lists it"; exit 1; }
    done
    if [ -z "$found" ]; then
        owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath -- "$path")" 2>/dev/null) ||
            { echo "third-party-notices: $path is linked in, but belongs to no Debian package and no prefix built from Debian sources"; exit 1; }
        package=${owner%%: *}
        package=${package%%,*}
        package=${package%%:*}
        copyright=$(realpath -- "/usr/share/doc/$package/copyright" 2>/dev/null) ||
            { echo "third-party-notices: Debian package $package has no /usr/share/doc/$package/copyright"; exit 1; }
        found="$copyright"$'\t'"Debian package $package $(dpkg-query -W -f='${Version}' "$package")"
    fi
    records+=("$found"$'\t'"$name")
done <<<"$inputs"
[ ${#records[@]} -gt 0 ] || { echo "third-party-notices: the maps name no library at all"; exit 1; }

sorted=$(printf '%s\n' "${records[@]}" | sort -u)
mapfile -t copyrights < <(cut -f1 <<<"$sorted" | sort -u)
{
    echo "Third-party software in this program"
    echo
    echo "The programs beside this file contain code from the libraries below. Each one's"
    echo "copyright and licence terms follow, copied from the copyright file of the Debian"
    echo "package it was built from or installed with."
    for copyright in "${copyrights[@]}"; do
        echo
        echo "========================================================================"
        awk -F'\t' -v c="$copyright" '$1 == c { print $2 }' <<<"$sorted" | sort -u
        echo "Files linked in: $(awk -F'\t' -v c="$copyright" '$1 == c { print $3 }' <<<"$sorted" |
            sort -u | tr '\n' ' ' | sed 's/ $//')"
        echo "========================================================================"
        echo
        cat -- "$copyright"
    done
} >"$output.new"
mv "$output.new" "$output"
