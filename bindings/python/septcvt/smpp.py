"""SMPP: the fields of submit_sm and deliver_sm that carry text
(short_message or message_payload, esm_class, data_coding and the SAR
values); binding, sequence numbers and PDU bodies stay with the SMPP
stack.

SMSCs differ in what they take data_coding 0 for: smsc_alphabet says it,
"gsm" (the default alphabet a septet an octet, the default), "gsm-packed"
(septets packed as in TP-UD) or "latin1" (sent as data_coding 3). UCS-2
with a message class (data_coding 0x18-0x1B) is reserved in SMPP but
passed on by many SMSCs: ucs2_class allows it."""
import operator
from typing import NamedTuple, Optional, Sequence, Tuple, Union

from . import Plan, _asked, _bytes, _choice, _septcvt
from .errors import BadArgumentError, refused

_SMSC = {"gsm": _septcvt.SMSC_GSM, "gsm-packed": _septcvt.SMSC_GSM_PACKED, "latin1": _septcvt.SMSC_LATIN1}
_ALPHABETS = {_septcvt.SMPP_GSM: "gsm", _septcvt.SMPP_ASCII: "ascii", _septcvt.SMPP_LATIN1: "latin1",
              _septcvt.SMPP_UCS2: "ucs2", _septcvt.SMPP_OCTETS: "binary"}


class Sar(NamedTuple):
    """The SAR values: sar_msg_ref_num, sar_total_segments and
    sar_segment_seqnum."""
    msg_ref_num: int
    total_segments: int
    segment_seqnum: int


class SmppPart(NamedTuple):
    """A part as submit_sm takes it: short_message (the header's octets,
    then the text), esm_class (0x40, UDHI, where there is a header),
    data_coding, and the SAR values where they place the part (else
    None)."""
    short_message: bytes
    esm_class: int
    data_coding: int
    sar: Optional[Sar]


class SmppPayload(NamedTuple):
    """A whole text as message_payload, with its esm_class and
    data_coding."""
    message_payload: bytes
    esm_class: int
    data_coding: int


class DeliverSm(NamedTuple):
    """A deliver_sm's fields that carry text, as join() takes them: its
    short_message (or, with payload, its message_payload), esm_class,
    data_coding and SAR values (a Sar, three numbers, or None)."""
    short_message: bytes
    esm_class: int = 0
    data_coding: int = 0
    sar: Optional[Sequence[int]] = None
    payload: bool = False


class Delivered(NamedTuple):
    """A deliver_sm read: its text (None for binary data, whose octets
    after the header are in binary); the alphabet data_coding named,
    "gsm", "ascii", "latin1", "ucs2" or "binary"; its message class or
    None; message_type, esm_class's bits 5-2 (0 a message, 0x04 an SMSC
    delivery receipt, 0x08 an SME delivery acknowledgement, 0x10 a manual
    one, 0x20 an intermediate notification), so that a receipt is never
    joined as text; reply_path; the header's octets with its length octet
    (0 for none); the concatenation numbers, from the header or else the
    SAR values (sar True), with the reference's bits (8 or 16); the
    language ids the header names and their codes; and the characters
    without a mapping, left out."""
    text: Optional[str]
    binary: Optional[bytes]
    alphabet: str
    message_class: Optional[int]
    message_type: int
    reply_path: bool
    header_length: int
    concatenated: bool
    sar: bool
    reference_bits: int
    reference: int
    total: int
    sequence: int
    locking: int
    single: int
    locking_language: Optional[str]
    single_language: Optional[str]
    unmapped: int


def _settings(smsc_alphabet: str, ucs2_class: bool) -> Tuple[int, bool]:
    return _choice("smsc_alphabet", smsc_alphabet, _SMSC), ucs2_class


def _class(message_class: Optional[int]) -> int:
    return -1 if message_class is None else operator.index(message_class)


def _sar(sar: Optional[Sequence[int]]) -> Optional[Tuple[int, ...]]:
    """SAR values held to what the extension takes; the library judges
    the rest."""
    if sar is None:
        return None
    values = tuple(map(operator.index, sar))
    if len(values) != 3 or not all(0 <= v < 1 << 32 for v in values):
        raise BadArgumentError(_septcvt.BAD_ARGUMENT, None, f"SAR values {sar!r}: three numbers of 32 bits")
    return values


def smpp_parts(message: Union[str, Plan], sar: bool = False, smsc_alphabet: str = "gsm",
               message_class: Optional[int] = None, ucs2_class: bool = False,
               **plan_options: object) -> Tuple[SmppPart, ...]:
    """Each part of a text (planned with plan()'s keywords) or of a Plan
    as submit_sm takes it. With sar, the parts carry the SAR values and no
    concatenation element, which the SMSC writes on the air: a text is
    then planned with the room of a 16-bit reference, and a Plan must have
    been (ref16). message_class 0-3 goes in data_coding."""
    if sar and not isinstance(message, Plan):
        plan_options.setdefault("ref16", True)
    got = _septcvt.smpp_parts(_asked(message, plan_options), _septcvt.SMPP_SAR if sar else _septcvt.SMPP_UDH,
                              _class(message_class), *_settings(smsc_alphabet, ucs2_class))
    if len(got) == 4:
        raise refused(*got)
    return tuple(SmppPart(m, esm, dc, None if s is None else Sar(*s)) for m, esm, dc, s in got[1])


def smpp_payload(message: Union[str, Plan], smsc_alphabet: str = "gsm", message_class: Optional[int] = None,
                 ucs2_class: bool = False, **plan_options: object) -> SmppPayload:
    """A whole text (or Plan) in one message_payload, in the plan's
    encoding and tables, with no parts."""
    got = _septcvt.smpp_payload(_asked(message, plan_options, any_length=True), _class(message_class),
                                *_settings(smsc_alphabet, ucs2_class))
    if len(got) == 4:
        raise refused(*got)
    return SmppPayload._make(got[1])


def read_deliver_sm(short_message: bytes, esm_class: int, data_coding: int, sar: Optional[Sequence[int]] = None,
                    payload: bool = False, smsc_alphabet: str = "gsm", ucs2_class: bool = False) -> Delivered:
    """Reads a deliver_sm's short_message (or, with payload, its
    message_payload) with its esm_class, data_coding and SAR values.
    BadTpduError names the field where they do not hold together."""
    got = _septcvt.read_deliver_sm(_bytes(short_message), payload, esm_class, data_coding, _sar(sar),
                                   *_settings(smsc_alphabet, ucs2_class))
    if len(got) == 4:
        raise refused(*got)
    fields = got[1]
    return Delivered(fields[0], fields[1], _ALPHABETS[fields[2]], *fields[3:])
