#!/usr/bin/python3
"""The maker site for local runs and tests: plain HTTP and HTTPS on loopback.

Serves a folder (--root) and routes set at start (--routes FILE, a JSON list)
or at run time, and keeps a record of every request it received so that a
test can check what a client actually sent.

Control endpoints, on every listener (never recorded):
  POST /__control/route     JSON route (below), or a JSON list of them
  POST /__control/reset     forget all routes set at run time and all records
  GET  /__control/requests  JSON list of {listener, method, path, version,
                            request_line, headers: [[name, value], ...]};
                            ?path=P keeps the requests for P (query ignored),
                            &format=raw gives their heads as received, each
                            ending in an empty line.
  GET  /__control/ports     JSON {listener: port}

A route: {"path": "/x", "status": 200, "body": "text" | "body_base64": "..." |
"generated": N, "delay": seconds, "length": "present" | "absent" |
"chunked", "cut": N, "headers": {"Name": "value"}}. "generated" makes N bytes where byte
i is (i * 31 + 7) % 256. "absent" sends no Content-Length and ends the body by
closing the connection; "chunked" answers in HTTP/1.1 with chunked transfer
coding. "cut" announces the whole body's length but sends only its first N
bytes and then closes, as a connection lost mid-body would.
"""

import argparse
import base64
import json
import os
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_TEST_CA = os.path.join(HERE, "..", "scripts", "make-test-ca")
NOT_FOUND_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n"


def generated_bytes(size):
    pattern = bytes((i * 31 + 7) % 256 for i in range(256))
    whole, rest = divmod(size, 256)
    return pattern * whole + pattern[:rest]


class Site:
    def __init__(self, root, start_routes):
        self.root = os.path.abspath(root) if root else None
        self.lock = threading.Lock()
        self.start_routes = {r["path"]: r for r in start_routes}
        self.routes = dict(self.start_routes)
        self.requests = []
        self.ports = {}

    def add_route(self, route):
        if not isinstance(route, dict) or not str(route.get("path", "")).startswith("/"):
            raise ValueError("a route needs a path that starts with /")
        with self.lock:
            self.routes[route["path"]] = route

    def reset(self):
        with self.lock:
            self.routes = dict(self.start_routes)
            self.requests = []

    def route_for(self, raw_path):
        with self.lock:
            return self.routes.get(raw_path) or self.routes.get(raw_path.split("?", 1)[0])

    def record(self, entry):
        with self.lock:
            self.requests.append(entry)

    def recorded(self, path=None):
        with self.lock:
            found = list(self.requests)
        if path is not None:
            found = [r for r in found if r["path"].split("?", 1)[0] == path]
        return found

    def file_for(self, raw_path):
        if not self.root:
            return None
        path = urllib.parse.unquote(raw_path.split("?", 1)[0])
        full = os.path.realpath(os.path.join(self.root, path.lstrip("/")))
        if full != self.root and not full.startswith(self.root + os.sep):
            return None
        if os.path.isdir(full):
            full = os.path.join(full, "index.html")
        return full if os.path.isfile(full) else None


class SiteServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A client that gives up on the handshake (the untrusted-certificate
        # test does) is expected; only say so when asked to.
        if self.verbose:
            super().handle_error(request, client_address)


class SiteServer6(SiteServer):
    address_family = socket.AF_INET6


class Handler(BaseHTTPRequestHandler):
    def version_string(self):
        return "QuorvaneSite/1"

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.server.listener, format % args))

    @property
    def site(self):
        return self.server.site

    def do_GET(self):
        self.handle_request()

    def do_POST(self):
        self.handle_request()

    def do_HEAD(self):
        self.handle_request()

    def handle_request(self):
        if self.path.startswith("/__control/"):
            self.control()
            return
        self.site.record({
            "listener": self.server.listener,
            "method": self.command,
            "path": self.path,
            "version": self.request_version,
            "request_line": self.requestline,
            "headers": [[name, value] for name, value in self.headers.items()],
        })
        route = self.site.route_for(self.path)
        if route is not None:
            self.answer_route(route)
            return
        file_path = self.site.file_for(self.path)
        if file_path is None:
            self.send_body(404, NOT_FOUND_PAGE, "text/html")
            return
        with open(file_path, "rb") as f:
            body = f.read()
        self.send_body(200, body, self.guess_type(file_path))

    def guess_type(self, path):
        ext = os.path.splitext(path)[1].lower()
        return {".json": "application/json", ".html": "text/html", ".txt": "text/plain",
                ".ini": "text/plain"}.get(ext, "application/octet-stream")

    def send_body(self, status, body, content_type, length="present", headers=None, cut=None):
        chunked = length == "chunked"
        if chunked:
            self.protocol_version = "HTTP/1.1"
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        if length == "present":
            self.send_header("Content-Length", str(len(body)))
        elif chunked:
            self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if self.command == "HEAD":
            return
        if chunked:
            step = 65536
            for start in range(0, len(body), step):
                piece = body[start:start + step]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.wfile.write(body if cut is None else body[:cut])

    def answer_route(self, route):
        if "generated" in route:
            body = generated_bytes(int(route["generated"]))
        elif "body_base64" in route:
            body = base64.b64decode(route["body_base64"])
        else:
            body = str(route.get("body", "")).encode("utf-8")
        delay = float(route.get("delay", 0))
        if delay > 0:
            time.sleep(delay)
        self.send_body(int(route.get("status", 200)), body, route.get("content_type", "application/octet-stream"),
                       route.get("length", "present"), route.get("headers"),
                       int(route["cut"]) if "cut" in route else None)

    def control(self):
        parsed = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(parsed.query)
        try:
            if parsed.path == "/__control/route" and self.command == "POST":
                routes = json.loads(self.read_request_body() or b"null")
                for route in routes if isinstance(routes, list) else [routes]:
                    self.site.add_route(route)
                self.send_json({"ok": True})
            elif parsed.path == "/__control/reset" and self.command == "POST":
                self.site.reset()
                self.send_json({"ok": True})
            elif parsed.path == "/__control/requests":
                found = self.site.recorded(query["path"][0] if "path" in query else None)
                if query.get("format") == ["raw"]:
                    heads = "".join(r["request_line"] + "\r\n" +
                                    "".join("%s: %s\r\n" % (n, v) for n, v in r["headers"]) + "\r\n"
                                    for r in found)
                    self.send_body(200, heads.encode("latin-1"), "text/plain")
                else:
                    self.send_json(found)
            elif parsed.path == "/__control/ports":
                self.send_json(self.site.ports)
            else:
                self.send_body(404, NOT_FOUND_PAGE, "text/html")
        except (ValueError, KeyError, TypeError) as error:
            self.send_body(400, ("%s\n" % error).encode("utf-8"), "text/plain")

    def read_request_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send_json(self, value):
        self.send_body(200, json.dumps(value).encode("utf-8"), "application/json")


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def ensure_tls_dir(tls_dir):
    if not os.path.isfile(os.path.join(tls_dir, "server.crt")):
        subprocess.run([MAKE_TEST_CA, tls_dir], check=True, stdout=subprocess.DEVNULL)
    return tls_dir


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", help="folder to serve (optional)")
    parser.add_argument("--routes", help="JSON file with a list of routes set at start")
    parser.add_argument("--bind", default="127.0.0.1", choices=["127.0.0.1", "localhost", "::1"],
                        help="loopback address to listen on")
    parser.add_argument("--http-port", type=int, default=0, help="0 picks a free port; -1 turns HTTP off")
    parser.add_argument("--https-port", type=int, default=0, help="0 picks a free port; -1 turns HTTPS off")
    parser.add_argument("--untrusted-https-port", type=int, default=-1,
                        help="HTTPS with a certificate from a CA nobody trusts; 0 picks a port; -1 (default) off")
    parser.add_argument("--tls-dir", help="folder made by scripts/make-test-ca (made there when missing)")
    parser.add_argument("--ports-file", help="write the chosen ports here as JSON once listening")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args()

    start_routes = []
    if args.routes:
        with open(args.routes, encoding="utf-8") as f:
            start_routes = json.load(f)
    site = Site(args.root, start_routes)

    listeners = []
    if args.http_port >= 0:
        listeners.append(("http", args.http_port, None))
    if args.https_port >= 0 or args.untrusted_https_port >= 0:
        if not args.tls_dir:
            parser.error("HTTPS needs --tls-dir (or --https-port -1)")
        tls_dir = ensure_tls_dir(args.tls_dir)
        if args.https_port >= 0:
            listeners.append(("https", args.https_port,
                              tls_context(os.path.join(tls_dir, "server.crt"), os.path.join(tls_dir, "server.key"))))
        if args.untrusted_https_port >= 0:
            listeners.append(("untrusted_https", args.untrusted_https_port,
                              tls_context(os.path.join(tls_dir, "untrusted.crt"),
                                          os.path.join(tls_dir, "untrusted.key"))))
    if not listeners:
        parser.error("nothing to serve: every listener is off")

    servers = []
    for name, port, context in listeners:
        server = (SiteServer6 if args.bind == "::1" else SiteServer)((args.bind, port), Handler)
        server.site = site
        server.listener = name
        server.verbose = args.verbose
        if context is not None:
            # The handshake runs on the connection's own thread, at its first
            # read, so a stalled client cannot hold up the accept loop.
            server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
        site.ports[name] = server.server_address[1]
        servers.append(server)

    if args.ports_file:
        temp = args.ports_file + ".part"
        with open(temp, "w", encoding="utf-8") as f:
            json.dump(site.ports, f)
        os.replace(temp, args.ports_file)
    for name, port in site.ports.items():
        print("%s %d" % (name, port), flush=True)

    threads = [threading.Thread(target=s.serve_forever, daemon=True) for s in servers]
    for thread in threads:
        thread.start()
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass
    finally:
        for server in servers:
            server.shutdown()


if __name__ == "__main__":
    main()
