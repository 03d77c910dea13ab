"""Tests of the HTTPS stand-in, driven over real sockets like the client would."""

import dataclasses
import http.client
import io
import json
import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
STANDIN = os.path.join(HERE, "standin.py")
JSON_TYPE = b"application/json; charset=utf-8"
START_TIMEOUT = 30.0
IO_TIMEOUT = 10.0

CONSULTAR = ('{"query":"¿Qué hago si tengo fiebre y dolor de garganta?","mode":"autosostenible",'
             '"api_provider":"kimi","top_k":7,"history":[{"role":"user","content":"Hola"},'
             '{"role":"assistant","content":"Hola, ¿en qué puedo ayudarle?"}]}').encode()
LABORATORIO = ('{"texto_laboratorio":"Hemoglobina 10.2 g/dL\\nLeucocitos 12 000/µL","edad":"34",'
               '"sexo":"femenino","sintomas":"cansancio","mode":"api"}').encode()
EXPEDIENTE = ('{"rol":"médico","edad":"52","sexo":"masculino","alergias":"penicilina",'
              '"cronicas":"hipertensión","motivo":"cefalea de tres días",'
              '"signos_vitales":"TA 150/95, FC 88","exploracion":"sin focalidad neurológica",'
              '"medicamentos":"enalapril 10 mg","texto_libre":"","top_k":5,"mode":"api",'
              '"api_provider":"kimi"}').encode()


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.02)


class StandIn:
    """A stand-in process in its own state directory."""

    def __init__(self, state_dir):
        self.state_dir = state_dir
        self.env_path = os.path.join(state_dir, "standin.env")
        self.log_path = os.path.join(state_dir, "standin.log")
        with open(self.log_path, "ab") as log:
            self.proc = subprocess.Popen([sys.executable, STANDIN, "--state-dir", state_dir],
                                         stdout=log, stderr=subprocess.STDOUT)
        self.env = None

    def wait_ready(self):
        self.env = wait_for(self._current_env, START_TIMEOUT, "standin.env")
        self.port = int(self.env["STANDIN_PORT"])
        self.proxy_port = int(self.env["STANDIN_PROXY_PORT"])
        self.untrusted_port = int(self.env["STANDIN_UNTRUSTED_PORT"])
        self.control_port = int(self.env["STANDIN_CONTROL_PORT"])
        self.ca_pem = os.path.join(self.state_dir, "ca.pem")
        return self

    def _current_env(self):
        if self.proc.poll() is not None:
            with open(self.log_path, encoding="utf-8", errors="replace") as log:
                raise AssertionError("stand-in exited with %s:\n%s"
                                     % (self.proc.returncode, log.read()))
        try:
            with open(self.env_path, encoding="utf-8") as f:
                env = dict(line.rstrip("\n").split("=", 1) for line in f)
        except FileNotFoundError:
            return None
        return env if env.get("STANDIN_PID") == str(self.proc.pid) else None  # not a stale one

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(timeout=IO_TIMEOUT)

    def control(self, method, path, body=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.control_port, timeout=IO_TIMEOUT)
        try:
            conn.request(method, path, body=body)
            reply = conn.getresponse()
            return reply.status, reply.read()
        finally:
            conn.close()

    def script(self, **item):
        status, text = self.control("POST", "/script", json.dumps(item).encode())
        assert status == 200, text
        return status

    def recorded(self, index, field):
        status, value = self.control("GET", "/requests/%s/%s" % (index, field))
        assert status == 200, (index, field, status)
        return value


@dataclasses.dataclass
class Response:
    status: int
    reason: str
    headers: http.client.HTTPMessage
    body: bytes
    complete: bool  # False when the body ended before its announced length
    raw: bytes
    reads: int  # recv() calls that returned data
    elapsed: float  # from the request being sent to the connection closing

    def json(self):
        return json.loads(self.body.decode("utf-8"))


class _Canned:
    """Just enough of a socket for http.client to parse bytes already received."""

    def __init__(self, data):
        self._data = data

    def makefile(self, mode):
        return io.BytesIO(self._data)


