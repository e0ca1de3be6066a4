# shellcheck shell=bash
# Starting Wine for the scripts that run Windows programs, so that a prefix Wine could not make
# or a server that would not start stops the script at once with one line that names the
# prefix and the log, instead of a later Windows program failing with no word of why.
# Sourced; the caller exports WINEPREFIX (and WINEDEBUG, WINEDLLOVERRIDES) first.
#
#   wine_boot LOG [WINEBOOT_OPTION...]   wineboot on $WINEPREFIX (its parent made when missing),
#                                        output in LOG; -i makes a new prefix
#   wine_step LOG WHAT COMMAND...        COMMAND with its output added to LOG; stops, saying
#                                        WHAT failed, when it fails

# wine_fail LOG WHAT: the one line, on stderr, and the end of the script.
wine_fail() {
    echo "$(basename "$0"): $2 failed for the Wine prefix $WINEPREFIX (log: $1)" >&2
    exit 1
}

wine_step() {
    local log=$1 what=$2
    shift 2
    "$@" >>"$log" 2>&1 || wine_fail "$log" "$what"
}

wine_boot() {
    local log=$1
    shift
    mkdir -p "$(dirname "$log")"
    : >"$log"
    wine_step "$log" "making the prefix's folder" mkdir -p "$(dirname "$WINEPREFIX")"
    wine_step "$log" "wineboot $*" wineboot "$@"
    wine_step "$log" "waiting for wineboot's services" wineserver -w
    # wineboot may report success over a prefix it could not write.
    [ -f "$WINEPREFIX/system.reg" ] || wine_fail "$log" "wineboot $* (no registry made)"
}
