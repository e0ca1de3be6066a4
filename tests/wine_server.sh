#!/usr/bin/env bash
# Usage: wine_server.sh start|stop STATE_DIR
# The windows tests' fixture: one persistent Wine server, with Wine's services on a private X
# server as large as the real-window tests' (Wine keeps windows inside the screen its desktop
# first met), for every test that runs a Windows program; each would otherwise start and stop
# its own, seconds each; and a Notepad that holds Wine's desktop open. The services outlive
# the program that starts them, so they start here with their output in STATE_DIR/wine.log,
# not holding the output pipe ctest waits on.
set -euo pipefail
lib=$(dirname "${BASH_SOURCE[0]}")/../scripts/lib
# shellcheck source=scripts/lib/wine.sh
source "$lib/wine.sh"
state=$2
mkdir -p "$state"
if [ "$1" = start ]; then
    exec </dev/null
    # shellcheck source=scripts/lib/xvfb.sh
    source "$lib/xvfb.sh"
    xvfb_start 1920x1080x24
    echo "$xvfb_pid $xvfb_dir" >"$state/xvfb"
    : >"$state/wine.log"
    wine_step "$state/wine.log" "waiting for the build's Wine server" wineserver -w
    wine_step "$state/wine.log" "starting a persistent Wine server" wineserver -p
    wine_step "$state/wine.log" "starting Wine's services" wineboot
    # Wine closes its desktop a second after the last program on it ends, and the next program
    # then starts a desktop process of its own that outlives it in its process group (the
    # real-window tests check that none is left). A Notepad open until the server stops keeps
    # one desktop for all.
    setsid -f wine notepad >>"$state/wine.log" 2>&1
    for _ in $(seq 100); do
        windows=$(xwininfo -root -tree)
        [[ $windows != *Notepad* ]] || exit 0
        sleep 0.2
    done
    echo "wine_server.sh: Notepad did not open within 20 s (log: $state/wine.log)"
    exit 1
else
    status=0
    wineserver -k || { echo "wine_server.sh: no Wine server was running for $WINEPREFIX"; status=1; }
    if [ -f "$state/xvfb" ]; then
        read -r pid dir <"$state/xvfb"
        kill "$pid" || { echo "wine_server.sh: the Wine services' Xvfb had ended"; status=1; }
        rm -rf "$dir" "$state/xvfb"
    fi
    exit $status
fi
