"""The reference server's store: users, items and sessions in one SQLite database.

Every item (appointment, task, contact, address) is one row of the table
"items": its kind, its server id, the id of the item it belongs to (a subtask's
main task, a contact's address), its change time in UTC and its fields as a
JSON object. Rows keep the order in which they were created, which is the
order of every reply and of the dump.

All access goes through `Store.transaction()`: one lock and one SQLite
transaction, so that each request of the server sees and leaves a consistent
store. A file store runs in WAL mode, so that another process can read it
(`dump`) while the server runs.
"""

import contextlib
import datetime
import json
import os
import re
import secrets
import sqlite3
import threading
from typing import NamedTuple

SERVICES = ("appointment", "task", "contact")

PERSONAL_FIELDS = (
    "salutation", "firstName", "lastName", "title", "department", "position", "phone", "fax",
    "mobile", "email", "comment", "privateAddress", "privatePhone", "privateFax",
    "mobilePrivate", "emailPrivate",
)
COMPANY_FIELDS = (
    "status", "employees", "company", "appendix", "street", "zipcode", "city", "country",
    "state", "firmPhone", "firmFax", "firmEmail", "URL", "misc", "addressComment",
)

# The text fields of each kind, named as their XML elements, in reply order.
FIELDS = {
    "appointment": ("description", "location", "comment", "wholeDayEvent", "start", "end"),
    "task": ("delegatedJob", "description", "title", "status", "priority", "deadline", "startDate"),
    "contact": PERSONAL_FIELDS,
    "address": COMPANY_FIELDS,
}
# Kinds whose items also carry a list of participant names.
WITH_PARTICIPANTS = ("appointment", "task")
# The client's id of an item (its local entry id), kept among the fields as it
# was sent with addItems or putItems and returned by getItems. Addresses are
# never sent on their own and have none. A store written before the server
# kept it simply has none for its items.
CLIENT_ID = "id_client"
WITH_CLIENT_ID = ("appointment", "task", "contact")

ID_PREFIX = {"appointment": "A", "task": "T", "contact": "C", "address": "ADR"}
# Texts that the client gives a meaning of its own; never a server id.
RESERVED_IDS = frozenset({"X", "ERROR", "OVR_FOR_PARTICIPANTS"})

FULL_RIGHTS = {"appointment": "YY", "task": "YY", "contact": "YYYY"}
DEFAULT_USER = {"name": "user", "password": "vezi", "rights": dict(FULL_RIGHTS)}

TIME_FORMAT = "%Y-%m-%d %H:%M:%S"

_FORMAT_KEY = "format"
_FORMAT = "tarnwel-testserver-1"

_SCHEMA = """
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE users(name TEXT PRIMARY KEY, password TEXT NOT NULL,
                   appointment TEXT NOT NULL, task TEXT NOT NULL, contact TEXT NOT NULL);
CREATE TABLE items(n INTEGER PRIMARY KEY, kind TEXT NOT NULL, id TEXT NOT NULL, owner TEXT,
                   changed TEXT NOT NULL, fields TEXT NOT NULL, UNIQUE(kind, id));
CREATE INDEX items_changed ON items(kind, changed);
CREATE INDEX items_owner ON items(kind, owner);
CREATE TABLE counters(kind TEXT PRIMARY KEY, next INTEGER NOT NULL);
CREATE TABLE sessions(id TEXT PRIMARY KEY, user TEXT NOT NULL, service TEXT NOT NULL);
CREATE TABLE temp_addresses(session TEXT NOT NULL, temp_id TEXT NOT NULL, address TEXT NOT NULL,
                            PRIMARY KEY(session, temp_id));
"""

# Characters that XML 1.0 cannot carry; a stored text never holds one, so that
# every reply stays well formed.
_NOT_XML = re.compile("[^\t\n\r\x20-\ud7ff\ue000-\ufffd\U00010000-\U0010ffff]")
_TIME = re.compile("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}")
_DATE = re.compile("[0-9]{4}-[0-9]{2}-[0-9]{2}")
# SQLite allows at most this many parameters in one statement (kept well below).
_CHUNK = 500


class StoreError(Exception):
    """A store file or a seed that cannot be used; the text says why."""


