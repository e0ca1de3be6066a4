#!/usr/bin/env bash
# The notices generator (cmake/third-party-notices.sh) and the release's check of it
# (tests/notices_test.py) on a linker map made up here: an archive from a prefix built from
# Debian sources, the C++ compiler's own libstdc++ (a Debian package's file) and one of the
# build's own objects. The notices must hold the first two copyright files whole and nothing
# for the build's object; a library nobody owns, or a map with no library, must stop the
# generator; and the check must notice a notice that is missing from the archive.
# Usage: third_party_notices_test.sh SOURCE_DIR CXX_COMPILER
set -euo pipefail
source_dir=$1 compiler=$2
generate=$source_dir/cmake/third-party-notices.sh
check=$source_dir/tests/notices_test.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

build=$work/build prefix=$work/prefix
mkdir -p "$build" "$prefix/lib" "$prefix/share/doc/wavelib"
: >"$prefix/lib/libwave.a"
printf 'Format: DEP-5\nFiles: *\nCopyright: 2020 Wave Authors\nLicense: Zlib\n' \
    >"$prefix/share/doc/wavelib/copyright"
echo wavelib-2.1 >"$prefix/share/doc/wavelib/source"
echo libwave.a >"$prefix/share/doc/wavelib/archives"
stdcxx=$("$compiler" -print-file-name=libstdc++.a)
[ -f "$stdcxx" ] || fail "the compiler names no libstdc++.a"
stdcxx_package=$(dpkg -S "$(realpath "$stdcxx")" | sed 's/[:,].*//')
stdcxx_copyright=$(realpath "/usr/share/doc/$stdcxx_package/copyright")

# Written as GNU ld writes its maps, ".." and all.
cat >"$build/program.map" <<EOF
Archive member included to satisfy reference by file (symbol)

$prefix/lib/../lib/libwave.a(ripple.o)
                              CMakeFiles/program.dir/main.cpp.o (ripple)
$stdcxx(ios_init.o)          $build/libcore.a(core.o) (std::ios_base::Init)
LOAD $build/CMakeFiles/program.dir/main.cpp.o
EOF
"$generate" "$build/NOTICES" "$build" "$prefix" "$build/program.map" ||
    fail "the generator refused a map it can account for"
grep -qxF "Debian source package wavelib-2.1" "$build/NOTICES" || fail "no header for wavelib"
grep -qF "Debian package $stdcxx_package " "$build/NOTICES" || fail "no header for $stdcxx_package"
grep -q 'main\.cpp\.o\|libcore\.a' "$build/NOTICES" && fail "the build's own files got a notice"

# The archive as a release packs it; the check passes it, and fails it once a notice is cut.
pack() {  # NOTICES_FILE ZIP
    rm -rf "$work/pack" && mkdir -p "$work/pack/ravelle"
    cp "$1" "$work/pack/ravelle/THIRD-PARTY-NOTICES.txt"
    : >"$work/pack/ravelle/ravelle.exe"
    (cd "$work/pack" && zip -q -r "$2" ravelle)
}
pack "$build/NOTICES" "$work/good.zip"
python3 "$check" "$work/good.zip" --prefix "$prefix" "$build/program.map" >/dev/null ||
    fail "the check rejected the generator's notices"
for cut in "Wave Authors" "$(sed -n 3p "$stdcxx_copyright")"; do
    grep -vF -- "$cut" "$build/NOTICES" >"$work/cut"
    pack "$work/cut" "$work/cut.zip"
    if python3 "$check" "$work/cut.zip" --prefix "$prefix" "$build/program.map" >/dev/null 2>&1; then
        fail "the check passed notices without the line '$cut'"
    fi
done

# Files the generator cannot account for.
expect_refusal() {  # MAP_TEXT MESSAGE_PATTERN
    printf '%s\n' "$1" >"$build/bad.map"
    if "$generate" "$build/bad.notices" "$build" "$prefix" "$build/bad.map" >"$work/out" 2>&1; then
        fail "the generator accepted: $1"
    fi
    grep -q -- "$2" "$work/out" || fail "unclear refusal for '$1': $(cat "$work/out")"
    [ ! -e "$build/bad.notices" ] || fail "a refused map left notices behind"
}
expect_refusal "/nowhere/lib/libmystery.a(m.o)" "libmystery.a is linked in, but belongs to no"
: >"$prefix/lib/libstray.a"
expect_refusal "$prefix/lib/libstray.a(s.o)" "no copyright file there lists it"
expect_refusal "LOAD $build/CMakeFiles/program.dir/main.cpp.o" "name no library"
echo "third-party notices: generator and check agree, and both refuse what they should"
