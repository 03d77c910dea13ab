"""HTTP/1.1 on a raw (TLS) socket: just enough to read one request verbatim and
to send a reply, well-formed or deliberately broken.

http.server is not used on the service side because it hides the request head
bytes, and those are what the client's tests need to look at.
"""

import dataclasses
import http
import string
import time

_MAX_HEAD = 64 * 1024
_MAX_BODY = 16 * 1024 * 1024
_MAX_CHUNK_LINE = 1024


@dataclasses.dataclass
class Request:
    head: bytes  # request line + header lines + blank line, as received
    body: bytes = b""  # payload, with any chunked coding undone
    method: str = ""
    path: str = ""
    version: str = ""
    headers: list = dataclasses.field(default_factory=list)  # [(lower-case name, value)]
    problem: str = ""  # first HTTP-level fault found while reading

    def header_values(self, name):
        return [v for n, v in self.headers if n == name]

    def note(self, problem):
        self.problem = self.problem or problem


@dataclasses.dataclass
class Reply:
    status: int = 200
    reason: str = ""  # empty: the standard phrase
    body: bytes = b""
    content_type: str = "application/json; charset=utf-8"  # empty: no header
    extra_headers: list = dataclasses.field(default_factory=list)
    delay_ms: int = 0
    close_after: int = None  # body bytes to send before dropping the connection
    chunks: int = 0  # >0: chunked transfer coding in this many chunks
    chunk_pause_ms: int = 100
    no_body_length: bool = False  # the body ends when the connection closes


class _Fault(Exception):
    """The request cannot be read any further; str() is the reason."""


class _Reader:
    """Buffered reads that can tell whether the peer sent more than was asked for."""

    def __init__(self, sock):
        self._sock = sock
        self._buf = bytearray()

    def line(self, limit):
        while True:
            end = self._buf.find(b"\n", 0, limit)
            if end >= 0:
                return self._take(end + 1)
            if len(self._buf) >= limit:
                raise _Fault("línea demasiado larga")
            self._fill()

    def exactly(self, n):
        while len(self._buf) < n:
            self._fill()
        return self._take(n)

    def leftover(self):
        return self._take(len(self._buf))

    def has_more(self):
        # Only what already arrived counts; waiting for more would stall every request.
        pending = getattr(self._sock, "pending", lambda: 0)
        return bool(self._buf) or pending() > 0

    def _fill(self):
        try:
            data = self._sock.recv(65536)
        except OSError as e:
            raise _Fault("error de lectura: %s" % e) from None
        if not data:
            raise _Fault("conexión cerrada a mitad de la petición")
        self._buf += data

    def _take(self, n):
        data = bytes(self._buf[:n])
        del self._buf[:n]
        return data


def read_request(sock):
    """Reads one request; None if the peer sent nothing at all."""
    reader = _Reader(sock)
    head = bytearray()
    try:
        _read_head(reader, head)
    except _Fault as e:
        head += reader.leftover()
        return Request(head=bytes(head), problem="cabecera incompleta: %s" % e) if head else None
    request = _parse_head(bytes(head))
    if not request.problem:
        _read_body(reader, request)
    return request


def _read_head(reader, head):
    while True:
        line = reader.line(_MAX_HEAD - len(head))
        head += line
        if line in (b"\r\n", b"\n"):
            return


def _parse_head(head):
    request = Request(head=head)
    lines = head.decode("latin-1").split("\n")[:-1]
    if any(not line.endswith("\r") for line in lines):
        request.note("fin de línea sin CR en la cabecera")
    lines = [line.rstrip("\r") for line in lines[:-1]]
    parts = lines[0].split(" ") if lines else []
    if len(parts) != 3:
        request.note("línea de petición mal formada")
        return request
    request.method, request.path, request.version = parts
    if request.version not in ("HTTP/1.1", "HTTP/1.0"):
        request.note("versión HTTP no admitida: %s" % request.version)
    for line in lines[1:]:
        _parse_header_line(request, line)
    return request