class Item(NamedTuple):
    n: int            # creation order
    id: str
    owner: str | None  # a subtask's main task, a contact's address
    changed: str      # UTC, TIME_FORMAT
    fields: dict      # element name -> text; "participants" -> list of names


class User(NamedTuple):
    name: str
    password: str
    rights: dict      # service -> rights text


class Session(NamedTuple):
    id: str
    user: str
    service: str


def utc_now():
    return datetime.datetime.now(datetime.timezone.utc).strftime(TIME_FORMAT)


def is_valid_id(text):
    return (bool(text) and text not in RESERVED_IDS and not _NOT_XML.search(text)
            and not any(c.isspace() for c in text))


def _matches_format(text, pattern, time_format):
    if not isinstance(text, str) or not pattern.fullmatch(text):
        return False
    try:
        datetime.datetime.strptime(text, time_format)
    except ValueError:
        return False
    return True


def is_time(text):
    """True for a change time as stored: "YYYY-MM-DD hh:mm:ss"."""
    return _matches_format(text, _TIME, TIME_FORMAT)


def is_date(text):
    """True for a date "YYYY-MM-DD" (what getItems takes as its since date)."""
    return _matches_format(text, _DATE, "%Y-%m-%d")


def _chunks(values):
    values = list(values)
    for start in range(0, len(values), _CHUNK):
        yield values[start:start + _CHUNK]


def _encode(fields):
    return json.dumps(fields, ensure_ascii=False, separators=(",", ":"))


class Transaction:
    """The store as one request sees it; valid only inside `Store.transaction()`."""

    def __init__(self, connection):
        self._db = connection
        self.now = utc_now()

    # Users and sessions

    def user(self, name):
        row = self._db.execute(
            "SELECT name, password, appointment, task, contact FROM users WHERE name = ?", (name,)).fetchone()
        if row is None:
            return None
        return User(row[0], row[1], dict(zip(SERVICES, row[2:])))

    def open_session(self, user, service):
        session_id = secrets.token_hex(16)
        self._db.execute("INSERT INTO sessions(id, user, service) VALUES (?, ?, ?)", (session_id, user, service))
        return session_id

    def session(self, session_id):
        row = self._db.execute("SELECT id, user, service FROM sessions WHERE id = ?", (session_id,)).fetchone()
        return Session(*row) if row else None

    def end_session(self, session_id):
        self._db.execute("DELETE FROM temp_addresses WHERE session = ?", (session_id,))
        self._db.execute("DELETE FROM sessions WHERE id = ?", (session_id,))

    def end_all_sessions(self):
        self._db.execute("DELETE FROM temp_addresses")
        self._db.execute("DELETE FROM sessions")

    def temp_address(self, session_id, temp_id):
        row = self._db.execute("SELECT address FROM temp_addresses WHERE session = ? AND temp_id = ?",
                               (session_id, temp_id)).fetchone()
        return row[0] if row else None

    def remember_temp_address(self, session_id, temp_id, address_id):
        self._db.execute("INSERT INTO temp_addresses(session, temp_id, address) VALUES (?, ?, ?)",
                         (session_id, temp_id, address_id))

    # Items

    def _items(self, where, params):
        rows = self._db.execute(
            f"SELECT n, id, owner, changed, fields FROM items WHERE {where} ORDER BY n", params)
        return [Item(n, item_id, owner, changed, json.loads(fields)) for n, item_id, owner, changed, fields in rows]

    def item(self, kind, item_id):
        found = self._items("kind = ? AND id = ?", (kind, item_id))
        return found[0] if found else None

    def all_items(self, kind):
        return self._items("kind = ?", (kind,))

    def changed_items(self, kind, since):
        """Items changed on or after `since` (a "%Y-%m-%d" date or a full time)."""
        return self._items("kind = ? AND changed >= ?", (kind, since))

    def items_by_ids(self, kind, ids):
        return self._in_column(kind, "id", ids)

    def items_by_owners(self, kind, owners):
        return self._in_column(kind, "owner", owners)

    def _in_column(self, kind, column, values):
        found = []
        for chunk in _chunks(set(values)):
            marks = ",".join("?" * len(chunk))
            found += self._items(f"kind = ? AND {column} IN ({marks})", (kind, *chunk))
        found.sort(key=lambda item: item.n)
        return found

    def add_item(self, kind, fields, owner=None, item_id=None, changed=None):
        """Creates an item and returns its server id (`item_id` when given)."""
        if item_id is None:
            item_id = self._new_id(kind)
        self._db.execute("INSERT INTO items(kind, id, owner, changed, fields) VALUES (?, ?, ?, ?, ?)",
                         (kind, item_id, owner, changed or self.now, _encode(fields)))
        return item_id

    def update_item(self, kind, item_id, fields, owner):
        self._db.execute("UPDATE items SET fields = ?, owner = ?, changed = ? WHERE kind = ? AND id = ?",
                         (_encode(fields), owner, self.now, kind, item_id))

    def delete_item(self, kind, item_id):
        self._db.execute("DELETE FROM items WHERE kind = ? AND id = ?", (kind, item_id))

    def delete_owned(self, kind, owner):
        self._db.execute("DELETE FROM items WHERE kind = ? AND owner = ?", (kind, owner))

    def _new_id(self, kind):
        prefix = ID_PREFIX[kind]
        (number,) = self._db.execute("SELECT next FROM counters WHERE kind = ?", (kind,)).fetchone()
        while self._db.execute("SELECT 1 FROM items WHERE kind = ? AND id = ?",
                               (kind, f"{prefix}{number}")).fetchone():
            number += 1
        self._db.execute("UPDATE counters SET next = ? WHERE kind = ?", (number + 1, kind))
        return f"{prefix}{number}"

    @contextlib.contextmanager
    def savepoint(self):
        """Undoes everything done inside when it raises."""
        self._db.execute("SAVEPOINT item")
        try:
            yield
        except BaseException:
            if self._db.in_transaction:
                self._db.execute("ROLLBACK TO item")
                self._db.execute("RELEASE item")
            raise
        self._db.execute("RELEASE item")

    # Seed and dump

    def replace_content(self, seed):
        """Replaces users, items and sessions by a seed that `normalize_seed` checked."""
        for table in ("users", "items", "counters", "sessions", "temp_addresses"):
            self._db.execute(f"DELETE FROM {table}")
        self._db.executemany(
            "INSERT INTO users(name, password, appointment, task, contact) VALUES (?, ?, ?, ?, ?)",
            [(u.name, u.password, *(u.rights[s] for s in SERVICES)) for u in seed.users])
        for kind, entries in seed.items.items():
            self._db.executemany(
                "INSERT INTO items(kind, id, owner, changed, fields) VALUES (?, ?, ?, ?, ?)",
                [(kind, e.id, e.owner, e.changed or self.now, _encode(e.fields)) for e in entries])
            self._db.execute("INSERT INTO counters(kind, next) VALUES (?, ?)", (kind, seed.next_numbers[kind]))

    def users(self):
        rows = self._db.execute("SELECT name, password, appointment, task, contact FROM users ORDER BY rowid")
        return [User(row[0], row[1], dict(zip(SERVICES, row[2:]))) for row in rows]


