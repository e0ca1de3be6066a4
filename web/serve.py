#!/usr/bin/env python3
# serve.py: serves a built page (build/web) on 127.0.0.1 for scripts/serve-web.sh and the
# browser tests. The page is cross-origin isolated, which gives the program's clock
# (performance.now()) a finer resolution, and .wasm goes out with the type browsers compile
# from a stream.
import functools
import http.server
import sys
import threading


class PageHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
    }

    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):  # quiet: the tests and the script say what matters
        pass


def start(directory, port=0):
    """Serves `directory` on 127.0.0.1 from a background thread; returns the server (its
    server_address names the port; shutdown() and server_close() end it)."""
    handler = functools.partial(PageHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: serve.py DIRECTORY [PORT]")
    try:
        server = start(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 8000)
    except (OSError, ValueError) as error:
        sys.exit(f"serve.py: cannot serve on 127.0.0.1: {error}")
    print(f"Ravelle: http://127.0.0.1:{server.server_address[1]}/  (Ctrl+C ends)", flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    finally:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