def request_bytes(path, body, content_type=JSON_TYPE, method=b"POST"):
    head = method + b" " + path + b" HTTP/1.1\r\nHost: localhost\r\n"
    if content_type is not None:
        head += b"Content-Type: " + content_type + b"\r\n"
    head += b"Content-Length: %d\r\n" % len(body)
    return head + b"\r\n" + body


def tls_connect(port, cafile=None, hostname="localhost", verify=True):
    context = ssl.create_default_context(cafile=cafile)
    if not verify:
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
    plain = socket.create_connection(("127.0.0.1", port), timeout=IO_TIMEOUT)
    try:
        return context.wrap_socket(plain, server_hostname=hostname)
    except BaseException:
        plain.close()
        raise


def exchange(port, raw, **connect_args):
    """Sends raw over TLS and reads the reply until the server closes."""
    with tls_connect(port, **connect_args) as conn:
        conn.sendall(raw)
        started = time.monotonic()
        data, reads = b"", 0
        while chunk := conn.recv(65536):
            data, reads = data + chunk, reads + 1
        elapsed = time.monotonic() - started
    reply = http.client.HTTPResponse(_Canned(data))
    reply.begin()
    try:
        body, complete = reply.read(), True
    except http.client.IncompleteRead as e:
        body, complete = e.partial, False
    return Response(reply.status, reply.reason, reply.headers, body, complete, data, reads, elapsed)


class _SharedStandIn(unittest.TestCase):
    """One stand-in for the whole class; each test starts from an empty journal."""

    @classmethod
    def setUpClass(cls):
        cls.standin = StandIn(_state_dir)
        cls.addClassCleanup(cls.standin.kill)
        cls.standin.wait_ready()

    def setUp(self):
        self.assertEqual(self.standin.control("POST", "/reset"), (200, b"ok"))

    def post(self, path, body, **kwargs):
        return self.send(request_bytes(path, body, **kwargs))

    def send(self, raw, **kwargs):
        return exchange(self.standin.port, raw, cafile=self.standin.ca_pem, **kwargs)

    def assertJsonError(self, response, status):
        self.assertEqual(response.status, status)
        self.assertEqual(response.headers["Content-Type"], JSON_TYPE.decode())
        error = response.json()["error"]
        self.assertIsInstance(error, str)
        self.assertEqual(self.standin.recorded("last", "verdict").decode(), error)