class Store:
    """One SQLite database, in a file or in memory, shared by threads one transaction at a time."""

    def __init__(self, path=None, create=True):
        if path is not None and not create and not os.path.exists(path):
            raise StoreError(f"{path}: no such store")
        self._lock = threading.Lock()
        self._path = path
        try:
            self._db = sqlite3.connect(path or ":memory:", isolation_level=None, check_same_thread=False)
        except sqlite3.Error as error:
            raise StoreError(f"{path}: cannot open the store ({error})") from error
        try:
            self._prepare(create)
        except sqlite3.Error as error:
            self._db.close()
            raise StoreError(f"{path}: not a test server store ({error})") from error
        except StoreError:
            self._db.close()
            raise

    def _prepare(self, create):
        tables = {row[0] for row in self._db.execute("SELECT name FROM sqlite_master WHERE type = 'table'")}
        if tables or not create:
            row = None
            if "meta" in tables:
                row = self._db.execute("SELECT value FROM meta WHERE key = ?", (_FORMAT_KEY,)).fetchone()
            if row is None or row[0] != _FORMAT:
                raise StoreError(f"{self._path}: not a test server store")
        if self._path is not None:
            self._db.execute("PRAGMA journal_mode = WAL")
            self._db.execute("PRAGMA synchronous = NORMAL")
        if not tables:
            with self.transaction() as tx:
                for statement in _SCHEMA.split(";"):
                    self._db.execute(statement)
                self._db.execute("INSERT INTO meta(key, value) VALUES (?, ?)", (_FORMAT_KEY, _FORMAT))
                tx.replace_content(normalize_seed({}))

    @contextlib.contextmanager
    def transaction(self, write=True):
        """One transaction under the store's lock; `write=False` reads without holding off other writers."""
        with self._lock:
            self._db.execute("BEGIN IMMEDIATE" if write else "BEGIN")
            try:
                yield Transaction(self._db)
            except BaseException:
                # SQLite has already rolled back after some errors (a full disk).
                if self._db.in_transaction:
                    self._db.execute("ROLLBACK")
                raise
            self._db.execute("COMMIT")

    def close(self):
        with self._lock:
            self._db.close()

    def load_seed(self, data):
        """Replaces the whole content by the seed `data` (parsed JSON); nothing changes when it is bad."""
        seed = normalize_seed(data)
        with self.transaction() as tx:
            tx.replace_content(seed)

    def dump(self):
        """The content in the shape of a seed, with every id and change time."""
        with self.transaction(write=False) as tx:
            users = [{"name": u.name, "password": u.password, "rights": u.rights} for u in tx.users()]
            tasks = tx.all_items("task")
            subtasks = _group_by_owner(task for task in tasks if task.owner is not None)
            contacts = _group_by_owner(tx.all_items("contact"))
            return {
                "users": users,
                "appointments": [_dump_item("appointment", a) for a in tx.all_items("appointment")],
                "tasks": [_dump_item("task", t, "subtasks", subtasks.get(t.id, ()))
                          for t in tasks if t.owner is None],
                "addresses": [_dump_item("address", a, "contacts", contacts.get(a.id, ()))
                              for a in tx.all_items("address")],
            }


