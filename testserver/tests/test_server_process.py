import http.client
import json
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from xml.etree import ElementTree

from server_fixture import SCRIPT, ServerProcess, credentials, envelope, get_body, item_list, reply_content

SEED = {
    "users": [{"name": "anna", "password": "geheim", "rights": {"appointment": "YN", "task": "NN", "contact": "YNYN"}}],
    "appointments": [{"id": "A7", "description": "Gr\u00fc\u00dfe <&>", "start": "2004-03-01 09:30:00",
                      "participants": ["anna"], "last_updated": "2004-02-01 12:00:00"},
                     {"location": "no id given"}],
    "tasks": [{"title": "main", "priority": "2.gif", "subtasks": [{"title": "sub", "status": "DONE"}]}],
    "addresses": [{"id": "ADR1", "company": "ACME", "contacts": [{"lastName": "Muster"}]}, {"company": "empty"}],
}


def run(*arguments, file_size_limit=None):
    def limit_file_size():
        # Writing past the limit fails as on a full disk.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))
    return subprocess.run([sys.executable, SCRIPT, *arguments], capture_output=True, text=True, timeout=30,
                          preexec_fn=limit_file_size if file_size_limit else None)


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.store = os.path.join(self.directory.name, "server.db")
        self.seed = self.write_json("seed.json", SEED)

    def tearDown(self):
        self.directory.cleanup()

    def write_json(self, name, content):
        path = os.path.join(self.directory.name, name)
        with open(path, "w", encoding="utf-8") as file:
            json.dump(content, file)
        return path

    def dump(self):
        result = run("dump", "--store", self.store)
        self.assertEqual(result.returncode, 0, result.stderr)
        return json.loads(result.stdout)

    def test_seed_and_dump_round_trip_also_while_the_server_runs(self):
        self.assertEqual(run("seed", "--store", self.store, self.seed).returncode, 0)
        with ServerProcess("--store", self.store) as server:
            self.assertRegex(server.first_line, r"^listening on http://127\.0\.0\.1:\d+/tarnwelreplication\n$")
            session = reply_content(server.post(envelope("appointment", "authenticate",
                                                         credentials("anna", "geheim")))[1])
            self.assertEqual((session.findtext("write"), session.findtext("delete")), ("Y", "N"))
            first = self.dump()
        appointments = first["appointments"]
        self.assertEqual(appointments[0], {**SEED["appointments"][0]})
        self.assertEqual(appointments[1]["id"], "A8")
        self.assertEqual([t["subtasks"][0]["title"] for t in first["tasks"]], ["sub"])
        self.assertEqual([(a["id"], len(a["contacts"])) for a in first["addresses"]], [("ADR1", 1), ("ADR2", 0)])
        self.assertEqual(first["users"], SEED["users"])

        # The dump seeds an equal store.
        self.assertEqual(run("seed", "--store", self.store, self.write_json("again.json", first)).returncode, 0)
        self.assertEqual(self.dump(), first)

    def test_bad_input_is_reported_and_changes_nothing(self):
        run("seed", "--store", self.store, self.seed)
        before = self.dump()
        broken = os.path.join(self.directory.name, "broken.json")
        with open(broken, "w") as file:
            file.write('{"tasks": [')
        not_a_store = self.write_json("not-a-store.db", {})
        big = self.write_json("big.json", {"appointments": [{"description": "x" * 1000}] * 2000})
        for arguments, message in [
            (("seed", "--store", self.store, broken), "not a JSON seed"),
            (("seed", "--store", self.store, self.write_json("dup.json", {"tasks": [{"id": "T1"}, {"id": "T1"}]})),
             "tasks[1].id: 'T1' occurs twice"),
            (("seed", "--store", self.store, self.write_json("x.json", {"appointments": [{"id": "ERROR"}]})),
             "cannot be a server id"),
            (("dump", "--store", not_a_store), "not a test server store"),
            (("dump", "--store", os.path.join(self.directory.name, "missing.db")), "no such store"),
            (("serve", "--store", not_a_store), "not a test server store"),
            (("seed", "--store", self.store, big), "nothing was changed"),
        ]:
            with self.subTest(arguments=arguments[:2], message=message):
                result = run(*arguments, file_size_limit=200_000 if arguments[-1] == big else None)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertEqual(result.stdout, "")
        self.assertEqual(self.dump(), before)
        with open(not_a_store) as file:
            self.assertEqual(file.read(), "{}")