class ServiceTest(_SharedStandIn):

    def test_each_endpoint_answers_a_canonical_body(self):
        expected = {
            b"/api/consultar": (CONSULTAR, {"answer": str}),
            b"/api/laboratorio/analizar": (LABORATORIO, {
                "orientacion": str, "analisis": str, "nota": str, "acciones": list}),
            b"/api/expediente/analizar": (EXPEDIENTE, {
                "orientacion": str, "analisis": str, "alertas": list, "acciones": list,
                "diagnosticos": list}),
        }
        for path, (body, keys) in expected.items():
            with self.subTest(path=path):
                response = self.post(path, body)
                self.assertEqual(response.status, 200)
                self.assertEqual(response.headers["Content-Type"], JSON_TYPE.decode())
                self.assertEqual(response.headers["Connection"], "close")
                reply = response.json()
                for key, kind in keys.items():
                    self.assertIsInstance(reply[key], kind, key)
                self.assertEqual(self.standin.recorded("last", "verdict"), b"ok")

    def test_replies_are_orientation_about_the_request(self):
        answer = self.post(b"/api/consultar", CONSULTAR).json()["answer"]
        self.assertIn("¿Qué hago si tengo fiebre y dolor de garganta?", answer)
        self.assertIn("no sustituye el diagnóstico", answer)
        reply = self.post(b"/api/expediente/analizar", EXPEDIENTE).json()
        self.assertIn("cefalea de tres días", reply["orientacion"])
        self.assertTrue(all(isinstance(a, str) for a in reply["alertas"] + reply["acciones"]))
        kinds = {type(d) for d in reply["diagnosticos"]}
        self.assertEqual(kinds, {str, dict})
        for item in reply["diagnosticos"]:
            if isinstance(item, dict):
                self.assertEqual(set(item), {"diagnostico", "probabilidad"})

    def test_every_escape_the_client_writes_is_accepted(self):
        body = CONSULTAR.replace(
            "¿Qué hago si tengo fiebre y dolor de garganta?".encode(),
            'comillas \\" barra \\\\ línea\\n retorno\\r tab\\t bs\\u0008 ff\\u000c us\\u001f '
            'del\x7f / ñ € 😀 \u2028'.encode())
        self.assertEqual(self.post(b"/api/consultar", body).status, 200)
        self.assertEqual(self.standin.recorded("last", "verdict"), b"ok")

    def test_bodies_the_client_could_not_have_written_are_refused(self):
        def consultar(old, new):
            changed = CONSULTAR.replace(old, new, 1)
            assert changed != CONSULTAR, old
            return b"/api/consultar", changed
        cases = {
            "space after a colon": consultar(b'"mode":', b'"mode": '),
            "trailing newline": (b"/api/consultar", CONSULTAR + b"\n"),
            "keys out of order": (b"/api/consultar", CONSULTAR.replace(
                b'"query":"\xc2\xbfQu\xc3\xa9 hago si tengo fiebre y dolor de garganta?",'
                b'"mode":"autosostenible"',
                b'"mode":"autosostenible","query":"fiebre"')),
            "top_k as a string": consultar(b'"top_k":7', b'"top_k":"7"'),
            "top_k as true": consultar(b'"top_k":7', b'"top_k":true'),
            "top_k as a float": consultar(b'"top_k":7', b'"top_k":7.0'),
            "top_k of another endpoint": consultar(b'"top_k":7', b'"top_k":5'),
            "escaped e acute": consultar("Qué".encode(), b"Qu\\u00e9"),
            "escaped solidus": consultar(b"fiebre y", b"fiebre \\/ y"),
            "short escape for backspace": consultar(b"fiebre", b"fie\\bbre"),
            "upper-case hex escape": consultar(b"fiebre", b"fie\\u000Cbre"),
            "raw control character": consultar(b"fiebre", b"fie\x01bre"),
            "invalid UTF-8": consultar(b"fiebre", b"fie\xffbre"),
            "overlong UTF-8": consultar(b"fiebre", b"fie\xc0\xafbre"),
            "duplicate key": consultar(b'"mode":"autosostenible",',
                                       b'"mode":"autosostenible","mode":"api",'),
            "unknown key": consultar(b'"top_k":7', b'"top_k":7,"extra":1'),
            "missing key": consultar(b',"api_provider":"kimi"', b""),
            "unknown mode": consultar(b'"mode":"autosostenible"', b'"mode":"local"'),
            "other provider": consultar(b'"api_provider":"kimi"', b'"api_provider":"otro"'),
            "history turn keys swapped": consultar(b'{"role":"user","content":"Hola"}',
                                                   b'{"content":"Hola","role":"user"}'),
            "unknown role": consultar(b'"role":"user"', b'"role":"system"'),
            "not an object": (b"/api/consultar", b"[]"),
            "laboratory age as a number": (b"/api/laboratorio/analizar",
                                           LABORATORIO.replace(b'"edad":"34"', b'"edad":34')),
            "record top_k of consultar": (b"/api/expediente/analizar",
                                          EXPEDIENTE.replace(b'"top_k":5', b'"top_k":7')),
        }
        for name, (path, body) in cases.items():
            with self.subTest(name):
                self.assertJsonError(self.post(path, body), 400)

    def test_headers_the_client_must_send_exactly(self):
        chunked = (b"POST /api/consultar HTTP/1.1\r\nHost: localhost\r\n"
                   b"Content-Type: application/json; charset=utf-8\r\n"
                   b"Transfer-Encoding: chunked\r\n\r\n"
                   b"%x\r\n%s\r\n0\r\n\r\n" % (len(CONSULTAR), CONSULTAR))
        cases = {
            "no Content-Type": request_bytes(b"/api/consultar", CONSULTAR, content_type=None),
            "no charset": request_bytes(b"/api/consultar", CONSULTAR,
                                        content_type=b"application/json"),
            "upper-case charset": request_bytes(b"/api/consultar", CONSULTAR,
                                                content_type=b"application/json; charset=UTF-8"),
            "Content-Length short of the body": request_bytes(b"/api/consultar", CONSULTAR)
                .replace(b"Content-Length: %d" % len(CONSULTAR),
                         b"Content-Length: %d" % (len(CONSULTAR) - 2)),
            "no Host": request_bytes(b"/api/consultar", CONSULTAR)
                .replace(b"Host: localhost\r\n", b""),
            "bare LF line ends": request_bytes(b"/api/consultar", CONSULTAR)
                .replace(b"\r\n", b"\n"),
            "chunked body": chunked,
        }
        for name, raw in cases.items():
            with self.subTest(name):
                self.assertJsonError(self.send(raw), 400)
        # A chunked body is still read whole, so a test can see what was sent.
        self.assertEqual(self.standin.recorded("last", "body"), CONSULTAR)

    def test_unknown_path_and_wrong_method(self):
        self.assertJsonError(self.post(b"/api/otra", CONSULTAR), 404)
        response = self.post(b"/api/consultar", b"", method=b"GET")
        self.assertJsonError(response, 405)
        self.assertEqual(response.headers["Allow"], "POST")

    def test_certificate_names_and_the_untrusted_port(self):
        by_address = exchange(self.standin.port, request_bytes(b"/api/consultar", CONSULTAR),
                              cafile=self.standin.ca_pem, hostname="127.0.0.1")
        self.assertEqual(by_address.status, 200)
        with self.assertRaises(ssl.SSLCertVerificationError):
            exchange(self.standin.untrusted_port, request_bytes(b"/api/consultar", CONSULTAR),
                     cafile=self.standin.ca_pem)
        self.assertEqual(self.standin.control("GET", "/requests/count"), (200, b"1"))
        unverified = exchange(self.standin.untrusted_port,
                              request_bytes(b"/api/consultar", CONSULTAR), verify=False)
        self.assertEqual(unverified.status, 200)
        self.assertIn("answer", unverified.json())


