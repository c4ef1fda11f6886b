import unittest

from server_fixture import DirectClient

OLD = "2001-01-01 00:00:00"


def task(task_id, *subtasks):
    return {"id": task_id, "title": task_id, "last_updated": OLD,
            "subtasks": [{"id": s, "title": s, "last_updated": OLD} for s in subtasks]}


class TaskChainTest(unittest.TestCase):
    def setUp(self):
        self.client = DirectClient()
        self.client.store.load_seed({"tasks": [task("M1", "S1", "S2", "S3"), task("M2"), task("M3", "S4")]})
        self.session = self.client.login("task")

    def reply(self, **query):
        """[(id, subtaskOf)] of a getItems reply, in reply order."""
        reply = self.client.get("task", self.session, **query)
        return [(t.findtext("id_tarnwel"), t.findtext("subtaskOf")) for t in reply.iter("Task")]

    def test_subtasks_follow_their_main_task_in_order(self):
        self.assertEqual(self.reply(), [("M1", None), ("S1", "M1"), ("S2", "M1"), ("S3", "M1"),
                                        ("M2", None), ("M3", None), ("S4", "M3")])

    def test_a_changed_or_listed_task_brings_its_whole_chain(self):
        self.assertEqual(self.client.change("task", "putItems", self.session,
                                            [{"title": "changed", "status": "50%", "id_tarnwel": "S2"}]),
                         [("OK", "S2", None)])
        # S2 changed today (its chain comes along, still as subtasks), M3 is listed.
        self.assertEqual(self.reply(since="2002-01-01", ids=["M3", "T404"]),
                         [("M1", None), ("S1", "M1"), ("S2", "M1"), ("S3", "M1"), ("M3", None), ("S4", "M3")])

    def test_deleting_a_main_task_deletes_its_chain(self):
        self.assertEqual(self.client.change("task", "deleteItems", self.session,
                                            [{"id_tarnwel": "M1"}, {"id_tarnwel": "S4"}, {"id_tarnwel": "S1"}]),
                         [("OK", "M1", None), ("OK", "S4", None), ("ERROR", "S1", "unknown item 'S1'")])
        self.assertEqual(self.reply(), [("M2", None), ("M3", None)])


if __name__ == "__main__":
    unittest.main()