def _group_by_owner(items):
    groups = {}
    for item in items:
        groups.setdefault(item.owner, []).append(item)
    return groups


def _dump_item(kind, item, nested_key=None, nested=()):
    entry = {"id": item.id}
    entry.update((name, item.fields[name]) for name in FIELDS[kind] if name in item.fields)
    if "participants" in item.fields:
        entry["participants"] = item.fields["participants"]
    if item.fields.get(CLIENT_ID):
        entry[CLIENT_ID] = item.fields[CLIENT_ID]
    entry["last_updated"] = item.changed
    if nested_key:
        entry[nested_key] = [_dump_item("contact" if kind == "address" else kind, i) for i in nested]
    return entry


# Seeds

class SeedItem(NamedTuple):
    id: str
    owner: str | None
    changed: str | None
    fields: dict


class Seed(NamedTuple):
    users: list          # of User
    items: dict          # kind -> list of SeedItem, owners before the items they own
    next_numbers: dict   # kind -> the number of the next generated id


def read_seed_file(path):
    try:
        with open(path, encoding="utf-8") as file:
            return json.load(file)
    except OSError as error:
        raise StoreError(f"{path}: cannot read the seed ({error.strerror})") from error
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        raise StoreError(f"{path}: not a JSON seed ({error})") from error


def normalize_seed(data):
    """Checks a parsed seed and gives every item its id; raises StoreError naming the bad entry."""
    if not isinstance(data, dict):
        raise StoreError("the seed must be a JSON object")
    _check_keys(data, ("users", "appointments", "tasks", "addresses"), "the seed")
    users = [_seed_user(entry, f"users[{i}]") for i, entry in enumerate(_seed_list(data, "users", "the seed"))]
    if len({user.name for user in users}) != len(users):
        raise StoreError("users: a user name occurs twice")
    if not users:
        users = [User(DEFAULT_USER["name"], DEFAULT_USER["password"], dict(FULL_RIGHTS))]

    # kind -> [(where, given id or None, changed or None, fields, index of the owner in its kind's list)]
    entries = {kind: [] for kind in ID_PREFIX}

    def collect(kind, key, nested_key=None, nested_kind=None):
        for i, entry in enumerate(_seed_list(data, key, "the seed")):
            where = f"{key}[{i}]"
            index = len(entries[kind])
            entries[kind].append(_seed_item(kind, entry, where, nested_key) + (None,))
            for j, child in enumerate(_seed_list(entry, nested_key, where) if nested_key else ()):
                entries[nested_kind].append(_seed_item(nested_kind, child, f"{where}.{nested_key}[{j}]") + (index,))

    collect("appointment", "appointments")
    collect("task", "tasks", "subtasks", "task")
    collect("address", "addresses", "contacts", "contact")

    ids = {kind: _assign_ids(kind, kind_entries) for kind, kind_entries in entries.items()}
    owner_kind = {"task": "task", "contact": "address"}
    items = {}
    for kind, kind_entries in entries.items():
        own_ids = ids[kind][0]
        owner_ids = ids[owner_kind[kind]][0] if kind in owner_kind else None
        items[kind] = [SeedItem(own_ids[i], None if owner is None else owner_ids[owner], changed, fields)
                       for i, (_, _, changed, fields, owner) in enumerate(kind_entries)]
    return Seed(users, items, {kind: ids[kind][1] for kind in ids})


