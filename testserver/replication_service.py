"""The six SOAP methods of the three replication services, on top of the store.

`parse_request` turns the bytes of a POST into a `Request` (or raises
`SoapFault`); `ReplicationService.handle` answers it with the text of a SOAP
envelope, in one store transaction. Replies are built as text, with
`xml.sax.saxutils.escape`, since a getItems reply may hold tens of thousands of
items.
"""

import sys
import traceback
import xml.etree.ElementTree as ElementTree
from typing import NamedTuple
from xml.sax.saxutils import escape

from replication_store import CLIENT_ID, FIELDS, WITH_PARTICIPANTS, is_date

SOAP_ENVELOPE = "http://schemas.xmlsoap.org/soap/envelope/"
NAMESPACES = {
    "urn:appointmentReplication": "appointment",
    "urn:contactReplication": "contact",
    "urn:taskReplication": "task",
}
METHODS = ("authenticate", "sign_out", "getItems", "addItems", "putItems", "deleteItems")

NOT_ALLOWED = "not allowed"
TEMPORARY_ADDRESS = "NEW-ID-"


class SoapFault(Exception):
    """Answered as a SOAP fault: `code` "Client" for a bad request, "Server" for the server's own failure."""

    def __init__(self, text, code="Client"):
        super().__init__(text)
        self.code = code


class ItemError(Exception):
    """One item of an add, put or delete request failed; the text goes into its ERROR reply."""


class Request(NamedTuple):
    namespace: str
    service: str   # "appointment", "task" or "contact"
    method: str
    element: ElementTree.Element  # the method element


class Rights(NamedTuple):
    write: bool
    address: bool
    delete: bool


def rights_of(text, service):
    """Position 0 is the write right; contacts have the address right at 1 and delete at 2, the others delete at 1."""
    def granted(position):
        return len(text) > position and text[position] == "Y"
    if service == "contact":
        return Rights(granted(0), granted(1), granted(2))
    return Rights(granted(0), False, granted(1))


# Reading requests

def _name(element):
    return element.tag.rpartition("}")[2]


def _text(element):
    return "".join(element.itertext())


def _children(element, name):
    return [child for child in element if _name(child) == name]


def _child(element, name):
    """The first child named `name`, or None."""
    return next((child for child in element if _name(child) == name), None)


def _required(element, name):
    child = _child(element, name)
    if child is None:
        raise SoapFault(f"The request has no element {name!r}")
    return child


def _child_text(element, name, default=""):
    child = _child(element, name)
    return default if child is None else _text(child)


def parse_request(body):
    """The request that a POST body carries; SoapFault for anything that is no such request."""
    try:
        envelope = ElementTree.fromstring(body)
    except ElementTree.ParseError as error:
        raise SoapFault(f"The request is not well-formed XML ({error})") from error
    if _name(envelope) != "Envelope":
        raise SoapFault("The request is not a SOAP envelope")
    body_element = _child(envelope, "Body")
    method_element = None if body_element is None else next(iter(body_element), None)
    if method_element is None:
        raise SoapFault("The request has no SOAP body or no method element in it")
    namespace, _, method = method_element.tag[1:].rpartition("}")
    if namespace not in NAMESPACES:
        raise SoapFault(f"Unknown service namespace {namespace!r}")
    if method not in METHODS:
        raise SoapFault(f"Unknown method {method!r}")
    return Request(namespace, NAMESPACES[namespace], method, method_element)


# Writing replies

def _esc(text):
    # A carriage return would be read back as a line feed; a reference keeps it.
    return escape(text, {"\r": "&#13;"})


def _attr(text):
    return escape(text, {'"': "&quot;", "\r": "&#13;", "\n": "&#10;", "\t": "&#9;"})


def envelope(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<SOAP-ENV:Envelope xmlns:SOAP-ENV="{SOAP_ENVELOPE}"><SOAP-ENV:Body>'
            f'{body}</SOAP-ENV:Body></SOAP-ENV:Envelope>\n')


def fault_envelope(text, code="Client"):
    return envelope(f"<SOAP-ENV:Fault><faultcode>SOAP-ENV:{code}</faultcode>"
                    f"<faultstring>{_esc(text)}</faultstring></SOAP-ENV:Fault>")


def response_envelope(request, content):
    name = f"{request.method}Response"
    return envelope(f'<ns:{name} xmlns:ns="{request.namespace}">{content}</ns:{name}>')


def _fields_xml(parts, kind, fields):
    for name in FIELDS[kind]:
        value = fields.get(name)
        if value is not None:
            parts.append(f"<{name}>{_esc(value)}</{name}>")
    if "participants" in fields:
        parts.append("<participants>")
        parts.extend(f"<user>{_esc(user)}</user>" for user in fields["participants"])
        parts.append("</participants>")


