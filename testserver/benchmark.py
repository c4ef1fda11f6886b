#!/usr/bin/env python3
"""Times the reference server with many items: seed, getItems, addItems, putItems, deleteItems.

    testserver/benchmark.py [--items 10000]

Runs the server as its own process on a free port with a store file in a
temporary directory and prints one line per step.
"""

import argparse
import http.client
import json
import os
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from urllib.parse import urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "tarnwel_testserver.py")


def envelope(method, body):
    return ('<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope '
            'xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"><SOAP-ENV:Body>'
            f'<replicate:{method} xmlns:replicate="urn:appointmentReplication">{body}</replicate:{method}>'
            '</SOAP-ENV:Body></SOAP-ENV:Envelope>').encode()


def appointment(i, extra=""):
    return (f"<Appointment>\n\t<description>Termin {i} mit Gr&#xfc;&#xdf;en</description>\n"
            f"\t<location>Raum {i % 40}</location>\n\t<comment>Kommentar &amp; Notiz {i}</comment>\n"
            "\t<start>2004-03-01 09:30:00</start>\n\t<end>2004-03-01 10:30:00</end>\n"
            f"\t<status>date1</status>\n\t<id_client>entry{i}</id_client>\n{extra}</Appointment>\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--items", type=int, default=10000)
    count = parser.parse_args().items
    with tempfile.TemporaryDirectory() as directory:
        store = os.path.join(directory, "bench.db")
        seed = os.path.join(directory, "seed.json")
        with open(seed, "w") as file:
            json.dump({"appointments": [{"description": f"Termin {i}", "location": "Raum", "comment": "x" * 80,
                                         "start": "2004-03-01 09:30:00", "end": "2004-03-01 10:30:00"}
                                        for i in range(count)]}, file)
        started = time.monotonic()
        subprocess.run([sys.executable, SCRIPT, "seed", "--store", store, seed], check=True)
        print(f"seed {count} appointments: {time.monotonic() - started:.3f} s")
        server = subprocess.Popen([sys.executable, SCRIPT, "serve", "--port", "0", "--store", store],
                                  stdout=subprocess.PIPE, text=True)
        try:
            url = urlsplit(server.stdout.readline().split()[-1])

            def call(name, method, body):
                connection = http.client.HTTPConnection(url.hostname, url.port, timeout=600)
                started = time.monotonic()
                connection.request("POST", url.path, envelope(method, body))
                reply = connection.getresponse().read()
                elapsed = time.monotonic() - started
                connection.close()
                if name:
                    print(f"{name}: {elapsed:.3f} s, {len(reply) / 1e6:.1f} MB reply")
                return ElementTree.fromstring(reply)

            session = call(None, "authenticate", "<Credentials><user>user</user><password>vezi</password>"
                                                 "</Credentials>").find(".//session-id").text
            head = f"<session-id>{session}</session-id>\n"
            items = call(f"getItems of {count}", "getItems", head + "<since>1900-01-01</since>\n")
            ids = [element.text for element in items.iter("id_tarnwel")]
            added = call(f"addItems of {count}", "addItems",
                         head + "<CalendarItems>\n" + "".join(appointment(i) for i in range(count))
                         + "</CalendarItems>\n")
            new_ids = [mapping.get("id_tarnwel") for mapping in added.iter("mapping")]
            call(f"putItems of {count}", "putItems",
                 head + "<CalendarItems>\n"
                 + "".join(appointment(i, f"\t<id_tarnwel>{ids[i]}</id_tarnwel>\n") for i in range(count))
                 + "</CalendarItems>\n")
            call(f"getItems of {2 * count}", "getItems", head + "<since>1900-01-01</since>\n")
            call(f"deleteItems of {count}", "deleteItems",
                 head + "<CalendarItems>\n"
                 + "".join(f"<Appointment>\n<id_tarnwel>{i}</id_tarnwel></Appointment>\n" for i in new_ids)
                 + "</CalendarItems>\n")
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
