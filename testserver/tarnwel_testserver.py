#!/usr/bin/env python3
"""The reference replication server: the groupware side of the client's SOAP protocol.

A test peer for integration tests, benchmarks and the demo. It listens on
127.0.0.1 only, keeps users and items in SQLite and can be told to fail on
purpose (delay, dropped connection, SOAP fault, HTTP 500, a reply that is not
XML). Python 3 standard library only.
"""

import argparse
import json
import signal
import socketserver
import sqlite3
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

from replication_service import METHODS, ReplicationService, SoapFault, envelope, fault_envelope, parse_request
from replication_store import SERVICES, Store, StoreError, read_seed_file

DEFAULT_PORT = 8080
DEFAULT_PATH = "/tarnwelreplication"
HOST = "127.0.0.1"

XML_TYPE = "text/xml; charset=utf-8"
TEXT_TYPE = "text/plain; charset=utf-8"


class FaultSwitches:
    """Which requests fail on purpose. Each rule is (service or None for all, method[, seconds])."""

    def __init__(self, delay=(), drop=(), fault=(), http500=(), garbage=(), refuse=(), item_error=(),
                 misreply=()):
        self.delay_rules = list(delay)
        self.misreply_rules = list(misreply)
        self.drop_rules = list(drop)
        self.fault_rules = list(fault)
        self.http500_rules = list(http500)
        self.garbage_rules = list(garbage)
        self.refuse_rules = list(refuse)
        self.item_error_rules = list(item_error)

    @staticmethod
    def matches(rule, request):
        return rule[1] == request.method and rule[0] in (None, request.service)

    def any(self, rules, request):
        return any(self.matches(rule, request) for rule in rules)

    def delay(self, request):
        return sum(rule[2] for rule in self.delay_rules if self.matches(rule, request))

    def misreply(self, request):
        """The wrong answer that `request` gets instead of its reply ("page", "empty", "other"), or None."""
        return next((rule[2] for rule in self.misreply_rules if self.matches(rule, request)), None)

    def item_failure(self, request):
        """How every item of the request fails: "refuse" (lack of rights), "error" (another reason) or None."""
        if self.any(self.refuse_rules, request):
            return "refuse"
        if self.any(self.item_error_rules, request):
            return "error"
        return None


class Endpoint:
    """Answers the body of one POST: (HTTP status, content type, bytes), or None to drop the connection."""

    def __init__(self, service, switches, stopping, log):
        self._service = service
        self._switches = switches
        self._stopping = stopping
        self._log = log

    def answer(self, body):
        try:
            request = parse_request(body)
        except SoapFault as fault:
            self._log(f"unreadable request: {fault}")
            return 500, XML_TYPE, fault_envelope(str(fault), fault.code).encode()
        switches = self._switches
        name = f"{request.service}/{request.method}"
        delay = switches.delay(request)
        if delay:
            self._log(f"{name}: waiting {delay:g} s")
            if self._stopping.wait(delay):
                return None
        if switches.any(switches.drop_rules, request):
            self._log(f"{name}: dropping the connection")
            return None
        if switches.any(switches.fault_rules, request):
            self._log(f"{name}: injected SOAP fault")
            return 500, XML_TYPE, fault_envelope("Injected fault", "Server").encode()
        if switches.any(switches.http500_rules, request):
            self._log(f"{name}: injected HTTP 500")
            return 500, TEXT_TYPE, b"Internal Server Error (injected)\n"
        if switches.any(switches.garbage_rules, request):
            self._log(f"{name}: injected garbage")
            return 200, XML_TYPE, b"This reply is not XML <<<\n"
        misreply = switches.misreply(request)
        if misreply:
            self._log(f"{name}: injected wrong answer ({misreply})")
            return 200, *_wrong_answer(misreply, request)
        started = time.monotonic()
        try:
            reply = 200, XML_TYPE, self._service.handle(request, switches.item_failure(request)).encode()
        except SoapFault as fault:
            reply = 500, XML_TYPE, fault_envelope(str(fault), fault.code).encode()
            self._log(f"{name}: fault: {fault}")
        self._log(f"{name}: {reply[0]}, {len(reply[2])} bytes, {1000 * (time.monotonic() - started):.0f} ms")
        return reply