def _item_xml(parts, tag, kind, item, changed=None, subtask_of=None):
    parts.append(f"<{tag}><id_tarnwel>{_esc(item.id)}</id_tarnwel>")
    _fields_xml(parts, kind, item.fields)
    client_id = item.fields.get(CLIENT_ID)
    if client_id:
        parts.append(f"<{CLIENT_ID}>{_esc(client_id)}</{CLIENT_ID}>")
    if subtask_of:
        parts.append(f"<subtaskOf>{_esc(subtask_of)}</subtaskOf>")
    parts.append(f"<last_updated>{changed or item.changed}</last_updated></{tag}>")


def _read_fields(kind, element):
    """The item's text fields (and participants) as sent; elements of other names are passed over."""
    names = FIELDS[kind]
    fields = {}
    for child in element:
        name = _name(child)
        if name in names:
            fields[name] = _text(child)
        elif name == "participants" and kind in WITH_PARTICIPANTS:
            fields.setdefault("participants", []).extend(_text(user) for user in _children(child, "user"))
    return fields


def _read_item_fields(kind, element, item=None):
    """The fields of an item as sent, with the client's id of the item ("id_client").

    An item keeps the client id it was added with until a request sends
    another; an empty one is not kept.
    """
    fields = _read_fields(kind, element)
    client_id = _child_text(element, CLIENT_ID)
    if client_id:
        fields[CLIENT_ID] = client_id
    elif item is not None and item.fields.get(CLIENT_ID):
        fields[CLIENT_ID] = item.fields[CLIENT_ID]
    return fields


class _Context(NamedTuple):
    tx: object       # replication_store.Transaction
    session: str
    rights: Rights


# The kinds of items

class _Kind:
    """Appointments; the base of the other kinds."""

    kind = "appointment"
    list_tag = "CalendarItems"
    item_tag = "Appointment"

    def get(self, tx, since, ids):
        parts = []
        for item in _changed_or_listed(tx, self.kind, since, ids):
            _item_xml(parts, self.item_tag, self.kind, item)
        return "".join(parts)

    def add(self, ctx, element):
        return ctx.tx.add_item(self.kind, _read_item_fields(self.kind, element))

    def put(self, ctx, item, element):
        ctx.tx.update_item(self.kind, item.id, self._new_fields(item, element), item.owner)

    def delete(self, ctx, item, element):
        ctx.tx.delete_item(self.kind, item.id)

    def _new_fields(self, item, element):
        fields = _read_item_fields(self.kind, element, item)
        # The client cannot send participants: an item it overwrites keeps them.
        if "participants" in item.fields and "participants" not in fields:
            fields["participants"] = item.fields["participants"]
        return fields


def _in_order(*groups):
    """The items of all groups, each once, in creation order."""
    merged = {item.n: item for group in groups for item in group}
    return [merged[n] for n in sorted(merged)]


def _changed_or_listed(tx, kind, since, ids):
    return _in_order(tx.changed_items(kind, since), tx.items_by_ids(kind, ids))


class _Tasks(_Kind):
    """A task is a main task or, with an owner, a subtask of one; chains are one level deep.

    putItems keeps a task's place: tasks from the client's side never name a
    main task, so a missing "subtaskOf" must not make a subtask a main task.
    """

    kind = "task"
    list_tag = "TaskItems"
    item_tag = "Task"

    def get(self, tx, since, ids):
        # Each changed or listed task brings its main task and the main task's whole chain.
        main_ids = {item.owner or item.id for item in _changed_or_listed(tx, self.kind, since, ids)}
        subtasks = {}
        for item in tx.items_by_owners(self.kind, main_ids):
            subtasks.setdefault(item.owner, []).append(item)
        parts = []
        for main in tx.items_by_ids(self.kind, main_ids):
            _item_xml(parts, self.item_tag, self.kind, main)
            for subtask in subtasks.get(main.id, ()):
                _item_xml(parts, self.item_tag, self.kind, subtask, subtask_of=main.id)
        return "".join(parts)

    def add(self, ctx, element):
        owner = None
        main_id = _child_text(element, "subtaskOf")
        if main_id:
            main = ctx.tx.item(self.kind, main_id)
            if main is None:
                raise ItemError(f"unknown main task {main_id}")
            owner = main.owner or main.id
        return ctx.tx.add_item(self.kind, _read_item_fields(self.kind, element), owner)

    def delete(self, ctx, item, element):
        if item.owner is None:
            ctx.tx.delete_owned(self.kind, item.id)
        ctx.tx.delete_item(self.kind, item.id)


