"""The maker site for the suite: an HTTPS server on localhost that answers
each path with the body, status and delay a test has set, and remembers
every request it was sent."""

import http.server
import socket
import ssl
import subprocess
import threading
import time
from pathlib import Path


def make_test_ca(folder):
    """A certificate authority and a localhost certificate signed by it.
    Returns (ca_der, server_cert_pem, server_key_pem)."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    ca_key, ca_pem, ca_der = folder / "ca.key", folder / "ca.pem", folder / "ca.der"
    key, request, cert, extensions = (folder / "server.key", folder / "server.csr", folder / "server.pem",
                                      folder / "server.ext")

    def openssl(*arguments):
        subprocess.run(["openssl", *arguments], check=True, capture_output=True, timeout=60)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca_pem, "-days", "30",
            "-subj", "/CN=Quorvane e2e test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("x509", "-in", ca_pem, "-outform", "DER", "-out", ca_der)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=localhost")
    extensions.write_text("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                          "extendedKeyUsage=serverAuth\nsubjectAltName=DNS:localhost,IP:127.0.0.1\n")
    openssl("x509", "-req", "-in", request, "-CA", ca_pem, "-CAkey", ca_key, "-CAcreateserial", "-out", cert,
            "-days", "30", "-extfile", extensions)
    return ca_der, cert, key


class Route:
    def __init__(self, body, status=200, delay=0.0, content_type="application/octet-stream"):
        self.body = body if isinstance(body, bytes) else body.encode("utf-8")
        self.status = status
        self.delay = delay
        self.content_type = content_type


NOT_FOUND = Route(b"<html><body><h1>404 Not Found</h1></body></html>", status=404, content_type="text/html")


class Request:
    def __init__(self, path, headers, request_line):
        self.path = path
        self.headers = headers
        self.request_line = request_line


class Site:
    def __init__(self, port, cert, key):
        self.routes = {}
        self.requests = []
        self._lock = threading.Lock()
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):  # noqa: N802 (the base class's name)
                path = self.path.split("?", 1)[0]
                with site._lock:
                    site.requests.append(Request(path, dict(self.headers), self.requestline))
                    route = site.routes.get(path, NOT_FOUND)
                if route.delay:
                    time.sleep(route.delay)
                self.send_response(route.status)
                self.send_header("Content-Type", route.content_type)
                self.send_header("Content-Length", str(len(route.body)))
                self.end_headers()
                self.wfile.write(route.body)

            def log_message(self, *arguments):
                pass

        class Server6(http.server.ThreadingHTTPServer):
            address_family = socket.AF_INET6

        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(str(cert), str(key))
        # "localhost" may resolve to either loopback address first.
        self._servers = [http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler), Server6(("::1", port), Handler)]
        for server in self._servers:
            server.daemon_threads = True
            server.socket = context.wrap_socket(server.socket, server_side=True)
            threading.Thread(target=server.serve_forever, daemon=True).start()

    def set(self, path, body, status=200, delay=0.0):
        with self._lock:
            self.routes[path] = Route(body, status, delay)

    def remove(self, path):
        with self._lock:
            self.routes.pop(path, None)

    def reset(self, bodies):
        """Serves each path's body with status 200, and nothing else."""
        with self._lock:
            self.routes = {path: Route(body) for path, body in bodies.items()}
            self.requests = []

    def requested(self, path):
        with self._lock:
            return [request for request in self.requests if request.path == path]

    def stop(self):
        for server in self._servers:
            server.shutdown()
            server.server_close()