class _Handler(BaseHTTPRequestHandler):
    # HTTP/1.1 so that "Expect: 100-continue" is answered at once; every
    # response still closes its connection (the client opens one per call).
    protocol_version = "HTTP/1.1"
    server_version = "TarnwelTestServer/1.0"

    def do_POST(self):
        self.close_connection = True
        if not self._on_endpoint():
            return
        body = self._read_body()
        if body is None:
            return
        reply = self.server.endpoint.answer(body)
        if reply is not None:
            self._send(*reply)

    def do_GET(self):
        self.close_connection = True
        if self._on_endpoint():
            self._send(405, TEXT_TYPE, b"Only POST is served here\n", {"Allow": "POST"})

    def _on_endpoint(self):
        if urlsplit(self.path).path == self.server.path:
            return True
        self._send(404, TEXT_TYPE, b"Not found\n")
        return False

    def _read_body(self):
        try:
            length = int(self.headers.get("Content-Length", ""))
            if length < 0:
                raise ValueError
        except ValueError:
            self._send(500, XML_TYPE, fault_envelope("The request has no valid Content-Length").encode())
            return None
        body = self.rfile.read(length)
        return body if len(body) == length else None

    def _send(self, status, content_type, body, headers=None):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        self.server.log(format % args)


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False  # a delayed request must not hold up the stop

    def __init__(self, port, path, endpoint, log):
        self.path = path
        self.endpoint = endpoint
        self.log = log
        super().__init__((HOST, port), _Handler)

    def server_bind(self):
        # HTTPServer would look the host's name up; loopback needs no name.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]


def _method_rule(text):
    service, _, method = text.rpartition("/")
    if method not in METHODS or (service and service not in SERVICES):
        raise argparse.ArgumentTypeError(
            f"{text!r}: expected a method ({', '.join(METHODS)}), optionally as SERVICE/METHOD "
            f"with SERVICE one of {', '.join(SERVICES)}")
    return (service or None, method)


def _delay_rule(text):
    method, _, seconds = text.partition("=")
    try:
        value = float(seconds)
        if not value >= 0:
            raise ValueError
    except ValueError:
        raise argparse.ArgumentTypeError(f"{text!r}: expected METHOD=SECONDS") from None
    return _method_rule(method) + (value,)


MISREPLIES = ("page", "empty", "other")


def _misreply_rule(text):
    method, _, kind = text.partition("=")
    if kind not in MISREPLIES:
        raise argparse.ArgumentTypeError(f"{text!r}: expected METHOD=KIND with KIND one of {', '.join(MISREPLIES)}")
    return _method_rule(method) + (kind,)


def _wrong_answer(kind, request):
    """(content type, bytes) of an answer that is not the reply of `request`, though HTTP 200 and readable."""
    if kind == "page":
        return "text/html; charset=utf-8", (b"<html><head><title>Wartung</title></head>"
                                            b"<body><p>Wegen Wartungsarbeiten nicht erreichbar.</p></body></html>\n")
    other = "sign_out" if request.method != "sign_out" else "authenticate"
    body = "" if kind == "empty" else f'<ns:{other}Response xmlns:ns="{request.namespace}"/>'
    return XML_TYPE, envelope(body).encode()


def _stderr_log(message):
    print(f"tarnwel_testserver: {message}", file=sys.stderr, flush=True)


def serve(args):
    stopping = threading.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: stopping.set())
    store = Store(args.store)
    try:
        if args.seed:
            store.load_seed(read_seed_file(args.seed))
        with store.transaction() as tx:
            tx.end_all_sessions()
        log = _stderr_log if args.verbose else (lambda message: None)
        switches = FaultSwitches(args.delay, args.drop, args.fault, args.http500, args.garbage, args.refuse,
                                 args.item_error, args.misreply)
        endpoint = Endpoint(ReplicationService(store), switches, stopping, log)
        path = args.path if args.path.startswith("/") else "/" + args.path
        try:
            server = _Server(args.port, path, endpoint, log)
        except OSError as error:
            raise StoreError(f"cannot listen on {HOST}:{args.port} ({error.strerror})") from error
        thread = threading.Thread(target=server.serve_forever, args=(0.1,), name="serve", daemon=True)
        thread.start()
        print(f"listening on http://{HOST}:{server.server_port}{path}", flush=True)
        stopping.wait()
        server.shutdown()
        server.server_close()
    finally:
        store.close()
    return 0


def seed(args):
    data = read_seed_file(args.seed_file)
    store = Store(args.store)
    try:
        store.load_seed(data)
    finally:
        store.close()
    return 0