class _Contacts(_Kind):
    """Contacts belong to an address (the company), which the request's address action picks."""

    kind = "contact"
    list_tag = "ContactItems"
    item_tag = "Contact"

    def get(self, tx, since, ids):
        """Every address of the server, so that the client can offer each company for linking.

        The addresses with contacts in the reply and those changed since the
        date come first, in creation order; the rest follow as bare "Address"
        elements, also in creation order.
        """
        # An address changed since the date comes with all its contacts, which show its data.
        changed_addresses = {item.id: item for item in tx.changed_items("address", since)}
        members = {}
        for contact in _in_order(_changed_or_listed(tx, self.kind, since, ids),
                                 tx.items_by_owners(self.kind, changed_addresses)):
            members.setdefault(contact.owner, []).append(contact)
        listed = _in_order(tx.items_by_ids("address", members), changed_addresses.values())
        listed_ids = {address.id for address in listed}
        rest = [address for address in tx.all_items("address") if address.id not in listed_ids]
        parts = []
        for address in listed + rest:
            parts.append(f"<Address><id_tarnwel>{_esc(address.id)}</id_tarnwel>")
            _fields_xml(parts, "address", address.fields)
            for contact in members.get(address.id, ()):
                # A contact shows its address's data, so it changed when either did.
                _item_xml(parts, "contact", self.kind, contact, max(contact.changed, address.changed))
            parts.append("</Address>")
        return "".join(parts)

    def add(self, ctx, element):
        address_id = self._address(ctx, element)
        if address_id is None:
            raise ItemError("the contact names no address")
        return ctx.tx.add_item(self.kind, _read_item_fields(self.kind, element), address_id)

    def put(self, ctx, item, element):
        address_id = self._address(ctx, element) or item.owner
        ctx.tx.update_item(self.kind, item.id, self._new_fields(item, element), address_id)

    def _address(self, ctx, element):
        """Carries out the contact's address action and returns the address's id (None: no address named).

        "new" creates the address from the contact's company data, once per
        temporary id and session; "overwrite" replaces an existing address's
        data; "no_change" (also a missing action) only links to it. Creating
        or changing an address needs the address right; an overwrite with the
        address's own data changes nothing and needs none.
        """
        action = _child_text(element, "address_action") or "no_change"
        named = _child_text(element, "address_id")
        if action not in ("new", "overwrite", "no_change"):
            raise ItemError(f"unknown address action {action!r}")
        if action == "new":
            _check_address_right(ctx)
        address_id = named
        if named.startswith(TEMPORARY_ADDRESS):
            address_id = ctx.tx.temp_address(ctx.session, named)
        if action == "new":
            if not named.startswith(TEMPORARY_ADDRESS):
                raise ItemError(f"a new address needs a temporary id {TEMPORARY_ADDRESS}<n>, not {named!r}")
            if address_id is None:
                address_id = ctx.tx.add_item("address", _read_fields("address", element))
                ctx.tx.remember_temp_address(ctx.session, named, address_id)
            return address_id
        if not named:
            return None
        address = ctx.tx.item("address", address_id) if address_id else None
        if address is None:
            raise ItemError(f"unknown address {named}")
        if action == "overwrite":
            sent = _read_fields("address", element)
            if _non_empty(sent) != _non_empty(address.fields):
                _check_address_right(ctx)
                ctx.tx.update_item("address", address.id, sent, None)
        return address.id


def _check_address_right(ctx):
    if not ctx.rights.address:
        raise ItemError(f"{NOT_ALLOWED}: the user has no right to change addresses")


def _non_empty(fields):
    return {name: value for name, value in fields.items() if value}


_KINDS = {kind.kind: kind for kind in (_Kind(), _Tasks(), _Contacts())}


