# shellcheck shell=bash
# A private X server for scripts and test commands: Xvfb on a display number it picks itself
# (-displayfd), so that any number of them run side by side without guessing a free one.
# Sourced; the caller's EXIT trap calls xvfb_stop.
#   xvfb_start WIDTHxHEIGHTxDEPTH [XVFB_OPTION...]   starts it and exports DISPLAY
#   xvfb_stop                                         ends it (safe to call when none runs)
xvfb_pid='' xvfb_dir=''

# xvfb_start SCREEN [XVFB_OPTION...]: starts Xvfb with screen 0 of SCREEN's size and depth and
# the options added to its own, waits (up to 10 s) until it reports its display number, and
# exports DISPLAY. Says so on stderr and returns 1 when the server does not come up.
xvfb_start() {
    local screen=$1 _
    shift
    xvfb_dir=$(mktemp -d)
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset "$@" 3>"$xvfb_dir/display" \
        >"$xvfb_dir/log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do
        [ -s "$xvfb_dir/display" ] && break
        # A server that could not start (no such option, say) is not waited for.
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ ! -s "$xvfb_dir/display" ]; then
        # Its folder goes with the server, so what it said is shown here.
        sed 's/^/   Xvfb: /' "$xvfb_dir/log" >&2
        echo "$(basename "$0"): Xvfb did not start (its output above)" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$xvfb_dir/display")"
    export DISPLAY
}

# xvfb_stop: ends the server xvfb_start started, waits for it, and removes its folder.
xvfb_stop() {
    # (A server that ended on its own may report a failure; the caller's status stands.)
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null; } || true
    [ -z "$xvfb_dir" ] || rm -rf "$xvfb_dir"
    xvfb_pid='' xvfb_dir=''
}
