"""GSM 03.38 text and SMS parts, with libseptcvt inside.

Importing the package registers the codecs "gsm0338" and "gsm0338-<language>"
(see septcvt.codec). plan() says how a text goes out as SMS: the encoding,
the national tables, and each part with its user data. read_part() reads a
received part back. Languages are named by their ISO 639-1 codes, the keys
of LANGUAGES; the ids, its values, are those of the library's interface.

The wire calls take a text, or a Plan, further: submit() writes each part
as SMS-SUBMIT for a modem in PDU mode, and decode_tpdu() and encode_tpdu()
read and write whole TPDUs (septcvt.pdu); smpp_parts() and smpp_payload()
give SMPP's submit_sm fields, and read_deliver_sm() reads a deliver_sm's
(septcvt.smpp); join() sorts received parts into messages
(septcvt.joining).
"""
import operator
import random
from typing import Dict, Iterable, NamedTuple, Optional, Tuple, Union

from . import _septcvt, codec  # codec registers the codecs
from .errors import (BadArgumentError, BadTpduError, BadUserDataError, Error, MalformedError, NoRoomError,
                     NotTextError, TooManyPartsError, UnmappedError, UnsupportedTpduError, error)

__all__ = ["plan", "read_part", "Plan", "Part", "Character", "Replacement", "Received", "LANGUAGES", "Error",
           "MalformedError", "BadArgumentError", "NoRoomError", "TooManyPartsError", "BadUserDataError",
           "NotTextError", "UNICODE_VERSION", "submit", "decode_tpdu", "encode_tpdu", "Tpdu", "Pdu", "Address",
           "TimeStamp", "Validity", "Status", "smpp_parts", "smpp_payload", "read_deliver_sm", "SmppPart",
           "SmppPayload", "Sar", "Delivered", "DeliverSm", "join", "Message", "BadTpduError", "UnsupportedTpduError",
           "UnmappedError"]

__version__ = _septcvt.LIBRARY_VERSION
# The Unicode version whose grapheme clusters bound the parts.
UNICODE_VERSION = _septcvt.UNICODE_VERSION
LANGUAGES: Dict[str, int] = dict(_septcvt.LANGUAGES)

Languages = Union[str, Iterable[str]]


class Part(NamedTuple):
    """One SMS part: its text as a receiver shows it (look-alikes replaced
    where the plan replaced them), where it lies in the text planned
    (text[start:end]), its length in septets or UTF-16 units, and its
    TP-DCS, TP-UDHI, TP-UDL and TP-UD."""
    text: str
    start: int
    end: int
    length: int
    dcs: int
    udhi: bool
    udl: int
    user_data: bytes


class Character(NamedTuple):
    """A character of the text planned, by its index."""
    index: int
    code_point: int


class Replacement(NamedTuple):
    """A look-alike that went out replaced, and what it became ("" where it
    was dropped)."""
    index: int
    code_point: int
    became: str


class _PlanFields(NamedTuple):
    encoding: str
    dcs: int
    locking: int
    single: int
    locking_language: Optional[str]
    single_language: Optional[str]
    parts: Tuple[Part, ...]
    room_left: int
    ran_out: Optional[int]
    replaced: Tuple[Replacement, ...]
    reference: Optional[int]
    reference_bits: int


class Plan(_PlanFields):
    """How a text goes out: encoding "7-bit" (the default alphabet or a
    pair of national tables, by id and by code, None for the default) or
    "UCS-2"; the parts; the septets or units left in the last; the index
    of the first character that no one allowed pair holds with all before
    it (None where one holds the whole text); the look-alikes replaced; the
    concatenation reference (None for a single part) and its size in bits;
    and, when asked, ruled_out."""

    @property
    def ruled_out(self) -> Tuple[Character, ...]:
        """The characters that no allowed table holds, which ruled out the
        7-bit encodings; worked out when first asked, as few callers ask.
        A 7-bit plan has a pair that holds every character it sends (a
        look-alike becomes ASCII, which the default alphabet holds), so it
        has none."""
        found = self.__dict__.get("_ruled_out")
        if found is None:
            found = ()
            if self.encoding == "UCS-2":
                got = _septcvt.ruled_out(*self.__dict__["_asked"][:4])
                if got[0] != _septcvt.OK:
                    raise error(got[0])
                found = tuple(map(Character._make, got[1]))
            self.__dict__["_ruled_out"] = found
        return found


class Received(NamedTuple):
    """A received part read back: its text (characters without a mapping
    left out, and counted in unmapped); the concatenation numbers, 0 where
    its header has no concatenation element; the language ids its header
    names (an unknown id is read as the default table), and their codes."""
    text: str
    concatenated: bool
    reference: int
    total: int
    sequence: int
    locking: int
    single: int
    locking_language: Optional[str]
    single_language: Optional[str]
    unmapped: int


