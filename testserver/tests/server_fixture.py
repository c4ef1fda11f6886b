"""Helpers for the reference server's tests: requests as the client writes them,
the service called directly, and the server run as its own process."""

import http.client
import os
import signal
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from urllib.parse import urlsplit

SERVER_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(SERVER_DIR, "tarnwel_testserver.py")
sys.path.insert(0, SERVER_DIR)

from replication_service import ReplicationService, SoapFault, parse_request  # noqa: E402
from replication_store import Store  # noqa: E402

LIST_TAGS = {"appointment": ("CalendarItems", "Appointment"), "task": ("TaskItems", "Task"),
             "contact": ("ContactItems", "Contact")}


def envelope(service, method, body):
    """A request as the client sends it: the method element in the service's namespace, the body inside."""
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"><SOAP-ENV:Body>'
            f'<replicate:{method} xmlns:replicate="urn:{service}Replication">{body}</replicate:{method}>'
            '</SOAP-ENV:Body></SOAP-ENV:Envelope>').encode()


def credentials(user="user", password="vezi"):
    return f"<Credentials><user>{user}</user><password>{password}</password></Credentials>"


def item_list(service, session_id, items):
    """An addItems/putItems/deleteItems body; each item is a dict of element name -> text."""
    list_tag, item_tag = LIST_TAGS[service]
    lines = [f"<session-id>{session_id}</session-id>\n<{list_tag}>\n"]
    for item in items:
        lines.append(f"<{item_tag}>\n")
        lines.extend(f"\t<{name}>{value}</{name}>\n" for name, value in item.items())
        lines.append(f"</{item_tag}>\n")
    lines.append(f"</{list_tag}>\n")
    return "".join(lines)


def get_body(session_id, since="1900-01-01", ids=()):
    return (f"<session-id>{session_id}</session-id>\n<since>{since}</since>\n"
            + "".join(f"\t<id>{item_id}</id>\n" for item_id in ids))


def reply_content(text):
    """The METHODResponse element of a reply envelope."""
    return ElementTree.fromstring(text).find("{*}Body")[0]


def fields(element):
    return {child.tag: child.text or "" for child in element if len(child) == 0}


class DirectClient:
    """Calls the service in this process, as the HTTP layer does."""

    def __init__(self, store=None):
        self.store = store or Store()
        self.service = ReplicationService(self.store)

    def call(self, service, method, body):
        """The response element; raises SoapFault as the server would answer one."""
        return reply_content(self.service.handle(parse_request(envelope(service, method, body))))

    def login(self, service, user="user", password="vezi"):
        return self.call(service, "authenticate", credentials(user, password)).findtext("session-id")

    def add(self, service, session_id, items):
        reply = self.call(service, "addItems", item_list(service, session_id, items))
        return [(m.get("id_client"), m.get("id_tarnwel"), m.text) for m in reply.iter("mapping")]

    def change(self, service, method, session_id, items):
        """putItems or deleteItems: [(OK or ERROR, ID, text)] in reply order."""
        reply = self.call(service, method, item_list(service, session_id, items))
        return [(element.tag, element.get("ID"), element.text) for element in reply]

    def get(self, service, session_id, since="1900-01-01", ids=()):
        return self.call(service, "getItems", get_body(session_id, since, ids))


class ServerProcess:
    """`tarnwel_testserver.py serve` on a free port, stopped with SIGTERM at the end."""

    def __init__(self, *arguments):
        self.process = subprocess.Popen([sys.executable, SCRIPT, "serve", "--port", "0", *arguments],
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.first_line = self.process.stdout.readline()
        if not self.first_line.startswith("listening on "):
            self.process.kill()
            raise RuntimeError(f"the server did not start: {self.process.communicate()}")
        self.url = self.first_line.split()[-1]
        self.path = urlsplit(self.url).path

    def connect(self):
        parts = urlsplit(self.url)
        return http.client.HTTPConnection(parts.hostname, parts.port, timeout=10)

    def post(self, body, path=None):
        """(HTTP status, body bytes); raises when the server closes the connection without an answer."""
        connection = self.connect()
        try:
            connection.request("POST", path or self.path, body, {"Content-Type": "text/xml; charset=utf-8"})
            response = connection.getresponse()
            return response.status, response.read()
        finally:
            connection.close()

    def stop(self):
        """Sends SIGTERM and returns the exit code and the rest of standard output."""
        self.process.send_signal(signal.SIGTERM)
        out, _ = self.process.communicate(timeout=10)
        return self.process.returncode, out

    def __enter__(self):
        return self

    def __exit__(self, *_):
        if self.process.poll() is None:
            self.stop()


__all__ = ["DirectClient", "ServerProcess", "SoapFault", "Store", "envelope", "credentials", "item_list",
           "get_body", "reply_content", "fields", "SCRIPT"]
