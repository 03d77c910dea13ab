#!/usr/bin/env python3
"""Local HTTPS stand-in for the remote clinical-orientation service.

The real service is out of reach from tests and demos, so this process plays
its part on 127.0.0.1: it answers the three endpoints the client uses, refuses
any body the client's canonical JSON writer could not have produced, and lets
a test script odd replies (errors, delays, truncation, chunking) and read back
every request byte for byte through a plain-HTTP control port.

A second HTTPS port presents a certificate outside the test CA, so the client's
refusal of untrusted servers can be exercised too, and a plain HTTP proxy port
tunnels to both as a clinic's proxy would (proxy.py).

    python3 standin.py --state-dir DIR [--port P] [--untrusted-port P] [--control-port P]
                       [--proxy-port P]

Once listening it writes DIR/standin.env (ports, CA path, pid) for the test
harness, and removes it again on SIGTERM or SIGINT.
"""

import argparse
import os
import signal
import sys
import threading

import certs
from control import ControlServer
from proxy import ProxyServer, ProxyState
from service import HttpsServer
from state import Journal

ENV_FILE = "standin.env"
_STOP_SIGNALS = {signal.SIGTERM, signal.SIGINT}


def main(argv=None):
    args = _parse_args(argv)
    state_dir = os.path.abspath(args.state_dir)
    os.makedirs(state_dir, exist_ok=True)
    env_path = os.path.join(state_dir, ENV_FILE)
    _remove(env_path)
    certs.ensure_certificates(state_dir)

    # Blocked before any thread starts, so every thread inherits the mask and
    # the signals wait for sigwait() below. Not earlier: openssl would inherit it.
    signal.pthread_sigmask(signal.SIG_BLOCK, _STOP_SIGNALS)
    servers = _start_servers(args, state_dir)
    trusted, untrusted, control, proxy = (s.server_address[1] for s in servers)
    _write_env(env_path, [
        ("STANDIN_PORT", trusted),
        ("STANDIN_UNTRUSTED_PORT", untrusted),
        ("STANDIN_CONTROL_PORT", control),
        ("STANDIN_PROXY_PORT", proxy),
        ("STANDIN_CA_DER", os.path.join(state_dir, "ca.der")),
        ("STANDIN_PID", os.getpid()),
    ])
    print("standin listening on 127.0.0.1: port=%d untrusted_port=%d control_port=%d "
          "proxy_port=%d" % (trusted, untrusted, control, proxy), flush=True)

    signal.sigwait(_STOP_SIGNALS)
    for server in servers:
        server.shutdown()
        server.server_close()
    _remove(env_path)
    return 0


def _parse_args(argv):
    parser = argparse.ArgumentParser(description="Local HTTPS stand-in for the orientation service.")
    parser.add_argument("--state-dir", required=True,
                        help="certificates and standin.env live here")
    parser.add_argument("--port", type=int, default=0, help="trusted HTTPS port (0: any free)")
    parser.add_argument("--untrusted-port", type=int, default=0,
                        help="HTTPS port with a certificate outside the test CA (0: any free)")
    parser.add_argument("--control-port", type=int, default=0,
                        help="plain HTTP control port (0: any free)")
    parser.add_argument("--proxy-port", type=int, default=0,
                        help="HTTP proxy port in front of the service (0: any free)")
    return parser.parse_args(argv)


def _start_servers(args, state_dir):
    journal = Journal()
    proxy = ProxyState()

    def https(port, name):
        return HttpsServer(port, os.path.join(state_dir, name + ".pem"),
                           os.path.join(state_dir, name + ".key"), journal)

    servers = [https(args.port, "server"), https(args.untrusted_port, "untrusted"),
               ControlServer(args.control_port, journal, proxy),
               ProxyServer(args.proxy_port, proxy)]
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()
    return servers


def _write_env(path, pairs):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.writelines("%s=%s\n" % pair for pair in pairs)
    os.replace(temporary, path)


def _remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


if __name__ == "__main__":
    sys.exit(main())
