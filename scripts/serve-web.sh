#!/usr/bin/env bash
# Serves the page that scripts/build-web.sh built (build/web) on 127.0.0.1 and prints its
# address. Usage: scripts/serve-web.sh [PORT]   (default 8000; Ctrl+C ends it)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
if [ ! -f build/web/index.html ] || [ ! -f build/web/ravelle.wasm ]; then
    echo "no page in build/web: run scripts/build-web.sh first"
    exit 1
fi
exec python3 web/serve.py build/web "${1:-8000}"
