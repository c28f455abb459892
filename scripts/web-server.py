#!/usr/bin/env python3
"""Serves the browser build to a local browser and keeps what its test runs POST back.

usage: web-server.py [--port N] [--results DIR] FOLDER [FOLDER...]
A GET is answered from the first FOLDER holding the path (the page's own folder can come before the build's);
a POST to /results/<name>/<file> is written to DIR/<name>/<file>, its Content-Length given and at most
256 MiB, the path inside DIR. Port 0 takes any free port; the address is
printed on the first line of output either way.
"""
import argparse
import http.server
import os
import re
import sys
import urllib.parse

# One path component: no separators, no leading dot (so no '..' and no hidden files).
SAFE = re.compile(r"^[A-Za-z0-9_][A-Za-z0-9_.+-]*$")
DIGITS = re.compile(r"[0-9]+")
# A whole run's sound (8500 frames of 44100 Hz stereo) is 25 MB; nothing a run sends comes near this.
MAX_BODY = 256 * 1024 * 1024


def make_handler(folders, results):
    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = {
            **http.server.SimpleHTTPRequestHandler.extensions_map,
            ".wasm": "application/wasm",
            ".js": "text/javascript",
            ".data": "application/octet-stream",
            ".html": "text/html",
            ".css": "text/css",
        }

        # A client that stops sending mid-body does not hold its thread for ever.
        timeout = 60

        def translate_path(self, path):
            rel = urllib.parse.unquote(urllib.parse.urlsplit(path).path).lstrip("/")
            parts = [p for p in rel.split("/") if p not in ("", ".")]
            for folder in folders:
                candidate = os.path.join(folder, *parts)
                if os.path.exists(candidate):
                    return candidate
            return os.path.join(folders[0], *parts)

        def send_head(self):
            if ".." in urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).split("/"):
                self.send_error(403, "no way up")
                return None
            return super().send_head()

        def end_headers(self):
            # Every run must see the build just made, not a cached one.
            self.send_header("Cache-Control", "no-store")
            super().end_headers()

        def do_POST(self):
            parts = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).strip("/").split("/")
            if results is None or len(parts) < 3 or parts[0] != "results" or not all(SAFE.match(p) for p in parts[1:]):
                self.send_error(403, "POST only to /results/<name>/<file>")
                return
            # The body's size, read no further than it says and no larger than a run's biggest file could be.
            declared = self.headers.get("Content-Length")
            if declared is None:
                self.send_error(411, "Content-Length needed")
                return
            declared = declared.strip()
            if not DIGITS.fullmatch(declared):
                self.send_error(400, "Content-Length not a size")
                return
            # Python will not even turn thousands of digits into a number.
            if len(declared) > 12 or int(declared) > MAX_BODY:
                self.send_error(413, f"larger than {MAX_BODY} bytes")
                return
            length = int(declared)
            target = os.path.join(results, *parts[1:])
            if os.path.commonpath([os.path.realpath(target), results]) != results:
                self.send_error(403, "outside the results folder")
                return
            body = self.rfile.read(length)
            if len(body) != length:
                self.send_error(400, f"{len(body)} of {length} bytes came")
                return
            os.makedirs(os.path.dirname(target), exist_ok=True)
            # Written whole, then renamed: whoever waits for a file never reads half of it.
            with open(target + ".part", "wb") as f:
                f.write(body)
            os.replace(target + ".part", target)
            self.send_response(204)
            self.end_headers()

        def log_message(self, format, *args):
            if os.environ.get("KORVALE_WEB_SERVER_LOG"):
                super().log_message(format, *args)

    return Handler


def main():
    parser = argparse.ArgumentParser(description="Serves the browser build and keeps the results its test runs POST.")
    parser.add_argument("--port", type=int, default=8000, help="0 takes any free port")
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--results", help="where POSTs to /results/... are written (none: POSTs refused)")
    parser.add_argument("folders", nargs="+", help="served, the first holding a path wins")
    args = parser.parse_args()
    folders = [os.path.abspath(f) for f in args.folders]
    for f in folders:
        if not os.path.isdir(f):
            sys.exit(f"web-server: no folder {f}")
    results = os.path.abspath(args.results) if args.results else None
    if results:
        os.makedirs(results, exist_ok=True)
        # Resolved once: the handler compares every target's real path with it.
        results = os.path.realpath(results)
    server = http.server.ThreadingHTTPServer((args.bind, args.port), make_handler(folders, results))
    print(f"http://{args.bind}:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
