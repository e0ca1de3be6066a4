# shellcheck shell=bash
# Starting Wine: a prefix Wine could not make, or a server that would not start, stops the
# script at once with one line naming the prefix and the log. Sourced; the caller exports
# WINEPREFIX (and WINEDEBUG, WINEDLLOVERRIDES) first.
#   wine_boot LOG [WINEBOOT_OPTION...]  wineboot (-i: a new prefix), its output in LOG
#   wine_step LOG WHAT COMMAND...       COMMAND, its output added to LOG; stops if it fails
wine_fail() {
    echo "$(basename "$0"): $2 failed for the Wine prefix $WINEPREFIX (log: $1)" >&2
    exit 1
}
wine_step() {
    "${@:3}" >>"$1" 2>&1 || wine_fail "$1" "$2"
}
wine_boot() {
    mkdir -p "$(dirname "$1")"
    : >"$1"
    wine_step "$1" "making the prefix's folder" mkdir -p "$(dirname "$WINEPREFIX")"
    wine_step "$1" "wineboot ${*:2}" wineboot "${@:2}"
    wine_step "$1" "waiting for wineboot's services" wineserver -w
    # wineboot may report success over a prefix it could not write.
    [ -f "$WINEPREFIX/system.reg" ] || wine_fail "$1" "wineboot ${*:2} (no registry made)"
}
