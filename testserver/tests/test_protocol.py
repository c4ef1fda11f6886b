import unittest

from server_fixture import DirectClient, SoapFault, envelope, fields, get_body, item_list
from replication_service import parse_request


class SessionTest(unittest.TestCase):
    def setUp(self):
        self.client = DirectClient()
        self.client.store.load_seed({"users": [
            {"name": "user", "password": "vezi"},
            {"name": "reader", "password": "r", "rights": {"appointment": "NN", "task": "YN", "contact": "NYYN"}},
        ]})

    def test_authenticate_answers_the_rights_per_service(self):
        for service, user, password, write, delete in [
            ("appointment", "user", "vezi", "Y", "Y"),
            ("contact", "user", "vezi", "YY", "YY"),
            ("task", "reader", "r", "Y", "N"),
            ("contact", "reader", "r", "NY", "YN"),
        ]:
            with self.subTest(service=service, user=user):
                reply = self.client.call(service, "authenticate",
                                         f"<Credentials><user>{user}</user><password>{password}</password>"
                                         "</Credentials>")
                self.assertEqual((reply.findtext("write"), reply.findtext("delete")), (write, delete))
                self.assertRegex(reply.findtext("session-id"), r"^\S{16,}$")

    def test_wrong_credentials_are_a_fault(self):
        for user, password in [("user", "wrong"), ("nobody", "vezi"), ("user", "")]:
            with self.subTest(user=user, password=password), self.assertRaises(SoapFault) as caught:
                self.client.login("task", user, password)
            self.assertEqual(str(caught.exception), "Authentication failed")

    def test_unknown_ended_and_foreign_sessions_get_wrong_session_id(self):
        session = self.client.login("appointment")
        self.assertIsNone(self.client.get("appointment", session).find("wrong-session-id"))
        self.client.call("appointment", "sign_out", f"<session-id>{session}</session-id>")
        for service, session_id in [("appointment", session), ("appointment", "nonsense"),
                                    ("task", self.client.login("appointment"))]:
            for method, body in [("getItems", get_body(session_id)),
                                 ("addItems", item_list(service, session_id, [{"title": "t"}])),
                                 ("deleteItems", item_list(service, session_id, [{"id_tarnwel": "T1"}]))]:
                with self.subTest(service=service, method=method, session=session_id):
                    self.assertIsNotNone(self.client.call(service, method, body).find("wrong-session-id"))
        self.assertEqual(self.client.store.dump()["tasks"], [])

    def test_missing_rights_are_refused_with_not_allowed(self):
        self.client.store.load_seed({
            "users": [{"name": "user", "password": "vezi", "rights": {"appointment": "NN", "task": "YN"}}],
            "appointments": [{"id": "A1", "description": "kept"}],
            "tasks": [{"id": "T1", "title": "kept"}],
        })
        appointments = self.client.login("appointment")
        tasks = self.client.login("task")
        add = self.client.add("appointment", appointments, [{"description": "new", "id_client": "e1"}])
        self.assertEqual([m[:2] for m in add], [("e1", "ERROR")])
        self.assertIn("not allowed", add[0][2])
        for service, session, method in [("appointment", appointments, "putItems"),
                                         ("appointment", appointments, "deleteItems"),
                                         ("task", tasks, "deleteItems")]:
            with self.subTest(service=service, method=method):
                results = self.client.change(service, method, session, [{"id_tarnwel": "A1" if service == "appointment"
                                                                         else "T1", "description": "changed"}])
                self.assertEqual(len(results), 1)
                self.assertEqual(results[0][0], "ERROR")
                self.assertIn("not allowed", results[0][2])
        dump = self.client.store.dump()
        self.assertEqual([a["description"] for a in dump["appointments"]], ["kept"])
        self.assertEqual([t["title"] for t in dump["tasks"]], ["kept"])


