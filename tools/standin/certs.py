"""Test certificates for the stand-in, made with the openssl command-line tool.

Wine's schannel sits on GnuTLS, which is pickier than OpenSSL: the certificates
are X.509 v3 with key identifiers on both sides and explicit key usages.
Nothing here is ever committed; a state directory keeps its certificates
across restarts so a client that trusted ca.der once keeps trusting it.
"""

import datetime
import os
import subprocess
import tempfile

_CONFIG = """\
[ ca ]
default_ca = standin_ca

[ standin_ca ]
database = {work}/index.txt
new_certs_dir = {work}
default_md = sha256
policy = policy_any
unique_subject = no
rand_serial = yes
copy_extensions = none

[ policy_any ]
commonName = supplied

[ req ]
distinguished_name = req_dn
prompt = no

[ req_dn ]
CN = unused

[ ext_ca ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always

[ ext_server ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
# Wine's host name check compares only the DNS names: 127.0.0.1 stands there too. The last
# name is the one only the proxy reaches (proxy.PROXIED_HOST).
subjectAltName = DNS:localhost, DNS:127.0.0.1, IP:127.0.0.1, DNS:servicio.alvena.test
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
"""

CA_FILES = ("ca.key", "ca.pem", "ca.der")
SERVER_FILES = ("server.key", "server.pem")
UNTRUSTED_FILES = ("untrusted.key", "untrusted.pem")

_CA_DAYS = 3650
_LEAF_DAYS = 825


def ensure_certificates(state_dir):
    """Creates whatever certificate set is missing from state_dir."""
    renew_ca = not _all_present(state_dir, CA_FILES)
    renew_server = renew_ca or not _all_present(state_dir, SERVER_FILES)
    renew_untrusted = not _all_present(state_dir, UNTRUSTED_FILES)
    if not (renew_ca or renew_server or renew_untrusted):
        return
    with tempfile.TemporaryDirectory(dir=state_dir, prefix=".certs-") as work:
        issuer = _Issuer(work)
        if renew_ca:
            issuer.make_ca()
            _publish(work, state_dir, CA_FILES)
        if renew_server:
            issuer.make_leaf("server", ca=os.path.join(state_dir, "ca"))
            _publish(work, state_dir, SERVER_FILES)
        if renew_untrusted:
            issuer.make_leaf("untrusted", ca=None)
            _publish(work, state_dir, UNTRUSTED_FILES)


def _all_present(state_dir, names):
    return all(os.path.isfile(os.path.join(state_dir, n)) for n in names)


def _publish(work, state_dir, names):
    # Old files go first and the .pem comes last, so an interrupted run never
    # leaves a complete-looking set whose key and certificate do not match.
    for name in names:
        _remove(os.path.join(state_dir, name))
    for name in sorted(names, key=lambda n: n.endswith(".pem")):
        os.replace(os.path.join(work, name), os.path.join(state_dir, name))


def _remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


class _Issuer:
    """Runs `openssl ca`, which (unlike `req -x509` in OpenSSL 3.0) can backdate."""

    def __init__(self, work):
        self.work = work
        self.config = os.path.join(work, "openssl.cnf")
        with open(self.config, "w", encoding="ascii") as f:
            f.write(_CONFIG.format(work=work))
        open(os.path.join(work, "index.txt"), "w").close()

    def make_ca(self):
        self._request("ca", "/CN=Alvena Test CA")
        self._sign("ca", "ext_ca", _CA_DAYS, ca=None)
        self._openssl("x509", "-in", self._path("ca.pem"), "-outform", "DER",
                      "-out", self._path("ca.der"))

    def make_leaf(self, name, ca):
        """Signed by the CA whose files start with path `ca`, or self-signed if None."""
        self._request(name, "/CN=localhost")
        self._sign(name, "ext_server", _LEAF_DAYS, ca)

    def _request(self, name, subject):
        self._openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                      "-out", self._path(name + ".key"))
        os.chmod(self._path(name + ".key"), 0o600)
        self._openssl("req", "-new", "-config", self.config, "-key", self._path(name + ".key"),
                      "-subj", subject, "-out", self._path(name + ".csr"))

    def _sign(self, name, extensions, days, ca):
        now = datetime.datetime.now(datetime.timezone.utc)
        args = ["ca", "-batch", "-notext", "-config", self.config,
                "-extensions", extensions, "-in", self._path(name + ".csr"),
                "-out", self._path(name + ".pem"),
                "-startdate", _asn1_time(now - datetime.timedelta(days=1)),
                "-enddate", _asn1_time(now + datetime.timedelta(days=days))]
        if ca is None:
            args += ["-selfsign", "-keyfile", self._path(name + ".key")]
        else:
            args += ["-keyfile", ca + ".key", "-cert", ca + ".pem"]
        self._openssl(*args)

    def _path(self, name):
        return os.path.join(self.work, name)

    def _openssl(self, *args):
        result = subprocess.run(["openssl", *args], stdin=subprocess.DEVNULL,
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError("openssl %s failed: %s" % (args[0], result.stderr.strip()))


def _asn1_time(moment):
    return moment.strftime("%Y%m%d%H%M%SZ")