def _mask(languages: Languages) -> int:
    """The library's language bits of ISO codes."""
    mask = 0
    for code in (languages,) if isinstance(languages, str) else languages:
        if code not in LANGUAGES:
            raise BadArgumentError(_septcvt.BAD_ARGUMENT, None,
                                   f"unknown language {code!r}: one of {', '.join(LANGUAGES)}")
        mask |= 1 << LANGUAGES[code]
    return mask


# The masks of the language lists seen, since a sender plans text after
# text with the same languages; a bounded few.
_masks: Dict[object, Tuple[int, int]] = {}


def _masks_of(languages: Languages, locking: Languages, single: Languages) -> Tuple[int, int]:
    """The locking and single masks that plan() allows, remembered where
    the lists can be a key."""
    both = _mask(languages)
    masks = both | _mask(locking), both | _mask(single)
    try:
        if len(_masks) < 256:
            _masks[languages, locking, single] = masks
    except TypeError:  # a list
        pass
    return masks


def _bytes(data: object) -> bytes:
    return data if type(data) is bytes else memoryview(data).tobytes()  # type: ignore[arg-type]


_random_bits = random.getrandbits


def plan(text: str, languages: Languages = (), locking: Languages = (), single: Languages = (),
         replace_lookalikes: bool = False, reference: Optional[int] = None, ref16: bool = False,
         elements: bytes = b"") -> Plan:
    """Plans text as SMS. languages allows both national tables of each
    language, locking and single one of them; the default alphabet and
    UCS-2 are always allowed. replace_lookalikes lets typographic
    look-alikes (curly quotes, dashes, odd spaces...) be replaced where that
    saves parts. reference is the concatenation reference, 8 bits or with
    ref16 16; None draws one at random, so that the parts of two messages to
    the same receiver are unlikely to share one and be joined together.
    elements are header elements of the caller's (IEI, length, data...),
    put in every part."""
    bits = 16 if ref16 else 8
    if reference is None:
        reference = _random_bits(bits)
    elif not 0 <= operator.index(reference) < 1 << bits:
        raise BadArgumentError(_septcvt.BAD_ARGUMENT, None, f"reference {reference} outside 0-{(1 << bits) - 1}")
    try:  # the masks of language lists seen before, as a rule
        lock_mask, single_mask = _masks[languages, locking, single]
    except (KeyError, TypeError):
        lock_mask, single_mask = _masks_of(languages, locking, single)
    if type(elements) is not bytes:
        elements = _bytes(elements)
    got = _septcvt.plan(text, lock_mask, single_mask, replace_lookalikes, bits, elements, reference)
    if type(got) is tuple:  # refused: (status, index, parts needed)
        status, offset, needed = got
        if status != _septcvt.TOO_MANY_PARTS:
            raise error(status, offset)
        e = TooManyPartsError(status, None, f"{_septcvt.strerror(status)}: it takes {needed}")
        e.parts = needed
        e._asked = (text, lock_mask, single_mask, replace_lookalikes, bits, elements, reference)  # for a payload
        raise e
    # What ruled_out and the wire calls plan again.
    got.__dict__["_asked"] = (text, lock_mask, single_mask, replace_lookalikes, bits, elements, reference)
    return got


def read_part(dcs: int, udhi: bool, udl: int, user_data: bytes) -> Received:
    """Reads a received part from its TP-DCS, TP-UDHI, TP-UDL and TP-UD."""
    got = _septcvt.read_part(dcs, udhi, udl, _bytes(user_data))
    if len(got) == 1:
        raise error(got[0])
    return got[1]


def _asked(message: Union[str, Plan], options: Dict[str, object], any_length: bool = False) -> tuple:
    """What a wire call plans again: the text and options of a Plan, or of
    the text planned here with plan()'s keywords; with any_length, of a
    text of more than 255 parts too, which a message_payload carries."""
    if not isinstance(message, Plan):
        try:
            return plan(message, **options).__dict__["_asked"]  # type: ignore[arg-type]
        except TooManyPartsError as e:
            if not any_length:
                raise
            return e._asked  # type: ignore[attr-defined,no-any-return]
    if options:
        raise BadArgumentError(_septcvt.BAD_ARGUMENT, None,
                               f"a Plan is planned already: {', '.join(options)} left over")
    return message.__dict__["_asked"]


def _choice(what: str, value: object, choices: Dict[str, int]) -> int:
    """The library's number of a name."""
    try:
        return choices[value]  # type: ignore[index]
    except (KeyError, TypeError):
        raise BadArgumentError(_septcvt.BAD_ARGUMENT, None,
                               f"{what} {value!r}: one of {', '.join(map(repr, choices))}") from None


_septcvt.bind(Plan, Part, Replacement, Received)

# The wire calls build on plan(), so they come after it.
from .pdu import Address, Pdu, Status, TimeStamp, Tpdu, Validity, decode_tpdu, encode_tpdu, submit  # noqa: E402
from .smpp import (Delivered, DeliverSm, Sar, SmppPart, SmppPayload, read_deliver_sm, smpp_parts,  # noqa: E402
                   smpp_payload)
from .joining import Message, join  # noqa: E402
