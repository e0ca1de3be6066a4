#!/usr/bin/env bash
# Usage: [XVFB_SCREEN=WxHxDEPTH] [XVFB_OPTIONS=...] with_xvfb.sh COMMAND...
# Runs COMMAND against a private Xvfb on a display number the server picks itself, and
# exits with COMMAND's status. XVFB_SCREEN sets the screen's size and depth (1024x768x8 for
# a screen OpenGL cannot serve); XVFB_OPTIONS are added to the server's own ("-extension GLX"
# for a server without OpenGL). Nothing of its own reaches stderr once COMMAND has started,
# so a test can count the lines COMMAND writes there (xvfb-run can add a line of its own
# when it cannot clean up after a busy server).
set -u
# shellcheck source=scripts/lib/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/xvfb.sh"
trap xvfb_stop EXIT
# The options are words of their own.
read -ra options <<<"${XVFB_OPTIONS:-}"
xvfb_start "${XVFB_SCREEN:-1024x768x24}" "${options[@]}" || exit 125
"$@"
