"""Strict checks on request bodies.

The client writes one canonical compact JSON form and nothing else, so the
stand-in accepts a body only if re-serialising what it parsed gives back the
very same bytes. Any drift in the client's writer (white space, key order,
escapes, number formats) shows up as a 400 instead of passing silently.
"""

import json

JSON_CONTENT_TYPE = "application/json; charset=utf-8"

_MODES = ("autosostenible", "api")
_ROLES = ("user", "assistant")


class BodyError(ValueError):
    """A body the client should never have sent; str() is the reason."""


def canonical(value):
    """The client's serialisation: compact, raw UTF-8, minimal escapes."""
    if isinstance(value, str):
        return _quote(value)
    if value is True:
        return "true"
    if value is False:
        return "false"
    if value is None:
        return "null"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, list):
        return "[" + ",".join(canonical(v) for v in value) + "]"
    if isinstance(value, dict):
        return "{" + ",".join(_quote(k) + ":" + canonical(v) for k, v in value.items()) + "}"
    raise BodyError("valor sin forma canónica: %r" % (value,))


_ESCAPES = {'"': '\\"', "\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t"}


def _quote(text):
    return '"' + "".join(_escape(c) for c in text) + '"'


def _escape(char):
    if char in _ESCAPES:
        return _ESCAPES[char]
    if char < " ":
        return "\\u%04x" % ord(char)
    return char


# Field checks: (predicate, what was expected, for the error message).

def _text():
    return (lambda v: isinstance(v, str), "una cadena")


def _one_of(*choices):
    return (lambda v: isinstance(v, str) and v in choices,
            "una de: " + ", ".join('"%s"' % c for c in choices))


def _the_number(n):
    # type() rather than isinstance(): true is an int to Python, not to the client.
    return (lambda v: type(v) is int and v == n, "el número %d" % n)


def _history():
    def valid_turn(turn):
        return (isinstance(turn, dict) and list(turn) == ["role", "content"]
                and turn["role"] in _ROLES and isinstance(turn["content"], str))
    return (lambda v: isinstance(v, list) and all(valid_turn(t) for t in v),
            'una lista de objetos {"role": "user"|"assistant", "content": cadena}')


SCHEMAS = {
    "/api/consultar": [
        ("query", _text()),
        ("mode", _one_of(*_MODES)),
        ("api_provider", _one_of("kimi")),
        ("top_k", _the_number(7)),
        ("history", _history()),
    ],
    "/api/laboratorio/analizar": [
        ("texto_laboratorio", _text()),
        ("edad", _text()),
        ("sexo", _text()),
        ("sintomas", _text()),
        ("mode", _one_of(*_MODES)),
    ],
    "/api/expediente/analizar": [
        ("rol", _text()),
        ("edad", _text()),
        ("sexo", _text()),
        ("alergias", _text()),
        ("cronicas", _text()),
        ("motivo", _text()),
        ("signos_vitales", _text()),
        ("exploracion", _text()),
        ("medicamentos", _text()),
        ("texto_libre", _text()),
        ("top_k", _the_number(5)),
        ("mode", _one_of(*_MODES)),
        ("api_provider", _one_of("kimi")),
    ],
}


def parse_body(raw, schema):
    """Returns the parsed object, or raises BodyError saying what is wrong."""
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise BodyError("el cuerpo no es UTF-8 válido (byte %d)" % e.start) from None
    try:
        value = json.loads(text, object_pairs_hook=_unique_keys,
                           parse_constant=_reject_constant)
    except ValueError as e:
        raise BodyError("JSON no válido: %s" % e) from None
    _check_fields(value, schema)
    expected = canonical(value)
    if expected != text:
        at = _first_difference(expected, text)
        raise BodyError("el cuerpo no está en forma JSON canónica compacta: en el carácter %d "
                        "se esperaba %r y llegó %r" % (at, expected[at:at + 12], text[at:at + 12]))
    return value


def _first_difference(a, b):
    return next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))


def _unique_keys(pairs):
    obj = {}
    for key, value in pairs:
        if key in obj:
            raise ValueError("clave repetida %r" % key)
        obj[key] = value
    return obj


def _reject_constant(name):
    raise ValueError("%s no es JSON" % name)


def _check_fields(value, schema):
    if not isinstance(value, dict):
        raise BodyError("el cuerpo debe ser un objeto JSON")
    expected = [name for name, _ in schema]
    if list(value) != expected:
        raise BodyError("claves esperadas, en este orden: %s; recibidas: %s"
                        % (", ".join(expected), ", ".join(value)))
    for name, (valid, expectation) in schema:
        if not valid(value[name]):
            raise BodyError("campo %s: se esperaba %s" % (name, expectation))