class ScriptingTest(_SharedStandIn):

    def test_scripted_replies_are_served_in_order_then_normal_ones(self):
        self.standin.script(status=503, reason="Servicio en mantenimiento",
                            body='{"error":"vuelva más tarde"}',
                            content_type="text/plain; charset=utf-8")
        self.standin.script(body_hex="ff00fe7b")
        first = self.post(b"/api/consultar", CONSULTAR)
        second = self.post(b"/api/otra", b"{}")
        third = self.post(b"/api/consultar", CONSULTAR)
        self.assertEqual((first.status, first.reason), (503, "Servicio en mantenimiento"))
        self.assertEqual(first.headers["Content-Type"], "text/plain; charset=utf-8")
        self.assertEqual(first.body, '{"error":"vuelva más tarde"}'.encode())
        self.assertEqual((second.status, second.body), (200, b"\xff\x00\xfe\x7b"))
        self.assertIn("answer", third.json())
        # Scripted or not, every request keeps its own verdict.
        verdicts = [self.standin.recorded(i, "verdict") for i in range(3)]
        self.assertEqual(verdicts[0], b"ok")
        self.assertTrue(verdicts[1].startswith("ruta desconocida".encode()))
        self.assertEqual(verdicts[2], b"ok")

    def test_close_after_cuts_the_body_short(self):
        self.standin.script(body="x" * 100, close_after=10)
        response = self.post(b"/api/consultar", CONSULTAR)
        self.assertEqual(response.headers["Content-Length"], "100")
        self.assertFalse(response.complete)
        self.assertEqual(response.body, b"x" * 10)

    def test_chunks_arrive_apart_and_reassemble(self):
        body = '{"answer":"%s"}' % ("orientación " * 50)
        self.standin.script(body=body, chunks=3, chunk_pause_ms=150)
        response = self.post(b"/api/consultar", CONSULTAR)
        self.assertEqual(response.headers["Transfer-Encoding"], "chunked")
        self.assertIsNone(response.headers["Content-Length"])
        self.assertEqual(response.body, body.encode())
        sizes = _chunk_sizes(response.raw)
        self.assertEqual(sum(sizes), len(body.encode()))
        self.assertEqual(len(sizes), 3)
        self.assertLessEqual(max(sizes) - min(sizes), 1)
        self.assertGreaterEqual(response.reads, 3)
        self.assertGreaterEqual(response.elapsed, 0.3)

    def test_delay_holds_the_reply_back(self):
        self.standin.script(delay_ms=300, body="{}")
        response = self.post(b"/api/consultar", CONSULTAR)
        self.assertGreaterEqual(response.elapsed, 0.3)
        self.assertEqual(response.body, b"{}")
        # A client that gives up during the delay must not disturb later requests.
        self.standin.script(delay_ms=1000, body="{}")
        with tls_connect(self.standin.port, cafile=self.standin.ca_pem) as conn:
            conn.sendall(request_bytes(b"/api/consultar", CONSULTAR))
            wait_for(lambda: self.standin.control("GET", "/requests/count")[1] == b"2",
                     IO_TIMEOUT, "the request to be recorded")
        self.assertEqual(self.post(b"/api/consultar", CONSULTAR).status, 200)

    def test_no_body_length_ends_the_body_by_closing(self):
        self.standin.script(body='{"answer":"sin longitud"}', no_body_length=True)
        response = self.post(b"/api/consultar", CONSULTAR)
        self.assertIsNone(response.headers["Content-Length"])
        self.assertIsNone(response.headers["Transfer-Encoding"])
        self.assertTrue(response.complete)
        self.assertEqual(response.json(), {"answer": "sin longitud"})

    def test_body_size_pads_an_answer_to_exactly_that_many_bytes(self):
        for size in (13, 1024 * 1024 + 1):
            with self.subTest(size=size):
                self.standin.script(body_size=size)
                response = self.post(b"/api/consultar", CONSULTAR)
                self.assertEqual(len(response.body), size)
                self.assertEqual(response.json()["answer"], "a" * (size - 13))

    def test_malformed_scripts_are_refused_and_not_queued(self):
        cases = {
            "not JSON": b"{status:500}",
            "not an object": b"[]",
            "status as a string": b'{"status":"500"}',
            "status as true": b'{"status":true}',
            "unknown field": b'{"estado":500}',
            "body and body_hex": b'{"body":"a","body_hex":"61"}',
            "body and body_size": b'{"body":"a","body_size":100}',
            "body_size below a frame": b'{"body_size":12}',
            "bad hex": b'{"body_hex":"zz"}',
            "zero chunks": b'{"chunks":0}',
            "chunks without length": b'{"chunks":2,"no_body_length":true}',
            "negative delay": b'{"delay_ms":-1}',
        }
        for name, item in cases.items():
            with self.subTest(name):
                self.assertEqual(self.standin.control("POST", "/script", item)[0], 400)
        self.assertIn("answer", self.post(b"/api/consultar", CONSULTAR).json())


