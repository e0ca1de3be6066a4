#!/usr/bin/env bash
# scripts/lib/wine.sh with stand-ins for Wine's own commands: a prefix wineboot cannot make,
# whether it says so or reports success over a folder it could not write, stops the script
# with one line that names the prefix and the log; a prefix it makes passes.
# Usage: wine_prefix_test.sh SOURCE_DIR
set -euo pipefail
lib=$1/scripts/lib/wine.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# wineboot's stand-in behaves as WINEBOOT_PLAN says: fail, silent (no registry), or make.
cat >"$work/bin/wineboot" <<'STANDIN'
#!/bin/sh
case $WINEBOOT_PLAN in
fail) echo "wine: could not create $WINEPREFIX: Permission denied" >&2; exit 1 ;;
silent) exit 0 ;;
make) mkdir -p "$WINEPREFIX" && : >"$WINEPREFIX/system.reg" ;;
esac
STANDIN
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
chmod +x "$work/bin/wineboot" "$work/bin/wineserver"

fail() {
    echo "FAIL: $*"
    exit 1
}
# boot PLAN: runs wine_boot in a script of its own, as build-windows.sh does; its status,
# with what it printed in $work/out.
boot() {
    WINEBOOT_PLAN=$1 PATH=$work/bin:$PATH WINEPREFIX=$work/cache/windows/wine \
        bash -c 'set -euo pipefail; source "$1"; wine_boot "$2/log/wine-prefix.log" -i' \
        build-windows.sh "$lib" "$work" >"$work/out" 2>&1
}
for plan in fail silent; do
    if boot "$plan"; then fail "wineboot's '$plan' passes"; fi
    cat "$work/out"
    [ "$(wc -l <"$work/out")" -eq 1 ] || fail "wineboot's '$plan' says more than one line"
    grep -qF "Wine prefix $work/cache/windows/wine (log: $work/log/wine-prefix.log)" "$work/out" ||
        fail "wineboot's '$plan' does not name the prefix and its log"
    [ "$plan" != fail ] || grep -q "Permission denied" "$work/log/wine-prefix.log" ||
        fail "wineboot's words are not in the log"
done
boot make || { cat "$work/out"; fail "a prefix wineboot made does not pass"; }
echo "wine prefix: a prefix Wine could not make stops with one line naming it"
