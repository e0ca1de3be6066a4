#!/usr/bin/env bash
# Runs a link command and keeps what the linker prints as the program's link map: Emscripten
# drops every linker option that names a map file, but passes --trace, whose list of the
# files taken in goes to standard output. On a failure the output is shown as it was.
# Usage: link-map-from-stdout.sh MAP COMMAND...
set -euo pipefail
map=$1
shift
if ! "$@" >"$map.new"; then
    cat "$map.new"
    rm -f "$map.new"
    exit 1
fi
mv "$map.new" "$map"