class ProxyTest(_SharedStandIn):

    def tunnel(self, authority):
        """Sends CONNECT to the proxy; the status line's code and the open socket."""
        sock = socket.create_connection(("127.0.0.1", self.standin.proxy_port), timeout=IO_TIMEOUT)
        sock.sendall(b"CONNECT %s HTTP/1.1\r\nHost: %s\r\n\r\n" % (authority, authority))
        head = b""
        while b"\r\n\r\n" not in head:
            data = sock.recv(4096)
            if not data:
                break
            head += data
        return int(head.split(b" ")[1]), sock

    def proxy_log(self):
        status, log = self.standin.control("GET", "/proxy/log")
        self.assertEqual(status, 200)
        return log.decode().split("\n") if log else []

    def test_connect_tunnels_to_the_service_under_the_name_only_it_knows(self):
        connection = http.client.HTTPSConnection(
            "127.0.0.1", self.standin.proxy_port, timeout=IO_TIMEOUT,
            context=ssl.create_default_context(cafile=self.standin.ca_pem))
        # The certificate is checked against the proxied name, which the certificate carries.
        connection.set_tunnel("servicio.alvena.test", self.standin.port)
        try:
            connection.request("POST", "/api/consultar", body=CONSULTAR,
                               headers={"Content-Type": JSON_TYPE.decode()})
            self.assertIn("answer", json.loads(connection.getresponse().read()))
        finally:
            connection.close()
        self.assertEqual(self.proxy_log(),
                         ["CONNECT servicio.alvena.test:%d HTTP/1.0" % self.standin.port])
        self.assertEqual(self.standin.recorded("last", "verdict"), b"ok")

    def test_refusals_and_the_basic_mode(self):
        closed = socket.socket()
        closed.bind(("127.0.0.1", 0))
        closed_port = closed.getsockname()[1]
        closed.close()
        cases = [(b"example.com:443", 403), (b"servicio.alvena.test:x", 403),
                 (b"localhost:%d" % closed_port, 502)]
        for authority, status in cases:
            with self.subTest(authority=authority):
                code, sock = self.tunnel(authority)
                sock.close()
                self.assertEqual(code, status)
        self.assertEqual(self.standin.control("POST", "/proxy/mode", b"basic407"), (200, b"ok"))
        code, sock = self.tunnel(b"servicio.alvena.test:%d" % self.standin.port)
        sock.close()
        self.assertEqual(code, 407)
        self.assertEqual(self.standin.control("POST", "/proxy/mode", b"abierto")[0], 400)
        self.assertEqual(len(self.proxy_log()), 4)
        self.assertEqual(self.standin.control("GET", "/requests/count"), (200, b"0"))
        # A reset forgets the log and goes back to tunnelling.
        self.standin.control("POST", "/reset")
        self.assertEqual(self.proxy_log(), [])
        code, sock = self.tunnel(b"127.0.0.1:%d" % self.standin.port)
        sock.close()
        self.assertEqual(code, 200)

    def test_the_proxy_script_is_served_once_set(self):
        def get_script():
            conn = http.client.HTTPConnection("127.0.0.1", self.standin.proxy_port,
                                              timeout=IO_TIMEOUT)
            try:
                conn.request("GET", "/proxy.pac")
                reply = conn.getresponse()
                return reply.status, reply.getheader("Content-Type"), reply.read()
            finally:
                conn.close()

        self.assertEqual(get_script()[0], 404)
        script = 'function FindProxyForURL(url, host) { return "DIRECT"; }'
        self.standin.control("POST", "/proxy/pac", script.encode())
        self.assertEqual(get_script(), (200, "application/x-ns-proxy-autoconfig", script.encode()))
        self.assertEqual(self.proxy_log(), ["GET /proxy.pac HTTP/1.1"] * 2)


