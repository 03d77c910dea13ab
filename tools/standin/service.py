"""The orientation service as the client meets it on both HTTPS ports."""

import json
import socketserver
import ssl

import bodies
import replies
import wire
from state import Record

_IO_TIMEOUT = 10.0

_ENDPOINTS = {
    "/api/consultar": replies.consultar,
    "/api/laboratorio/analizar": replies.laboratorio,
    "/api/expediente/analizar": replies.expediente,
}


def respond(request):
    """The service's own answer to a request, and the verdict on it."""
    if request.problem:
        return _error(400, request.problem)
    if request.path not in _ENDPOINTS:
        return _error(404, "ruta desconocida: %s" % request.path)
    if request.method != "POST":
        reply, verdict = _error(405, "método no permitido: %s" % request.method)
        reply.extra_headers.append(("Allow", "POST"))
        return reply, verdict
    try:
        _check_headers(request)
        body = bodies.parse_body(request.body, bodies.SCHEMAS[request.path])
    except bodies.BodyError as e:
        return _error(400, str(e))
    return wire.Reply(body=_json(_ENDPOINTS[request.path](body))), "ok"


def _check_headers(request):
    if request.version == "HTTP/1.1" and len(request.header_values("host")) != 1:
        raise bodies.BodyError("se esperaba exactamente una cabecera Host")
    if request.header_values("content-type") != [bodies.JSON_CONTENT_TYPE]:
        raise bodies.BodyError("Content-Type debe ser exactamente %s" % bodies.JSON_CONTENT_TYPE)
    if request.header_values("transfer-encoding"):
        raise bodies.BodyError("el cuerpo debe ir con Content-Length, no con Transfer-Encoding")
    lengths = request.header_values("content-length")
    if len(lengths) != 1:
        raise bodies.BodyError("se esperaba exactamente una cabecera Content-Length")
    if lengths[0] != str(len(request.body)):
        raise bodies.BodyError("Content-Length no coincide con el cuerpo")


def _error(status, reason):
    return wire.Reply(status=status, body=_json({"error": reason})), reason


def _json(value):
    return json.dumps(value, ensure_ascii=False).encode("utf-8")


class _Handler(socketserver.BaseRequestHandler):
    """One connection, one request, then close."""

    def handle(self):
        self.request.settimeout(_IO_TIMEOUT)
        try:
            conn = self.server.ssl_context.wrap_socket(self.request, server_side=True)
        except (OSError, ValueError):
            return  # a refused handshake is the client's business, not a request
        clean = False
        try:
            request = wire.read_request(conn)
            if request is not None:
                reply, verdict = respond(request)
                scripted = self.server.journal.admit(Record(
                    request.head, request.body, request.method, request.path, verdict))
                clean = wire.send_reply(conn, scripted or reply)
        except OSError:
            pass  # the client hung up first; there is no one left to tell
        finally:
            wire.close(conn, clean)


class HttpsServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, certfile, keyfile, journal):
        self.ssl_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.ssl_context.load_cert_chain(certfile, keyfile)
        self.journal = journal
        super().__init__(("127.0.0.1", port), _Handler)
