"""A small HTTP proxy in front of the stand-in, as a clinic's network puts one.

It tunnels CONNECT to loopback ports only, for the host names it knows (one of
them resolves nowhere else, so a request for it can only have come through
here), serves a proxy script (PAC) on a plain GET, keeps a log of the request
lines it saw, and can ask for Basic authentication instead of tunnelling.
"""

import select
import socket
import socketserver
import threading

# A name no resolver answers for; the stand-in's certificate carries it.
PROXIED_HOST = "servicio.alvena.test"
_LOOPBACK_NAMES = {PROXIED_HOST, "127.0.0.1", "localhost"}
_MODES = ("tunnel", "basic407")
_MAX_HEAD = 16 * 1024
_IO_TIMEOUT = 10.0
PAC_PATH = "/proxy.pac"


class ProxyState:
    """The log, the mode and the script, shared with the control port."""

    def __init__(self):
        self._lock = threading.Lock()
        self.reset()

    def reset(self):
        with self._lock:
            self._log = []
            self._mode = "tunnel"
            self._pac = None

    def set_mode(self, mode):
        if mode not in _MODES:
            raise ValueError("modo desconocido: %s (se esperaba %s)" % (mode, " o ".join(_MODES)))
        with self._lock:
            self._mode = mode

    def set_pac(self, text):
        with self._lock:
            self._pac = text

    def note(self, line):
        with self._lock:
            self._log.append(line)
            return self._mode, self._pac

    def log(self):
        with self._lock:
            return list(self._log)


def _read_head(sock):
    head = b""
    while b"\r\n\r\n" not in head:
        if len(head) > _MAX_HEAD:
            return None
        data = sock.recv(4096)
        if not data:
            return None
        head += data
    return head.split(b"\r\n\r\n", 1)[0]


def _reply(sock, status, reason, headers=(), body=b""):
    lines = ["HTTP/1.1 %d %s" % (status, reason)]
    lines += ["%s: %s" % header for header in headers]
    lines += ["Content-Length: %d" % len(body), "Connection: close"]
    sock.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)


def _splice(a, b):
    """Copies bytes both ways until either side closes."""
    sockets = [a, b]
    while True:
        readable, _, _ = select.select(sockets, [], [], _IO_TIMEOUT)
        if not readable:
            return
        for source in readable:
            data = source.recv(65536)
            if not data:
                return
            (b if source is a else a).sendall(data)


def _loopback_port(authority):
    host, _, port = authority.rpartition(":")
    if host.lower() not in _LOOPBACK_NAMES or not (port.isascii() and port.isdigit()):
        return None
    return int(port)


class _Handler(socketserver.BaseRequestHandler):

    def handle(self):
        self.request.settimeout(_IO_TIMEOUT)
        try:
            head = _read_head(self.request)
            if head is None:
                return
            line = head.split(b"\r\n", 1)[0].decode("latin-1")
            mode, pac = self.server.state.note(line)
            parts = line.split(" ")
            if len(parts) != 3:
                return _reply(self.request, 400, "Bad Request")
            method, target, _ = parts
            if method == "CONNECT":
                return self._connect(target, mode)
            # Any query is ignored: tests vary it, since WinHTTP keeps a script by its address.
            if method == "GET" and target.split("?", 1)[0].endswith(PAC_PATH):
                if pac is None:
                    return _reply(self.request, 404, "Not Found")
                return _reply(self.request, 200, "OK",
                              [("Content-Type", "application/x-ns-proxy-autoconfig")],
                              pac.encode("utf-8"))
            return _reply(self.request, 405, "Method Not Allowed")
        except OSError:
            pass  # either side hung up; nothing is left to tell

    def _connect(self, authority, mode):
        if mode == "basic407":
            return _reply(self.request, 407, "Proxy Authentication Required",
                          [("Proxy-Authenticate", 'Basic realm="clinica"')])
        port = _loopback_port(authority)
        if port is None:
            return _reply(self.request, 403, "Forbidden")
        try:
            upstream = socket.create_connection(("127.0.0.1", port), timeout=_IO_TIMEOUT)
        except OSError:
            return _reply(self.request, 502, "Bad Gateway")
        with upstream:
            self.request.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            _splice(self.request, upstream)


class ProxyServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, state):
        self.state = state
        super().__init__(("127.0.0.1", port), _Handler)