class ItemTest(unittest.TestCase):
    def setUp(self):
        self.client = DirectClient()
        self.client.store.load_seed({"appointments": [
            {"id": "A1", "description": "alt", "participants": ["anna", "bert"], "last_updated": "2001-01-01 00:00:00"},
            {"id": "A2", "description": "zwei", "last_updated": "2001-01-01 00:00:00"},
        ]})
        self.session = self.client.login("appointment")

    def appointments(self, **query):
        return [fields(a) for a in self.client.get("appointment", self.session, **query).iter("Appointment")]

    def test_add_put_delete_and_get_since(self):
        added = self.client.add("appointment", self.session, [
            {"description": "x&lt;y &#xfc; \r\n", "wholeDayEvent": "gtz", "start": "2004-03-01 09:30:00",
             "last_updated": "1999-01-01 00:00:00", "status": "date1", "id_client": "e1"}])
        self.assertEqual([(m[0], m[2]) for m in added], [("e1", None)])
        new_id = added[0][1]
        self.assertRegex(new_id, r"^A\d+$")
        self.assertEqual(self.client.change("appointment", "putItems", self.session, [
            {"description": "neu", "id_tarnwel": "A1"}, {"description": "?", "id_tarnwel": "A404"},
        ])[1][:2], ("ERROR", "A404"))
        self.assertEqual(self.client.change("appointment", "deleteItems", self.session, [{"id_tarnwel": "A2"}]),
                         [("OK", "A2", None)])

        today = self.appointments(since="2002-01-01")
        self.assertEqual([a["id_tarnwel"] for a in today], ["A1", new_id])
        self.assertEqual(today[1]["description"], "x<y \u00fc \n")
        self.assertEqual(today[1]["wholeDayEvent"], "gtz")
        self.assertNotEqual(today[1]["last_updated"], "1999-01-01 00:00:00")
        # A put replaces the fields but keeps the participants, which the client cannot send.
        reply = self.client.get("appointment", self.session, ids=["A1"])
        self.assertEqual([u.text for u in reply.iter("user")], ["anna", "bert"])
        self.assertEqual(self.appointments(since="2002-01-01", ids=["A2"]), today)

    def test_requests_that_cannot_be_read_are_faults(self):
        for name, body in [
            ("not XML", b"hello"),
            ("no envelope", b"<a/>"),
            ("no body", b'<e:Envelope xmlns:e="http://schemas.xmlsoap.org/soap/envelope/"/>'),
            ("unknown namespace", envelope("calendar", "getItems", "")),
            ("unknown method", envelope("appointment", "getThings", "")),
            ("no session id", envelope("appointment", "getItems", "<since>1900-01-01</since>")),
            ("no since", envelope("appointment", "getItems", f"<session-id>{self.session}</session-id>")),
            ("bad since", envelope("appointment", "getItems", get_body(self.session, since="2004-3-1"))),
            ("no list", envelope("appointment", "addItems", f"<session-id>{self.session}</session-id>")),
            ("no password", envelope("appointment", "authenticate", "<Credentials><user>u</user></Credentials>")),
        ]:
            with self.subTest(name), self.assertRaises(SoapFault) as caught:
                self.client.service.handle(parse_request(body))
            self.assertEqual(caught.exception.code, "Client")


class ClientIdTest(unittest.TestCase):
    """getItems returns the client's id that addItems or the latest putItems sent with an item."""

    def setUp(self):
        self.client = DirectClient()
        self.client.store.load_seed({
            "appointments": [{"id": "A1", "description": "vom Server"}],
            "addresses": [{"id": "ADR1", "company": "Alpha AG"}],
        })

    def client_ids(self, service, session, tag):
        return {element.findtext("id_tarnwel"): element.findtext("id_client")
                for element in self.client.get(service, session).iter(tag)}

    def test_added_id_is_returned_replaced_by_a_put_and_kept_by_a_put_without_one(self):
        for service, tag, item in [
            ("appointment", "Appointment", {"description": "neu"}),
            ("task", "Task", {"title": "neu"}),
            ("contact", "contact", {"lastName": "Neu", "address_id": "ADR1", "address_action": "no_change"}),
        ]:
            with self.subTest(service):
                session = self.client.login(service)
                [(_, first, error)] = self.client.add(service, session, [dict(item, id_client="E1")])
                self.assertIsNone(error)
                [(_, second, _)] = self.client.add(service, session, [dict(item, id_client="")])
                self.assertEqual(self.client_ids(service, session, tag)[first], "E1")
                self.assertIsNone(self.client_ids(service, session, tag)[second])
                self.client.change(service, "putItems", session, [dict(item, id_tarnwel=first)])
                self.assertEqual(self.client_ids(service, session, tag)[first], "E1")
                self.client.change(service, "putItems", session, [dict(item, id_tarnwel=first, id_client="E2")])
                self.client.change(service, "putItems", session, [dict(item, id_tarnwel=second, id_client="E3")])
                self.assertEqual({k: v for k, v in self.client_ids(service, session, tag).items()
                                  if k in (first, second)}, {first: "E2", second: "E3"})
        # Seeded items have none; addresses never carry one.
        session = self.client.login("appointment")
        self.assertIsNone(self.client_ids("appointment", session, "Appointment")["A1"])
        session = self.client.login("contact")
        self.assertIsNone(self.client.get("contact", session).find("Address/id_client"))

    def test_the_dump_carries_the_id_and_seeds_it_again(self):
        session = self.client.login("appointment")
        self.client.add("appointment", session, [{"description": "neu", "id_client": "E1"}])
        dump = self.client.store.dump()
        self.assertEqual([a.get("id_client") for a in dump["appointments"]], [None, "E1"])
        self.client.store.load_seed(dump)
        self.assertEqual(self.client.store.dump(), dump)


if __name__ == "__main__":
    unittest.main()
