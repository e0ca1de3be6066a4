#!/usr/bin/env bash
# Tests what a Windows user meets first: the resources of both programs (icon, version,
# manifest, read with icoutils' wrestool), and the installer under Wine in a fresh prefix:
# a silent install, its files, Start-menu shortcuts and Apps & features entry, the installed
# programs in real windows (with their icon as the window's _NET_WM_ICON), and a silent
# uninstall that leaves none of it. Wine's menu builder stays off, so this machine's own menus
# are never touched.
# Usage: scripts/test-windows-installer.sh [LINUX_BUILD]  (default build/ci: its real-window
# tests are built when missing). As root, or with sudo, when packages are missing.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
linux_build=${1:-build/ci}
out=$PWD/build/windows
stage_started=$SECONDS
fail() {
    echo "windows installer: $*"
    exit 1
}

scripts/install-deps.sh --only icoutils
installer=$(scripts/build-windows-installer.sh | tail -n 1)
[ -f "$linux_build/CMakeCache.txt" ] || cmake --preset ci >/dev/null
cmake --build "$linux_build" -j 2 --target ravelle-e2e ravelle-e2e-serial >/dev/null
# shellcheck source=scripts/lib/version.sh
source scripts/lib/version.sh
version=$(ravelle_version)
work=$(mktemp -d)

# --- The resources of both programs.
echo "== windows: the programs' resources"
# version_value EXE KEY: the string KEY holds in EXE's version resource. Its strings are UTF-16,
# each key followed by its value after some padding.
version_value() {
    wrestool -x --raw --type=16 "$1" | iconv -c -f UTF-16LE -t UTF-8 | tr -s '\0' '\n' |
        grep -A 1 -E "(^|[^A-Za-z])$2\$" | sed -n 2p
}
for program in ravelle ravelle-serial; do
    exe=$out/build/$program.exe
    wrestool -l "$exe" | grep -q "^--type=14 --name='GLUT_ICON' " ||
        fail "$program.exe has no icon group named GLUT_ICON"
    wrestool -x --type=14 --name=GLUT_ICON "$exe" >"$work/$program.ico"
    sizes=$(icotool -l "$work/$program.ico" | sed -n 's/.*--width=\([0-9]*\) .*/\1/p' |
        sort -n | tr '\n' ' ')
    [ "$sizes" = "16 24 32 48 64 256 " ] || fail "$program.exe's icon has the sizes $sizes"
    for key in FileVersion ProductVersion; do
        [ "$(version_value "$exe" $key)" = "$version" ] ||
            fail "$program.exe's $key is '$(version_value "$exe" $key)', not $version"
    done
    [ "$(version_value "$exe" ProductName)" = Ravelle ] || fail "$program.exe's ProductName"
    [ "$(version_value "$exe" OriginalFilename)" = "$program.exe" ] ||
        fail "$program.exe's OriginalFilename is '$(version_value "$exe" OriginalFilename)'"
    [[ "$(version_value "$exe" LegalCopyright)" == Copyright* ]] ||
        fail "$program.exe's LegalCopyright is '$(version_value "$exe" LegalCopyright)'"
    description=$(version_value "$exe" FileDescription)
    [ -n "$description" ] || fail "$program.exe has no FileDescription"
    manifest=$(wrestool -x --raw --type=24 --name=1 "$exe")
    grep -q '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' <<<"$manifest" ||
        fail "$program.exe's manifest does not name Windows 10 and 11"
    grep -q 'level="asInvoker"' <<<"$manifest" || fail "$program.exe's manifest is not asInvoker"
    grep -qi 'dpiAware' <<<"$manifest" && fail "$program.exe's manifest declares DPI awareness"
    echo "   $program.exe: icon $sizes; \"$description\" $version; manifest for Windows 10 and 11"
done

