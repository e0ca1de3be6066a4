#!/usr/bin/env bash
# Usage: [XVFB_SCREEN=WxHxDEPTH] [XVFB_OPTIONS=...] with_xvfb.sh COMMAND...
# Runs COMMAND against a private Xvfb on a display number the server picks itself, and
# exits with COMMAND's status. XVFB_SCREEN sets the screen's size and depth (1024x768x8 for
# a screen OpenGL cannot serve); XVFB_OPTIONS are added to the server's own ("-extension GLX"
# for a server without OpenGL). Nothing of its own reaches stderr once COMMAND has started,
# so a test can count the lines COMMAND writes there (xvfb-run can add a line of its own
# when it cannot clean up after a busy server).
set -u
dir=$(mktemp -d)
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$dir" 2>/dev/null
}
trap cleanup EXIT
# shellcheck disable=SC2086 # the options are words of their own
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset ${XVFB_OPTIONS:-} \
    3>"$dir/display" \
    >/dev/null 2>&1 &
server=$!
for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    sleep 0.05
done
if ! [ -s "$dir/display" ]; then
    echo "with_xvfb.sh: Xvfb did not start" >&2
    exit 125
fi
DISPLAY=":$(head -n 1 "$dir/display")" "$@"