class FaultSwitchTest(unittest.TestCase):
    def test_switches_apply_to_their_method_and_service_only(self):
        request = {name: envelope(service, method, get_body("s"))
                   for name, service, method in [("appointments", "appointment", "getItems"),
                                                 ("tasks", "task", "getItems"),
                                                 ("contacts", "contact", "getItems"),
                                                 ("put", "task", "putItems"),
                                                 ("delete", "task", "deleteItems")]}
        with ServerProcess("--drop", "appointment/getItems", "--fault", "task/getItems", "--http500", "putItems",
                           "--garbage", "deleteItems", "--path", "other") as server:
            self.assertEqual(server.path, "/other")
            with self.assertRaises(http.client.RemoteDisconnected):
                server.post(request["appointments"])
            status, body = server.post(request["tasks"])
            self.assertEqual((status, reply_content(body).findtext("faultstring")), (500, "Injected fault"))
            self.assertEqual(server.post(request["put"]), (500, b"Internal Server Error (injected)\n"))
            status, body = server.post(request["delete"])
            self.assertEqual(status, 200)
            self.assertFalse(body.lstrip().startswith(b"<"))
            status, body = server.post(request["contacts"])
            self.assertEqual(status, 200)
            self.assertIsNotNone(reply_content(body).find("wrong-session-id"))
            self.assertEqual(server.post(request["contacts"], path="/tarnwelreplication")[0], 404)

    def test_misreply_answers_200_with_something_that_is_not_the_methods_reply(self):
        request = envelope("appointment", "getItems", get_body("s"))
        for kind in ("page", "empty", "other"):
            with self.subTest(kind), ServerProcess("--misreply", f"appointment/getItems={kind}") as server:
                status, body = server.post(request)
                self.assertEqual(status, 200)
                if kind == "page":
                    self.assertIn(b"<html>", body)
                    continue
                content = ElementTree.fromstring(body).find("{*}Body")
                if kind == "empty":
                    self.assertEqual(len(content), 0)
                else:
                    self.assertEqual(content[0].tag, "{urn:appointmentReplication}sign_outResponse")
                status, body = server.post(envelope("task", "getItems", get_body("s")))
                self.assertEqual(reply_content(body).tag, "{urn:taskReplication}getItemsResponse")

    def test_item_switches_fail_each_item_of_their_method_without_carrying_it_out(self):
        directory = tempfile.TemporaryDirectory()
        self.addCleanup(directory.cleanup)
        seed = os.path.join(directory.name, "seed.json")
        with open(seed, "w", encoding="utf-8") as file:
            json.dump({"appointments": [{"id": "A1", "description": "alt"}], "tasks": [{"id": "T1", "title": "alt"}]},
                      file)
        with ServerProcess("--seed", seed, "--refuse", "appointment/putItems", "--item-error", "addItems",
                           "--item-error", "task/putItems") as server:
            def call(service, method, body):
                return reply_content(server.post(envelope(service, method, body))[1])

            def items(service, method, session, records):
                return [(e.tag, e.get("ID") or e.get("id_client"), e.get("id_tarnwel"), e.text)
                        for e in call(service, method, item_list(service, session, records))]

            appointments = call("appointment", "authenticate", credentials()).findtext("session-id")
            tasks = call("task", "authenticate", credentials()).findtext("session-id")
            for (service, method, session, record), expected in [
                (("appointment", "putItems", appointments, {"id_tarnwel": "A1", "description": "neu"}),
                 [("ERROR", "A1", None, "not allowed: refused on purpose")]),
                (("task", "putItems", tasks, {"id_tarnwel": "T1", "title": "neu"}),
                 [("ERROR", "T1", None, "Injected item error")]),
                (("appointment", "addItems", appointments, {"id_client": "E1", "description": "neu"}),
                 [("mapping", "E1", "ERROR", "Injected item error")]),
                (("task", "deleteItems", tasks, {"id_tarnwel": "T1"}), [("OK", "T1", None, None)]),
            ]:
                with self.subTest(service=service, method=method):
                    self.assertEqual(items(service, method, session, [record]), expected)
            everything = call("appointment", "getItems", get_body(appointments))
            self.assertEqual([a.findtext("description") for a in everything], ["alt"])
            self.assertEqual(len(call("task", "getItems", get_body(tasks))), 0)

    def test_delay_and_a_stop_while_a_request_waits(self):
        with ServerProcess("--delay", "authenticate=0.3", "--delay", "sign_out=60") as server:
            started = time.monotonic()
            status, _ = server.post(envelope("task", "authenticate", credentials()))
            self.assertEqual(status, 200)
            self.assertGreaterEqual(time.monotonic() - started, 0.3)

            connection = server.connect()
            connection.request("POST", server.path, envelope("task", "sign_out", get_body("s")))
            time.sleep(0.2)
            started = time.monotonic()
            code, out = server.stop()
            self.assertEqual((code, out), (0, ""))
            self.assertLess(time.monotonic() - started, 5)
            connection.close()


if __name__ == "__main__":
    unittest.main()
