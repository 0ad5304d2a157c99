#!/usr/bin/env python3
"""Serves a folder of Pictavon pages on localhost with the two headers that make a page
cross-origin isolated, which its threads need (SharedArrayBuffer):
    Cross-Origin-Opener-Policy: same-origin
    Cross-Origin-Embedder-Policy: require-corp
usage: serve_web.py [--port N] [--without-isolation] [FOLDER]
Prints "serving http://127.0.0.1:PORT/" once it listens (port 0: any free port)."""
import argparse
import functools
import http.server
import os
import sys

ISOLATION = {"Cross-Origin-Opener-Policy": "same-origin", "Cross-Origin-Embedder-Policy": "require-corp"}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}
    isolation = True

    def end_headers(self):
        if self.isolation:
            for name, value in ISOLATION.items():
                self.send_header(name, value)
        self.send_header("Cache-Control", "no-store")  # a rebuilt page is seen at once
        super().end_headers()

    def log_message(self, *args):
        pass


def make_server(folder, port=0, isolation=True):
    handler = type("PageHandler", (Handler,), {"isolation": isolation})
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(handler, directory=folder))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", nargs="?", default=".")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--without-isolation", action="store_true", help="leave the two headers out (to see the page's message)")
    args = parser.parse_args()
    if not os.path.isdir(args.folder):
        sys.exit(f"{sys.argv[0]}: cannot serve {args.folder}: no such folder (build the pages first: ./run --web)")
    try:
        server = make_server(args.folder, args.port, not args.without_isolation)
    except OSError as e:
        sys.exit(f"{sys.argv[0]}: cannot listen on 127.0.0.1:{args.port}: {e.strerror}")
    print(f"serving http://127.0.0.1:{server.server_port}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
