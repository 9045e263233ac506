"""What the hostile-input cases need beyond the suite's maker site: HTTPS
servers on loopback that misbehave on purpose, certificates signed by the
suite's test CA that a client must refuse, and a process that holds a file
open with no sharing."""

import contextlib
import socket
import socketserver
import ssl
import subprocess
import threading
import time
from pathlib import Path


def _openssl(*arguments):
    subprocess.run(["openssl", *[str(a) for a in arguments]], check=True, capture_output=True, timeout=60)


def signed_certificate(ca_folder, folder, name, hosts, expired=False):
    """A server certificate for the given DNS names, signed by the suite's CA
    (ca.pem and ca.key in ca_folder); an expired one ended a day ago.
    Returns (cert_pem, key_pem)."""
    ca_folder, folder = Path(ca_folder), Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    key, request, cert = folder / f"{name}.key", folder / f"{name}.csr", folder / f"{name}.pem"
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", f"/CN={hosts[0]}")
    alt_names = ",".join(f"DNS:{host}" for host in hosts)
    extensions = ("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                  f"extendedKeyUsage=serverAuth\nsubjectAltName={alt_names}\n")
    if not expired:
        (folder / f"{name}.ext").write_text(extensions)
        _openssl("x509", "-req", "-in", request, "-CA", ca_folder / "ca.pem", "-CAkey", ca_folder / "ca.key",
                 "-CAcreateserial", "-out", cert, "-days", "30", "-extfile", folder / f"{name}.ext")
        return cert, key
    # "openssl x509" cannot date a certificate in the past; "openssl ca" can.
    database = folder / f"{name}-ca"
    database.mkdir(exist_ok=True)
    (database / "index.txt").write_text("")
    (database / "serial").write_text("1000\n")
    (database / "ext").write_text(extensions)
    config = database / "ca.cnf"
    config.write_text(
        "[ca]\ndefault_ca = test\n[test]\n"
        f"dir = {database}\ndatabase = $dir/index.txt\nserial = $dir/serial\nnew_certs_dir = $dir\n"
        f"certificate = {ca_folder / 'ca.pem'}\nprivate_key = {ca_folder / 'ca.key'}\n"
        "default_md = sha256\npolicy = anything\nunique_subject = no\ncopy_extensions = none\n"
        "[anything]\ncommonName = supplied\n")
    now = time.gmtime()
    stamp = lambda seconds: time.strftime("%Y%m%d%H%M%SZ", time.gmtime(time.mktime(now) - seconds))  # noqa: E731
    _openssl("ca", "-batch", "-config", config, "-in", request, "-out", cert, "-notext",
             "-startdate", stamp(30 * 86400), "-enddate", stamp(86400), "-extfile", database / "ext")
    return cert, key


@contextlib.contextmanager
def serving_certificate(site, cert, key, usual_cert, usual_key):
    """Makes the suite's maker site present another certificate to every new
    connection, and its usual one again afterwards. A connection takes its
    certificate from the listening socket's context when it is accepted."""
    contexts = [server.socket.context for server in site._servers]
    for context in contexts:
        context.load_cert_chain(str(cert), str(key))
    try:
        yield
    finally:
        for context in contexts:
            context.load_cert_chain(str(usual_cert), str(usual_key))


class Answer:
    """How a misbehaving server answers one path."""

    @staticmethod
    def body(data):
        return lambda connection, stop: connection.sendall(
            b"HTTP/1.0 200 OK\r\nContent-Type: application/json\r\nContent-Length: %d\r\n\r\n" % len(data) + data)

    @staticmethod
    def cut(data, sent):
        """Announces the whole body, sends its first bytes and closes."""
        return lambda connection, stop: connection.sendall(
            b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(data) + data[:sent])

    @staticmethod
    def redirect(location):
        return lambda connection, stop: connection.sendall(
            b"HTTP/1.0 302 Found\r\nLocation: %s\r\nContent-Length: 0\r\n\r\n" % location.encode("ascii"))

    @staticmethod
    def never():
        """Reads the request and holds the connection open without a byte."""
        return lambda connection, stop: stop.wait(300)


class HostileServer:
    """An HTTPS server on a loopback host of its own choosing that answers
    each path as its Answer says and records the paths it was asked for."""

    def __init__(self, cert, key, answers, host="localhost"):
        self.answers = answers
        self.requested = []
        self._stop = threading.Event()
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(str(cert), str(key))
        server = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                try:
                    with context.wrap_socket(self.request, server_side=True) as connection:
                        head = b""
                        while b"\r\n\r\n" not in head and len(head) < 65536:
                            piece = connection.recv(4096)
                            if not piece:
                                return
                            head += piece
                        path = head.split(b" ", 2)[1].decode("latin-1")
                        server.requested.append(path)
                        answer = server.answers.get(path.split("?", 1)[0])
                        if answer is None:
                            connection.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                        else:
                            answer(connection, server._stop)
                except (OSError, ssl.SSLError, IndexError):
                    pass

        class Server4(socketserver.ThreadingTCPServer):
            daemon_threads = True
            allow_reuse_address = True

        class Server6(Server4):
            address_family = socket.AF_INET6

        # "localhost" may resolve to either loopback address first.
        self._servers = [Server4(("127.0.0.1", 0), Handler)]
        self.port = self._servers[0].server_address[1]
        if host == "localhost":
            self._servers.append(Server6(("::1", self.port), Handler))
        self.host = host
        for listener in self._servers:
            threading.Thread(target=listener.serve_forever, daemon=True).start()

    def url(self, path):
        return f"https://{self.host}:{self.port}{path}"

    def stop(self):
        self._stop.set()
        for listener in self._servers:
            listener.shutdown()
            listener.server_close()


class FileLocker:
    """qv_file_locker.exe started in the prefix, holding one file."""

    def __init__(self, launcher, locker_exe, unix_file, timeout=30.0):
        session = launcher.session
        tool = session.prefix.install_tools({"locker": locker_exe})["locker"]
        ready = Path(str(unix_file) + ".held")
        ready.unlink(missing_ok=True)
        pid = session.driver.start(f'"{tool}" "{session.prefix.windows_path(unix_file)}" '
                                   f'"{session.prefix.windows_path(ready.parent)}\\{ready.name}"')
        launcher.started.append(pid)
        deadline = time.monotonic() + timeout
        while not ready.exists():
            if session.driver.wait_exit(pid, 100) is not None:
                raise RuntimeError(f"the locker could not hold {unix_file}")
            if time.monotonic() > deadline:
                raise RuntimeError(f"the locker did not hold {unix_file} within {timeout} s")
        ready.unlink()