def dump(args):
    store = Store(args.store, create=False)
    try:
        content = store.dump()
    finally:
        store.close()
    sys.stdout.buffer.write(json.dumps(content, ensure_ascii=False, indent=2).encode() + b"\n")
    sys.stdout.flush()
    return 0


def _parser():
    parser = argparse.ArgumentParser(
        prog="tarnwel_testserver.py",
        description="The reference replication server (SOAP over HTTP on 127.0.0.1) for tests and the demo.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")

    run = commands.add_parser(
        "serve", help="answer the replication services until SIGTERM or SIGINT",
        description="Answers the replication services until SIGTERM or SIGINT. Prints one line, "
                    "'listening on http://127.0.0.1:PORT/PATH', once it accepts connections. "
                    "METHOD is one of " + ", ".join(METHODS) + ", optionally qualified by its "
                    "service: appointment/getItems, contact/addItems, task/deleteItems. "
                    "A delayed request is carried out after its delay; a dropped or failed one is "
                    "not carried out at all. A user without the right still sees 'not allowed' "
                    "before an item error.")
    run.add_argument("--port", type=int, default=DEFAULT_PORT, help="port (0: any free port; default %(default)s)")
    run.add_argument("--path", default=DEFAULT_PATH, help="the endpoint's path (default %(default)s)")
    run.add_argument("--store", metavar="FILE", help="SQLite store file, created when missing (default: in memory)")
    run.add_argument("--seed", metavar="FILE.json", help="replace the store's content by this seed first")
    run.add_argument("--delay", metavar="METHOD=SECONDS", type=_delay_rule, action="append", default=[],
                     help="wait this long before answering METHOD")
    run.add_argument("--drop", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="close the connection without an answer")
    run.add_argument("--fault", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="answer a SOAP fault 'Injected fault' (HTTP 500)")
    run.add_argument("--http500", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="answer HTTP 500 with a plain text body")
    run.add_argument("--garbage", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="answer HTTP 200 with a body that is not XML")
    run.add_argument("--misreply", metavar="METHOD=KIND", type=_misreply_rule, action="append", default=[],
                     help="answer HTTP 200 with something that is not METHOD's reply, without carrying it out: "
                          "KIND page (an HTML page), empty (an envelope with an empty body) or other "
                          "(another method's response)")
    run.add_argument("--refuse", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="refuse every item of METHOD (addItems, putItems, deleteItems) for lack of rights "
                          "('not allowed'), without carrying it out")
    run.add_argument("--item-error", metavar="METHOD", type=_method_rule, action="append", default=[],
                     help="fail every item of METHOD (addItems, putItems, deleteItems) with an ERROR for "
                          "another reason than rights, without carrying it out")
    run.add_argument("--verbose", action="store_true", help="log requests to standard error")
    run.set_defaults(action=serve)

    load = commands.add_parser(
        "seed", help="replace a store's content by a JSON seed",
        description='Replaces the store\'s users and items by the seed: {"users": [{"name", "password", '
                    '"rights": {"appointment": "YY", "task": "YY", "contact": "YYYY"}}], "appointments": [...], '
                    '"tasks": [{..., "subtasks": [...]}], "addresses": [{..., "contacts": [...]}]}. Item fields '
                    'are named as their XML elements, plus optional "id" and "last_updated" (UTC); items but '
                    'addresses may carry the "id_client" they were added with. Without '
                    'users, user "user" with password "vezi" and all rights exists.')
    load.add_argument("--store", metavar="FILE", required=True, help="SQLite store file, created when missing")
    load.add_argument("seed_file", metavar="FILE.json", help="the seed")
    load.set_defaults(action=seed)

    show = commands.add_parser("dump", help="print a store's users and items as JSON (the seed's shape)")
    show.add_argument("--store", metavar="FILE", required=True, help="SQLite store file")
    show.set_defaults(action=dump)
    return parser


def main(argv=None):
    args = _parser().parse_args(argv)
    try:
        return args.action(args)
    except StoreError as error:
        _stderr_log(f"error: {error}")
        return 1
    except sqlite3.Error as error:
        # A full disk or a store locked too long: the transaction was rolled back.
        _stderr_log(f"error: the store failed ({error}); nothing was changed")
        return 1


if __name__ == "__main__":
    sys.exit(main())