class RecordingTest(_SharedStandIn):

    def test_head_and_body_are_kept_byte_for_byte(self):
        raw = (b"POST /api/consultar HTTP/1.1\r\n"
               b"host: localhost:443\r\n"
               b"content-TYPE:application/json; charset=utf-8\r\n"
               b"X-Prueba: \xc3\xa1 \t \r\n"
               b"Content-Length: %d\r\n\r\n" % len(CONSULTAR)) + CONSULTAR
        self.assertEqual(self.send(raw).status, 200)
        self.assertEqual(self.standin.recorded(0, "head"), raw[:-len(CONSULTAR)])
        self.assertEqual(self.standin.recorded(0, "body"), CONSULTAR)
        self.assertEqual(self.standin.recorded(0, "path"), b"/api/consultar")
        self.assertEqual(self.standin.recorded(0, "method"), b"POST")

    def test_count_indices_and_reset(self):
        for path in (b"/api/consultar", b"/api/laboratorio/analizar", b"/api/otra"):
            self.post(path, b"{}")
        self.assertEqual(self.standin.control("GET", "/requests/count"), (200, b"3"))
        self.assertEqual(self.standin.recorded(0, "path"), b"/api/consultar")
        self.assertEqual(self.standin.recorded("last", "path"), b"/api/otra")
        for index in ("3", "-1", "x"):
            with self.subTest(index=index):
                self.assertEqual(self.standin.control("GET", "/requests/%s/head" % index)[0], 404)

        self.standin.script(status=500)
        self.assertEqual(self.standin.control("POST", "/reset"), (200, b"ok"))
        self.assertEqual(self.standin.control("GET", "/requests/count"), (200, b"0"))
        self.assertEqual(self.standin.control("GET", "/requests/last/head")[0], 404)
        self.assertEqual(self.post(b"/api/consultar", CONSULTAR).status, 200)  # queue emptied too