def _check_keys(entry, allowed, where):
    for key in entry:
        if key not in allowed:
            raise StoreError(f"{where}: unknown key {key!r}")


def _seed_list(entry, key, where):
    value = entry.get(key, [])
    if not isinstance(value, list):
        raise StoreError(f"{where}: {key!r} must be a list")
    return value


def _seed_object(entry, where):
    if not isinstance(entry, dict):
        raise StoreError(f"{where}: must be a JSON object")


def _seed_text(value, where):
    if not isinstance(value, str):
        raise StoreError(f"{where}: must be a text")
    if _NOT_XML.search(value):
        raise StoreError(f"{where}: holds a character that XML cannot carry")
    return value


def _seed_user(entry, where):
    _seed_object(entry, where)
    _check_keys(entry, ("name", "password", "rights"), where)
    name = entry.get("name")
    if not isinstance(name, str) or not name:
        raise StoreError(f"{where}: needs a name")
    password = entry.get("password")
    if not isinstance(password, str):
        raise StoreError(f"{where}: needs a password")
    rights = entry.get("rights", {})
    _seed_object(rights, f"{where}.rights")
    _check_keys(rights, SERVICES, f"{where}.rights")
    for service, text in rights.items():
        _seed_text(text, f"{where}.rights.{service}")
    return User(name, password, {service: rights.get(service, FULL_RIGHTS[service]) for service in SERVICES})


def _seed_item(kind, entry, where, nested_key=None):
    _seed_object(entry, where)
    allowed = {"id", "last_updated", *FIELDS[kind]}
    if kind in WITH_PARTICIPANTS:
        allowed.add("participants")
    if kind in WITH_CLIENT_ID:
        allowed.add(CLIENT_ID)
    if nested_key:
        allowed.add(nested_key)
    _check_keys(entry, allowed, where)
    item_id = entry.get("id")
    if item_id is not None and not (isinstance(item_id, str) and is_valid_id(item_id)):
        raise StoreError(f"{where}.id: {item_id!r} cannot be a server id")
    changed = entry.get("last_updated")
    if changed is not None and not is_time(changed):
        raise StoreError(f"{where}.last_updated: {changed!r} is not a time \"YYYY-MM-DD hh:mm:ss\"")
    fields = {name: _seed_text(entry[name], f"{where}.{name}") for name in FIELDS[kind] if name in entry}
    if entry.get(CLIENT_ID):
        fields[CLIENT_ID] = _seed_text(entry[CLIENT_ID], f"{where}.{CLIENT_ID}")
    if "participants" in entry:
        names = _seed_list(entry, "participants", where)
        fields["participants"] = [_seed_text(name, f"{where}.participants[{i}]") for i, name in enumerate(names)]
    return (where, item_id, changed, fields)


def _assign_ids(kind, entries):
    """The ids of a kind's seed entries, in order, and the number of the next generated id."""
    prefix = ID_PREFIX[kind]
    seen = set()
    for where, item_id, *_ in entries:
        if item_id in seen:
            raise StoreError(f"{where}.id: {item_id!r} occurs twice")
        if item_id is not None:
            seen.add(item_id)
    numbered = (re.fullmatch(re.escape(prefix) + "([0-9]+)", item_id) for item_id in seen)
    number = 1 + max((int(match.group(1)) for match in numbered if match), default=0)
    ids = []
    for _, item_id, *_ in entries:
        if item_id is None:
            item_id = f"{prefix}{number}"
            number += 1
        ids.append(item_id)
    return ids, number
