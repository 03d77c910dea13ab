"""What the stand-in remembers between connections: the requests it received
and the replies queued by a test through the control port."""

import collections
import dataclasses
import threading

from wire import Reply


@dataclasses.dataclass(frozen=True)
class Record:
    head: bytes
    body: bytes
    method: str
    path: str
    verdict: str  # "ok", or why the request was refused


class Journal:
    """Request records and the scripted-reply queue, shared by all listeners."""

    def __init__(self):
        self._lock = threading.Lock()
        self._records = []
        self._script = collections.deque()

    def admit(self, record):
        """Records a request; returns the scripted reply it must get, if any."""
        with self._lock:
            self._records.append(record)
            return self._script.popleft() if self._script else None

    def enqueue(self, reply):
        with self._lock:
            self._script.append(reply)

    def reset(self):
        with self._lock:
            self._records.clear()
            self._script.clear()

    def count(self):
        with self._lock:
            return len(self._records)

    def record(self, index):
        """index is a decimal position or "last"; None if there is no such record."""
        with self._lock:
            if index == "last":
                return self._records[-1] if self._records else None
            if index.isascii() and index.isdigit() and int(index) < len(self._records):
                return self._records[int(index)]
            return None


class ScriptError(ValueError):
    pass


_INT_FIELDS = {"status": 100, "delay_ms": 0, "close_after": 0, "chunks": 1, "chunk_pause_ms": 0,
               "body_size": len(b'{"answer":""}')}
_STR_FIELDS = ("reason", "body", "body_hex", "content_type")
_BOOL_FIELDS = ("no_body_length",)


def parse_script(item):
    """Turns a control-port script object into a Reply; raises ScriptError."""
    if not isinstance(item, dict):
        raise ScriptError("se esperaba un objeto JSON")
    for name, value in item.items():
        _check_script_field(name, value)
    if sum(name in item for name in ("body", "body_hex", "body_size")) > 1:
        raise ScriptError("body, body_hex y body_size se excluyen")
    if item.get("chunks") and item.get("no_body_length"):
        raise ScriptError("chunks y no_body_length se excluyen")
    if not 100 <= item.get("status", 200) <= 999:
        raise ScriptError("status fuera de rango")
    reply = Reply(body=_script_body(item))
    for name in ("status", "reason", "content_type", "delay_ms", "close_after",
                 "chunks", "chunk_pause_ms", "no_body_length"):
        if name in item:
            setattr(reply, name, item[name])
    return reply


def _check_script_field(name, value):
    if name in _INT_FIELDS:
        if type(value) is not int or value < _INT_FIELDS[name]:
            raise ScriptError("%s: se esperaba un entero >= %d" % (name, _INT_FIELDS[name]))
    elif name in _STR_FIELDS:
        if not isinstance(value, str):
            raise ScriptError("%s: se esperaba una cadena" % name)
    elif name in _BOOL_FIELDS:
        if not isinstance(value, bool):
            raise ScriptError("%s: se esperaba true o false" % name)
    else:
        raise ScriptError("campo desconocido: %s" % name)


def _script_body(item):
    if "body_size" in item:
        # A large reply of exactly that many bytes: an answer padded with letters.
        frame = b'{"answer":""}'
        return frame[:11] + b"a" * (item["body_size"] - len(frame)) + frame[11:]
    if "body_hex" in item:
        try:
            return bytes.fromhex(item["body_hex"])
        except ValueError:
            raise ScriptError("body_hex no es hexadecimal") from None
    return item.get("body", "").encode("utf-8")
