#!/usr/bin/env python3
"""Checks by hand that scripts/web-server.py keeps its POSTs in bounds: each body's Content-Length given, a size,
not too large and all sent, each result inside the results folder. Prints one line a case; exit code 1 on a fault.

usage: web-server-check.py [SERVER]   (SERVER: the web-server.py to check, by default the one beside this)
"""
import os
import socket
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
server_script = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "web-server.py")


def post(port, path, headers, body=b"", close_after=False):
    """Sends one POST as raw bytes (so that any header can be wrong); the status code, or None without one."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        head = f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n" + "".join(f"{k}: {v}\r\n" for k, v in headers)
        s.sendall(head.encode() + b"\r\n" + body)
        if close_after:
            s.shutdown(socket.SHUT_WR)
        try:
            reply = s.recv(4096)
        except (socket.timeout, ConnectionError):
            return None
    try:
        return int(reply.split(b" ", 2)[1])
    except (IndexError, ValueError):
        return None


def main():
    work = tempfile.mkdtemp(prefix="web-server-check-")
    served = os.path.join(work, "served")
    results = os.path.join(work, "results")
    outside = os.path.join(work, "outside")
    for d in (served, results, outside):
        os.makedirs(d)
    # A link inside the results folder to a folder outside it: a path through it must be refused.
    os.symlink(outside, os.path.join(results, "elsewhere"))
    server = subprocess.Popen([sys.executable, server_script, "--port", "0", "--results", results, served],
                              stdout=subprocess.PIPE, text=True)
    faults = 0
    try:
        port = int(server.stdout.readline().strip().rsplit(":", 1)[1].rstrip("/"))

        def case(what, status, want, written, want_written):
            nonlocal faults
            good = status in want and written == want_written
            faults += not good
            print(f"{'ok  ' if good else 'FAIL'} {what}: status {status}, "
                  f"{'a file written' if written else 'nothing written'}")

        ok = post(port, "/results/run/a.txt", [("Content-Length", "5")], b"hello")
        with open(os.path.join(results, "run", "a.txt"), "rb") as f:
            case("a POST of 5 bytes", ok, {204}, f.read() == b"hello", True)

        def refused(what, name, headers, body=b"", want=range(400, 500), close_after=False):
            status = post(port, f"/results/run/{name}", headers, body, close_after)
            case(what, status, want, os.path.exists(os.path.join(results, "run", name)), False)

        refused("no Content-Length", "none.txt", [], b"hello", {411})
        refused("Content-Length 'five'", "word.txt", [("Content-Length", "five")], b"hello", {400})
        refused("Content-Length -5", "negative.txt", [("Content-Length", "-5")], b"hello", {400})
        refused("Content-Length 1_0", "underscore.txt", [("Content-Length", "1_0")], b"0123456789", {400})
        refused("Content-Length of 1 TB", "huge.txt", [("Content-Length", str(10**12))], b"hello", {413})
        refused("Content-Length of 5000 digits", "digits.txt", [("Content-Length", "9" * 5000)], b"hello", {413})
        refused("10 bytes promised, 3 sent", "short.txt", [("Content-Length", "10")], b"abc", {400},
                close_after=True)
        status = post(port, "/results/elsewhere/x.txt", [("Content-Length", "5")], b"hello")
        case("a path through a link out of the results folder", status, range(400, 500),
             os.path.exists(os.path.join(outside, "x.txt")), False)
    finally:
        server.kill()
        server.wait()
    print(f"web-server-check: {faults} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
