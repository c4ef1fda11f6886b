import unittest

from server_fixture import DirectClient, fields


def contact(client_id, last_name, action, address_id, company=None, server_id=None):
    item = {"lastName": last_name}
    if company:
        item["company"] = company
    item.update(address_id=address_id, address_action=action, id_client=client_id)
    if server_id:
        item["id_tarnwel"] = server_id
    return item


class ContactTest(unittest.TestCase):
    def setUp(self):
        self.client = DirectClient()
        self.session = self.client.login("contact")

    def addresses(self):
        return self.client.store.dump()["addresses"]

    def test_one_address_per_temporary_id_within_and_across_requests_of_a_session(self):
        mapped = self.client.add("contact", self.session, [
            contact("e1", "Eins", "new", "NEW-ID-0", "ACME"),
            contact("e2", "Zwei", "new", "NEW-ID-0", "ACME"),
            contact("e3", "Drei", "new", "NEW-ID-1", "Beta"),
        ])
        self.assertEqual([m[0] for m in mapped], ["e1", "e2", "e3"])
        # A later request of the same session names NEW-ID-0 again, in a put.
        results = self.client.change("contact", "putItems", self.session,
                                     [contact("e3", "Drei", "new", "NEW-ID-0", "ACME", server_id=mapped[2][1])])
        self.assertEqual(results, [("OK", mapped[2][1], None)])
        # A put creates the address of a temporary id; an add of the same session then joins it.
        results = self.client.change("contact", "putItems", self.session,
                                     [contact("e1", "Eins", "new", "NEW-ID-2", "Delta", server_id=mapped[0][1])])
        self.assertEqual(results, [("OK", mapped[0][1], None)])
        self.client.add("contact", self.session, [contact("e4", "Fünf", "new", "NEW-ID-2", "Delta")])
        self.assertEqual([(a["company"], [c["lastName"] for c in a["contacts"]]) for a in self.addresses()],
                         [("ACME", ["Zwei", "Drei"]), ("Beta", []), ("Delta", ["Eins", "Fünf"])])

        # Another session's NEW-ID-0 is an address of its own.
        other = self.client.login("contact")
        self.client.add("contact", other, [contact("f1", "Vier", "new", "NEW-ID-0", "Gamma")])
        self.assertEqual([a["company"] for a in self.addresses()], ["ACME", "Beta", "Delta", "Gamma"])

    def test_address_actions_and_the_address_right(self):
        self.client.store.load_seed({
            "users": [{"name": "user", "password": "vezi", "rights": {"contact": "YNYY"}}],
            "addresses": [{"id": "ADR7", "company": "Old", "contacts": [{"id": "C1", "lastName": "Alt"}]}],
        })
        session = self.client.login("contact")
        refused = self.client.add("contact", session, [
            contact("e1", "Neu", "new", "NEW-ID-0", "New"),
            contact("e2", "Neu", "overwrite", "ADR7", "Changed"),
            contact("e3", "Neu", "no_change", "ADR7", "Ignored"),
            contact("e4", "Neu", "no_change", "ADR99"),
        ])
        self.assertEqual([(m[1], "not allowed" in (m[2] or "")) for m in refused],
                         [("ERROR", True), ("ERROR", True), ("C2", False), ("ERROR", False)])
        self.assertEqual(len(self.addresses()), 1)
        # An overwrite with the address's own data changes nothing and needs no right.
        results = self.client.change("contact", "putItems", session,
                                     [contact("e1", "Alt", "overwrite", "ADR7", "Old", server_id="C1")])
        self.assertEqual(results, [("OK", "C1", None)])

        self.client.store.load_seed({"addresses": [{"id": "ADR7", "company": "Old",
                                                    "contacts": [{"id": "C1", "lastName": "Alt"}]}]})
        session = self.client.login("contact")
        results = self.client.change("contact", "putItems", session,
                                     [contact("e1", "Alt", "overwrite", "ADR7", "Changed", server_id="C1")])
        self.assertEqual(results, [("OK", "C1", None)])
        self.assertEqual(self.addresses()[0]["company"], "Changed")

    def test_get_items_groups_contacts_under_their_address_and_lists_every_address(self):
        old = "2001-01-01 00:00:00"
        self.client.store.load_seed({"addresses": [
            {"id": "ADR9", "company": "Ohne Änderung", "last_updated": old,
             "contacts": [{"id": "C9", "lastName": "Z", "last_updated": old}]},
            {"id": "ADR1", "company": "Eins", "last_updated": old,
             "contacts": [{"id": "C1", "lastName": "A", "last_updated": old},
                          {"id": "C2", "lastName": "B", "last_updated": "2005-01-01 00:00:00"}]},
            {"id": "ADR2", "company": "Zwei", "last_updated": "2005-06-01 00:00:00",
             "contacts": [{"id": "C3", "lastName": "C", "last_updated": old}]},
            {"id": "ADR3", "company": "Drei", "last_updated": old,
             "contacts": [{"id": "C4", "lastName": "D", "last_updated": old}]},
            {"id": "ADR0", "company": "Leer", "last_updated": old},
        ]})
        session = self.client.login("contact")
        reply = self.client.get("contact", session, since="2005-01-01", ids=["C4"])
        grouped = [(a.findtext("id_tarnwel"), a.findtext("company"),
                    [(c.findtext("id_tarnwel"), fields(c)["last_updated"]) for c in a.iter("contact")])
                   for a in reply.iter("Address")]
        # C2 changed; ADR2 changed, which brings C3 with the address's time; C4 is listed.
        # The other addresses follow without contacts, in creation order.
        self.assertEqual(grouped, [
            ("ADR1", "Eins", [("C2", "2005-01-01 00:00:00")]),
            ("ADR2", "Zwei", [("C3", "2005-06-01 00:00:00")]),
            ("ADR3", "Drei", [("C4", old)]),
            ("ADR9", "Ohne Änderung", []),
            ("ADR0", "Leer", []),
        ])

if __name__ == "__main__":
    unittest.main()