class ReplicationService:
    def __init__(self, store):
        self._store = store
        self._methods = {
            "authenticate": self._authenticate,
            "sign_out": self._sign_out,
            "getItems": self._get_items,
            "addItems": self._add_items,
            "putItems": self._put_items,
            "deleteItems": self._delete_items,
        }

    def handle(self, request, item_failure=None):
        """The reply envelope to `request`; raises SoapFault for a request it cannot answer.

        `item_failure` "refuse" or "error" makes every item of an addItems,
        putItems or deleteItems request fail without being carried out: for
        lack of rights ("not allowed") or for another reason.
        """
        try:
            with self._store.transaction() as tx:
                return response_envelope(request, self._methods[request.method](tx, request, item_failure))
        except SoapFault:
            raise
        except Exception as error:
            traceback.print_exc(file=sys.stderr)
            raise SoapFault(f"Internal server error: {error}", "Server") from error

    def _authenticate(self, tx, request, _item_failure=None):
        # The client wraps user and password in "Credentials"; both forms are read.
        credentials = _child(request.element, "Credentials")
        if credentials is None:
            credentials = request.element
        name = _text(_required(credentials, "user"))
        password = _text(_required(credentials, "password"))
        user = tx.user(name)
        if user is None or user.password != password:
            raise SoapFault("Authentication failed")
        session_id = tx.open_session(user.name, request.service)
        rights = user.rights[request.service]
        size = 2 if request.service == "contact" else 1
        rights = rights.ljust(2 * size, "N")
        return (f"<session-id>{session_id}</session-id>"
                f"<write>{_esc(rights[:size])}</write><delete>{_esc(rights[size:2 * size])}</delete>")

    def _session(self, tx, request):
        """The request's session and the user's rights in its service, or None when the session is not valid."""
        session = tx.session(_text(_required(request.element, "session-id")))
        if session is None or session.service != request.service:
            return None
        user = tx.user(session.user)
        if user is None:
            return None
        return _Context(tx, session.id, rights_of(user.rights[request.service], request.service))

    @staticmethod
    def _wrong_session():
        return "<wrong-session-id>The session is unknown or has ended</wrong-session-id>"

    def _sign_out(self, tx, request, _item_failure=None):
        ctx = self._session(tx, request)
        if ctx is None:
            return self._wrong_session()
        tx.end_session(ctx.session)
        return ""

    def _get_items(self, tx, request, _item_failure=None):
        ctx = self._session(tx, request)
        if ctx is None:
            return self._wrong_session()
        since = _text(_required(request.element, "since"))
        if not is_date(since):
            raise SoapFault(f"The since date {since!r} is not a date \"YYYY-MM-DD\"")
        ids = [_text(element) for element in _children(request.element, "id")]
        return _KINDS[request.service].get(tx, since, ids)

    def _items(self, request, kind):
        items = _required(request.element, kind.list_tag)
        for element in items:
            if _name(element) != kind.item_tag:
                raise SoapFault(f"Unexpected element {_name(element)!r} in {kind.list_tag!r}")
        return list(items)

    def _add_items(self, tx, request, item_failure=None):
        def answer(element, new_id, error):
            client_id = _attr(_child_text(element, "id_client"))
            if error is None:
                return f'<mapping id_client="{client_id}" id_tarnwel="{_attr(new_id)}"/>'
            return f'<mapping id_client="{client_id}" id_tarnwel="ERROR">{_esc(error)}</mapping>'
        return self._each_item(tx, request, "write", lambda ctx, kind, element: kind.add(ctx, element), answer,
                               item_failure)

    def _put_items(self, tx, request, item_failure=None):
        return self._change_items(tx, request, "write", "put", item_failure)

    def _delete_items(self, tx, request, item_failure=None):
        return self._change_items(tx, request, "delete", "delete", item_failure)

    def _change_items(self, tx, request, right, operation, item_failure):
        """putItems and deleteItems: one OK or ERROR element per item, by server id."""
        def work(ctx, kind, element):
            item_id = _child_text(element, "id_tarnwel")
            item = ctx.tx.item(kind.kind, item_id) if item_id else None
            if item is None:
                raise ItemError(f"unknown item {item_id!r}")
            getattr(kind, operation)(ctx, item, element)

        def answer(element, _, error):
            item_id = _attr(_child_text(element, "id_tarnwel"))
            if error is None:
                return f'<OK ID="{item_id}"/>'
            return f'<ERROR ID="{item_id}">{_esc(error)}</ERROR>'
        return self._each_item(tx, request, right, work, answer, item_failure)

    def _each_item(self, tx, request, right, work, answer, item_failure):
        """Joins `answer(element, result, error text or None)` for each item of the request's list.

        `work(ctx, kind, element)` changes the store for one item; it runs only
        when the user has `right` and no `item_failure` is asked for, and what
        it did is undone when it fails.
        """
        ctx = self._session(tx, request)
        if ctx is None:
            return self._wrong_session()
        kind = _KINDS[request.service]
        parts = []
        for element in self._items(request, kind):
            try:
                if not getattr(ctx.rights, right):
                    raise ItemError(f"{NOT_ALLOWED}: the user has no {right} right")
                if item_failure == "refuse":
                    raise ItemError(f"{NOT_ALLOWED}: refused on purpose")
                if item_failure == "error":
                    raise ItemError("Injected item error")
                with tx.savepoint():
                    result = work(ctx, kind, element)
                parts.append(answer(element, result, None))
            except ItemError as error:
                parts.append(answer(element, None, str(error)))
        return "".join(parts)