class LifecycleTest(unittest.TestCase):

    def setUp(self):
        self.state_dir = tempfile.mkdtemp(prefix="standin-life-")
        self.addCleanup(shutil.rmtree, self.state_dir, ignore_errors=True)

    def start(self):
        standin = StandIn(self.state_dir)
        self.addCleanup(standin.kill)
        return standin.wait_ready()

    def test_env_file_is_announced_then_removed_on_sigterm(self):
        with open(os.path.join(self.state_dir, "standin.env"), "w") as stale:
            stale.write("STANDIN_PID=1\n")
        standin = self.start()
        with open(standin.env_path, encoding="utf-8") as f:
            names = [line.split("=", 1)[0] for line in f]
        self.assertEqual(names, ["STANDIN_PORT", "STANDIN_UNTRUSTED_PORT", "STANDIN_CONTROL_PORT",
                                 "STANDIN_PROXY_PORT", "STANDIN_CA_DER", "STANDIN_PID"])
        ca_der = standin.env["STANDIN_CA_DER"]
        self.assertTrue(os.path.isabs(ca_der))
        with open(ca_der, "rb") as der, open(standin.ca_pem, encoding="ascii") as pem:
            self.assertEqual(der.read(), ssl.PEM_cert_to_DER_cert(pem.read()))
        self.assertEqual(standin.control("GET", "/health"), (200, b"ok"))

        os.kill(standin.proc.pid, signal.SIGTERM)
        self.assertEqual(standin.proc.wait(timeout=IO_TIMEOUT), 0)
        self.assertFalse(os.path.exists(standin.env_path))
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", standin.control_port), timeout=IO_TIMEOUT)

    def test_restart_keeps_the_certificates(self):
        def certificates():
            with open(os.path.join(self.state_dir, "ca.der"), "rb") as ca, \
                    open(os.path.join(self.state_dir, "server.pem"), "rb") as server:
                return ca.read(), server.read()
        first = self.start()
        before = certificates()
        os.kill(first.proc.pid, signal.SIGINT)
        self.assertEqual(first.proc.wait(timeout=IO_TIMEOUT), 0)
        self.start()
        self.assertEqual(certificates(), before)


class CertificateTest(unittest.TestCase):
    """GnuTLS (Wine's schannel) wants v3 certificates with both key identifiers."""

    def openssl(self, *args):
        return subprocess.run(["openssl", *args], cwd=_state_dir, capture_output=True, text=True)

    def test_server_certificate_chains_to_the_test_ca_and_untrusted_does_not(self):
        self.assertEqual(
            self.openssl("verify", "-CAfile", "ca.pem", "-purpose", "sslserver",
                         "server.pem").returncode, 0)
        self.assertNotEqual(
            self.openssl("verify", "-CAfile", "ca.pem", "untrusted.pem").returncode, 0)

    def test_certificates_carry_what_gnutls_expects(self):
        for name in ("ca.pem", "server.pem", "untrusted.pem"):
            with self.subTest(name):
                text = self.openssl("x509", "-in", name, "-noout", "-text").stdout
                self.assertIn("Version: 3", text)
                self.assertIn("Subject Key Identifier", text)
                self.assertIn("Authority Key Identifier", text)
                if name != "ca.pem":
                    self.assertIn("DNS:localhost", text)
                    self.assertIn("DNS:servicio.alvena.test", text)
                    self.assertIn("IP Address:127.0.0.1", text)
                    self.assertIn("TLS Web Server Authentication", text)


def _chunk_sizes(raw):
    body = raw.split(b"\r\n\r\n", 1)[1]
    sizes = []
    while True:
        line, body = body.split(b"\r\n", 1)
        size = int(line, 16)
        if size == 0:
            return sizes
        sizes.append(size)
        body = body[size + 2:]


_state_dir = None


def setUpModule():
    global _state_dir
    _state_dir = tempfile.mkdtemp(prefix="standin-test-")
    # Certificates first, so the shared-process classes all reuse one set.
    from certs import ensure_certificates
    ensure_certificates(_state_dir)


def tearDownModule():
    shutil.rmtree(_state_dir, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