# --- A fresh prefix of its own, with Wine's services on a private X server as large as the
# tests' (Wine keeps windows inside the screen it first met); everything Wine started ends with
# the script.
export WINEPREFIX=$work/wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
# shellcheck source=scripts/lib/xvfb.sh
source scripts/lib/xvfb.sh
# shellcheck source=scripts/lib/wine.sh
source scripts/lib/wine.sh
cleanup() {
    # No server may be running (none started yet, or it ended): nothing is left to end then.
    wineserver -k 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
xvfb_start 1920x1080x24
started=$SECONDS
wine_boot "$out/installer-wine.log" -i
echo "   a fresh Wine prefix: $((SECONDS - started)) s"

folder="$WINEPREFIX/drive_c/Program Files/Ravelle"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ravelle"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ravelle'
# registry_value NAME: the value NAME of the uninstall key in the 64-bit view.
registry_value() {
    wine reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
# menu_files: the desktop's menu files in the home folder (its folders exist only once
# something has made a menu entry).
menu_files() {
    local menus
    for menus in "$HOME/.local/share/applications" "$HOME/.config/menus"; do
        [ ! -d "$menus" ] || find "$menus" -type f
    done | sort
}
menus_before=$(menu_files)

echo "== windows: silent install of $(basename "$installer")"
started=$SECONDS
wine "$installer" /S
wineserver -w
expected=(ravelle.exe ravelle-serial.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt
    Uninstall.exe)
[ -d "$folder" ] || fail "the installer made no Program Files\\Ravelle"
files=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$files" = "$(printf '%s\n' "${expected[@]}" | sort | tr '\n' ' ')" ] ||
    fail "Program Files\\Ravelle holds '$files', not '${expected[*]}'"
for program in ravelle ravelle-serial; do
    cmp -s "$folder/$program.exe" "$out/build/$program.exe" ||
        fail "the installed $program.exe is not the one built"
done
[ -e "$WINEPREFIX/drive_c/Program Files (x86)/Ravelle" ] && fail "installed in Program Files (x86)"
# A shortcut holds its target's path in the shell's own encodings; any will do.
for shortcut in "Ravelle:ravelle.exe" "Ravelle (one thread):ravelle-serial.exe" \
    "Uninstall:Uninstall.exe"; do
    link="$menu/${shortcut%%:*}.lnk"
    [ -f "$link" ] || fail "no Start-menu shortcut '${shortcut%%:*}'"
    text=$(strings "$link"; strings -el "$link")
    grep -qF "C:\\Program Files\\Ravelle\\${shortcut#*:}" <<<"$text" ||
        fail "the shortcut '${shortcut%%:*}' does not start ${shortcut#*:}"
done
[ "$(find "$menu" -type f | wc -l)" = 3 ] || fail "the Start menu holds: $(ls "$menu")"
[ "$(registry_value DisplayName)" = Ravelle ] || fail "DisplayName is '$(registry_value DisplayName)'"
[ "$(registry_value DisplayVersion)" = "$version" ] || fail "DisplayVersion"
[ "$(registry_value Publisher)" = "The Ravelle developers" ] || fail "Publisher"
[ "$(registry_value DisplayIcon)" = 'C:\Program Files\Ravelle\ravelle.exe' ] ||
    fail "DisplayIcon is '$(registry_value DisplayIcon)'"
[ "$(registry_value UninstallString)" = '"C:\Program Files\Ravelle\Uninstall.exe"' ] ||
    fail "UninstallString is '$(registry_value UninstallString)'"
# EstimatedSize is in KiB: the folder's size, rounded.
size=$(( $(registry_value EstimatedSize) ))
kib=$(( ($(du -sb "$folder" | cut -f1) + 1023) / 1024 ))
if [ $size -lt $((kib - 8)) ] || [ $size -gt $((kib + 8)) ]; then
    fail "EstimatedSize is $size KiB for $kib KiB of files"
fi
wine reg query "$key" /reg:32 >/dev/null 2>&1 && fail "the uninstall key is in the 32-bit view"
echo "   ${#expected[@]} files in Program Files\\Ravelle, 3 Start-menu shortcuts, the" \
    "uninstall key ($size KiB): $((SECONDS - started)) s"

# --- The installed programs in real windows, as the zip's are tested, and the icon Wine hands
# to X from the program's icon resource (its 16- and 32-pixel images).
echo "== windows: the installed programs in real windows"
# One persistent Wine server for the tests (each program would otherwise start its own); the
# one the registry queries left must end first.
wine_step "$out/installer-wine.log" "waiting for the registry queries' server" wineserver -w
wine_step "$out/installer-wine.log" "starting a persistent Wine server" wineserver -p
wine_step "$out/installer-wine.log" "starting Wine's services" wineboot
for program in ravelle ravelle-serial; do
    started=$SECONDS
    log=$out/installed-e2e-$program.log
    # Managed by openbox, as in scripts/test-windows.sh.
    if ! RAVELLE_E2E_WINDOW_MANAGER=1 RAVELLE_E2E_ICON_SIZES="16 32" \
        RAVELLE_E2E_COMMAND="$(command -v wine) \"C:\\Program Files\\Ravelle\\$program.exe\"" \
        "$linux_build/tests/e2e/ravelle-e2e${program#ravelle}" \
        --gtest_filter='ProgramWindow.*:WindowIdentity.IconHoldsTheCommittedImages' \
        >"$log" 2>&1; then
        grep -vE 'CreateDC failed|-display. parameter' "$log"
        fail "the installed $program.exe fails its real-window tests"
    fi
    echo "   $program.exe: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
        "tests passed in $((SECONDS - started)) s"
done
wineserver -k
wineserver -w

echo "== windows: silent uninstall"
started=$SECONDS
wine "$folder/Uninstall.exe" /S
# The uninstaller runs on from a copy of itself in the temporary folder; this waits for it.
wineserver -w
[ -e "$folder" ] && fail "left in Program Files\\Ravelle: $(ls -A "$folder")"
[ -e "$menu" ] && fail "left in the Start menu: $(ls -A "$menu")"
wine reg query "$key" /reg:64 >/dev/null 2>&1 && fail "the uninstall key is still there"
wine reg query 'HKLM\Software\The Ravelle developers' /reg:64 >/dev/null 2>&1 &&
    fail "HKLM\\Software\\The Ravelle developers is still there"
menus_after=$(menu_files)
[ "$menus_before" = "$menus_after" ] || fail "this machine's menus changed"
echo "   no file, shortcut or key left: $((SECONDS - started)) s"
echo "windows installer: all passed in $((SECONDS - stage_started)) s"
