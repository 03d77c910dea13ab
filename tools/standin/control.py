"""The control port: plain HTTP/1.0 through which tests script replies and read
back what the client sent, and set and read the proxy (its mode, its script and
the request lines it saw)."""

import http.server
import json
import re
import socketserver

from state import parse_script

_RECORD_PATH = re.compile(r"/requests/([^/]+)/(head|body|verdict|path|method)")


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_GET(self):
        journal = self.server.journal
        if self.path == "/health":
            return self._send(200, b"ok")
        if self.path == "/proxy/log":
            return self._send(200, "\n".join(self.server.proxy.log()).encode("utf-8"))
        if self.path == "/requests/count":
            return self._send(200, str(journal.count()).encode("ascii"))
        match = _RECORD_PATH.fullmatch(self.path)
        record = match and journal.record(match.group(1))
        if not record:
            return self._send(404, b"no existe")
        value = getattr(record, match.group(2))
        return self._send(200, value if isinstance(value, bytes) else value.encode("utf-8"))

    def do_POST(self):
        length = self.headers.get("Content-Length", "0")
        if not (length.isascii() and length.isdigit()):
            return self._send(400, "Content-Length no válido".encode("utf-8"))
        body = self.rfile.read(int(length))
        if self.path == "/reset":
            self.server.journal.reset()
            self.server.proxy.reset()
            return self._send(200, b"ok")
        if self.path in ("/proxy/mode", "/proxy/pac"):
            return self._set_proxy(self.path, body)
        if self.path != "/script":
            return self._send(404, b"no existe")
        try:
            reply = parse_script(json.loads(body.decode("utf-8")))
        except ValueError as e:  # bad UTF-8, bad JSON and ScriptError alike
            return self._send(400, str(e).encode("utf-8"))
        self.server.journal.enqueue(reply)
        return self._send(200, b"ok")

    def _set_proxy(self, path, body):
        try:
            text = body.decode("utf-8")
            if path == "/proxy/mode":
                self.server.proxy.set_mode(text)
            else:
                self.server.proxy.set_pac(text)
        except ValueError as e:  # bad UTF-8 or an unknown mode
            return self._send(400, str(e).encode("utf-8"))
        return self._send(200, b"ok")

    def _send(self, status, payload):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def log_message(self, *args):
        pass  # tests read the journal, not a log


class ControlServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, journal, proxy):
        self.journal = journal
        self.proxy = proxy
        super().__init__(("127.0.0.1", port), _Handler)