def _parse_header_line(request, line):
    if line[:1] in (" ", "\t"):
        request.note("cabecera plegada en varias líneas")
        return
    name, colon, value = line.partition(":")
    if not colon or not name or name != name.strip():
        request.note("cabecera mal formada: %r" % line)
        return
    request.headers.append((name.lower(), value.strip(" \t")))


def _read_body(reader, request):
    codings = [v.lower() for v in request.header_values("transfer-encoding")]
    lengths = set(request.header_values("content-length"))
    try:
        if codings:
            if codings != ["chunked"]:
                request.note("Transfer-Encoding no admitido: %s" % ", ".join(codings))
                return
            request.body = _read_chunked(reader)
        elif lengths:
            request.body = reader.exactly(_content_length(lengths))
    except _Fault as e:
        request.body = reader.leftover()
        request.note("cuerpo ilegible: %s" % e)
        return
    if reader.has_more():
        request.note("llegaron bytes después del final del cuerpo")


def _content_length(values):
    value = values.pop() if len(values) == 1 else ""
    if not (value.isascii() and value.isdigit()):
        raise _Fault("Content-Length no válido")
    if int(value) > _MAX_BODY:
        raise _Fault("cuerpo demasiado grande")
    return int(value)


def _read_chunked(reader):
    body = bytearray()
    while True:
        size_text = reader.line(_MAX_CHUNK_LINE).split(b";", 1)[0].strip()
        if not size_text or not all(chr(c) in string.hexdigits for c in size_text):
            raise _Fault("tamaño de trozo no válido")
        size = int(size_text, 16)
        if size == 0:
            break
        if len(body) + size > _MAX_BODY:
            raise _Fault("cuerpo demasiado grande")
        body += reader.exactly(size)
        if reader.exactly(2) != b"\r\n":
            raise _Fault("trozo sin CRLF final")
    while reader.line(_MAX_CHUNK_LINE) not in (b"\r\n", b"\n"):
        pass  # trailer fields are read and ignored
    return bytes(body)


def send_reply(sock, reply):
    """Sends reply; True if the body went out whole and the close may be clean."""
    if reply.delay_ms:
        time.sleep(reply.delay_ms / 1000)
    sock.sendall(_head_bytes(reply))
    budget = len(reply.body) if reply.close_after is None else reply.close_after
    for index, piece in enumerate(_pieces(reply)):
        if index:
            time.sleep(reply.chunk_pause_ms / 1000)
        if budget < len(piece):
            sock.sendall(_frame(reply, piece, piece[:budget]))
            return False
        budget -= len(piece)
        sock.sendall(_frame(reply, piece, piece) + (b"\r\n" if reply.chunks else b""))
    if reply.chunks:
        sock.sendall(b"0\r\n\r\n")
    return True


def _head_bytes(reply):
    reason = reply.reason or _standard_reason(reply.status)
    lines = ["HTTP/1.1 %d %s" % (reply.status, reason)]
    if reply.content_type:
        lines.append("Content-Type: " + reply.content_type)
    if reply.chunks:
        lines.append("Transfer-Encoding: chunked")
    elif not reply.no_body_length:
        lines.append("Content-Length: %d" % len(reply.body))
    lines += ["%s: %s" % header for header in reply.extra_headers]
    lines.append("Connection: close")
    return ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8")


def _standard_reason(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Estado %d" % status


def _pieces(reply):
    if not reply.chunks:
        return [reply.body]
    count = min(reply.chunks, len(reply.body))
    size, extra = divmod(len(reply.body), count) if count else (0, 0)
    bounds, start = [], 0
    for i in range(count):
        end = start + size + (1 if i < extra else 0)
        bounds.append(reply.body[start:end])
        start = end
    return bounds


def _frame(reply, piece, sent):
    # A cut chunk still announces its full size: the client must notice the loss.
    return (b"%x\r\n" % len(piece) + sent) if reply.chunks else sent


def close(sock, clean):
    """Closes sock; a clean close sends TLS close_notify, a dirty one just drops it."""
    try:
        if clean and hasattr(sock, "unwrap"):
            sock.settimeout(1.0)
            sock.unwrap()
    except (OSError, ValueError):
        pass
    finally:
        sock.close()
