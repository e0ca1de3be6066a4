#!/usr/bin/env bash
# Usage: wine_server.sh start|stop STATE_DIR
# The windows tests' fixture: one persistent Wine server, with Wine's services on a private X
# server as large as the real-window tests' (Wine keeps windows inside the screen its desktop
# first met), for every test that runs a Windows program; each would otherwise start and stop
# its own, seconds each. The services outlive the program that starts them, so they start here
# with their output in STATE_DIR/wine.log, not holding the output pipe ctest waits on.
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
