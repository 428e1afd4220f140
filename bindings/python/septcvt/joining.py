"""Joining received parts: the parts a gateway holds of one sender sorted
into messages. Nothing is kept between calls: the caller keeps parts until
their message is joined or its own time limit passes, and hands them all
again."""
from typing import Iterable, List, NamedTuple, Optional, Tuple

from . import _bytes, _choice, _septcvt
from .pdu import _TYPES, Tpdu, _ids
from .smpp import DeliverSm, _sar, _settings
from .errors import refused

_KINDS = {_septcvt.JOINED: "joined", _septcvt.ALONE: "alone", _septcvt.INCOMPLETE: "incomplete",
          _septcvt.CONFLICT: "conflict"}


class Message(NamedTuple):
    """A message the parts make, in the order of its first part. kind is
    "joined" (every part there, its text joined in sequence order),
    "alone" (a part with no concatenation element, or a sequence number of
    0 or above its total, or a receipt), "incomplete" (missing lists the
    sequence numbers not there) or "conflict" (two parts with the same
    numbers and different contents, each such pair of indices in
    conflicts: never joined). parts are the indices of the parts used in
    the list given, in sequence order; repeats counts the parts dropped as
    the same as one used. text is that of a message joined or alone (None
    otherwise, and for binary data, whose octets are in binary). Parts are
    one message where sar (the SAR values placed them), reference_bits (8
    or 16), reference and total are the same; message_type is esm_class's
    (0x04 for a receipt, a STATUS-REPORT among them); unmapped counts the
    characters without a mapping, left out."""
    kind: str
    text: Optional[str]
    parts: Tuple[int, ...]
    missing: Tuple[int, ...]
    conflicts: Tuple[Tuple[int, int], ...]
    repeats: int
    sar: bool
    reference_bits: int
    reference: int
    total: int
    message_type: int
    binary: Optional[bytes]
    unmapped: int


def _part(part: object) -> tuple:
    """A part as the extension takes it: a TPDU read, a deliver_sm's
    fields, or a part's user data (anything with dcs, udhi, udl and
    user_data, such as a Part of a plan, or those four in a tuple)."""
    if isinstance(part, Tpdu):
        return (1, _choice("type", part.type, _ids(_TYPES)), part.dcs, part.udhi, part.udl, _bytes(part.user_data))
    if isinstance(part, DeliverSm):
        return 2, _bytes(part.short_message), part.payload, part.esm_class, part.data_coding, _sar(part.sar)
    if hasattr(part, "user_data"):
        return 0, part.dcs, part.udhi, part.udl, _bytes(part.user_data)  # type: ignore[attr-defined]
    dcs, udhi, udl, user_data = part  # type: ignore[misc]
    return 0, dcs, udhi, udl, _bytes(user_data)


def join(parts: Iterable[object], smsc_alphabet: str = "gsm", ucs2_class: bool = False) -> List[Message]:
    """Sorts received parts of one sender (Tpdu, DeliverSm, or user data)
    into messages; smsc_alphabet and ucs2_class read the deliver_sm
    fields as read_deliver_sm() does. A part refused raises its error,
    whose .part is the part's index."""
    got = _septcvt.join(tuple(map(_part, parts)), *_settings(smsc_alphabet, ucs2_class))
    if len(got) == 5:
        status, index, *fault = got
        e = refused(status, *fault)
        e.args = (f"part {index}: {e.args[0]}",)
        e.part = index  # type: ignore[attr-defined]
        raise e
    return [Message(_KINDS[m[0]], *m[1:]) for m in got[1]]
