"""PDU mode: each part of a text as SMS-SUBMIT, and whole TPDUs read and
written, as a modem in PDU mode (AT+CMGF=0) takes and gives them.

TPDUs are bytes, the service centre's address in front where a modem puts
it; the hexadecimal a modem speaks is bytes.hex().upper() and
bytes.fromhex(). Addresses are text with their type of number and
numbering plan. Time stamps are their fields as sent: the year is its two
digits, since no century is sent and none is guessed here, and
TimeStamp.to_datetime(2000) gives a datetime with the stamp's zone."""
import math
import operator
from datetime import datetime, timedelta, timezone
from typing import NamedTuple, Optional, Tuple, Union

from . import Plan, Received, _asked, _bytes, _choice, _septcvt
from .errors import BadArgumentError, refused

_TYPES = {_septcvt.DELIVER: "DELIVER", _septcvt.SUBMIT: "SUBMIT", _septcvt.STATUS_REPORT: "STATUS-REPORT"}
_VALIDITY = {_septcvt.VALIDITY_RELATIVE: "relative", _septcvt.VALIDITY_ENHANCED: "enhanced",
             _septcvt.VALIDITY_ABSOLUTE: "absolute"}
_ENHANCED = {_septcvt.ENHANCED_NONE: "none", _septcvt.ENHANCED_RELATIVE: "relative",
             _septcvt.ENHANCED_SECONDS: "seconds", _septcvt.ENHANCED_HMS: "hms"}
_GROUPS = {_septcvt.ST_COMPLETED: "completed", _septcvt.ST_TRYING: "trying", _septcvt.ST_PERMANENT: "permanent",
           _septcvt.ST_NOT_TRYING: "not trying"}
_QUARTER = timedelta(minutes=15)


def _ids(names: dict) -> dict:
    return {name: number for number, name in names.items()}


class Address(NamedTuple):
    """An address: digits (with *, #, a, b and c for the semi-octets
    1010-1110) behind a "+" for an international number, or alphanumeric
    text of the default alphabet, up to 11 septets; its type of number
    (ton, 0-7: 1 international, 5 alphanumeric) and numbering plan (npi,
    0-15: 1 E.164). Read, ton and npi are as sent. Written, an Address
    whose ton and npi are None, or a plain str, lets the text choose them:
    "+" and digits international E.164, digits, "*" and "#" alone of an
    unknown type, anything else alphanumeric."""
    text: str
    ton: Optional[int] = None
    npi: Optional[int] = None


class TimeStamp(NamedTuple):
    """TP-SCTS, TP-DT or an absolute TP-VP, its fields as sent: year is
    the two digits sent, zone the offset from UTC (whole quarter hours,
    -19:45 to +19:45). The fields are not held to a calendar, as a sender
    may send any digits; to_datetime() says where they make no date."""
    year: int
    month: int
    day: int
    hour: int
    minute: int
    second: int
    zone: timezone

    def to_datetime(self, century: int) -> datetime:
        """The stamp as a datetime with its zone, its year in the century
        given (2000 takes "24" for 2024). ValueError where the fields make
        no date."""
        return datetime(century + self.year, self.month, self.day, self.hour, self.minute, self.second,
                        tzinfo=self.zone)


class Validity(NamedTuple):
    """TP-VP. format is "relative", "enhanced" or "absolute"; period how
    long the relative and enhanced formats give (a relative octet is
    written as the shortest that lasts at least that long, up to 63
    weeks); relative the relative octet as read (0 where none); enhanced
    the enhanced format's own, "none", "relative", "seconds" (up to 255) or
    "hms" (up to 99:59:59), with its single_shot and extension bits;
    absolute the time stamp of the absolute format."""
    format: str
    period: Union[timedelta, int, None] = None
    relative: int = 0
    enhanced: Optional[str] = None
    single_shot: bool = False
    extension: bool = False
    absolute: Union[TimeStamp, datetime, None] = None


class Status(NamedTuple):
    """TP-ST of a STATUS-REPORT: value as read (a reserved value reads as
    0x63, service rejected), sent as sent, and the group of value:
    "completed" (0x00-0x1F), "trying" (0x20-0x3F, a temporary error, the
    centre still trying), "permanent" (0x40-0x5F, a permanent error) or
    "not trying" (0x60-0x7F, a temporary error, the centre no longer
    trying)."""
    value: int
    sent: int
    group: str


class Tpdu(NamedTuple):
    """A TPDU, every field: what decode_tpdu() gives and encode_tpdu()
    writes (the fields from received on are only read). type is "SUBMIT",
    "DELIVER" or "STATUS-REPORT"; address its TP-DA, TP-OA or TP-RA; smsc
    the service centre in front (None for none, or 00, the modem's own);
    the flags TP-RD, TP-RP, TP-SRR (TP-SRI, TP-SRQ), TP-MMS (True where
    more messages wait) and TP-LP; TP-MR, TP-PID; the class TP-DCS gives;
    TP-VP of a SUBMIT; TP-SCTS of the others and TP-DT of a STATUS-REPORT;
    its TP-ST and the first octet of its TP-PI (None for none); TP-DCS,
    TP-UDHI, TP-UDL and TP-UD. Read: the user data as read_part() reads it
    (its text None for 8-bit or compressed data, whose header's numbers
    are still read), the header's octets with its length octet, length the
    TPDU's octets (without the service centre: what AT+CMGS takes), the
    octets after TP-UD, which are not read, and unmapped, True where a
    character of the text or of an alphanumeric address had no mapping
    and was left out."""
    type: str = "SUBMIT"
    address: Union[Address, str] = ""
    smsc: Union[Address, str, None] = None
    reject_duplicates: bool = False
    reply_path: bool = False
    status_report: bool = False
    more_messages: bool = False
    loop_prevention: bool = False
    message_reference: int = 0
    pid: int = 0
    message_class: Optional[int] = None
    validity: Union[Validity, timedelta, int, datetime, TimeStamp, None] = None
    scts: Union[TimeStamp, datetime, None] = None
    discharge: Union[TimeStamp, datetime, None] = None
    status: Union[Status, int, None] = None
    pi: Optional[int] = None
    dcs: int = 0
    udhi: bool = False
    udl: int = 0
    user_data: bytes = b""
    received: Optional[Received] = None
    header_length: int = 0
    length: int = 0
    trailing: int = 0
    unmapped: bool = False


class Pdu(NamedTuple):
    """A TPDU written: its octets, the service centre's address in front
    where asked, and length, the TPDU's own octets, which AT+CMGS takes."""
    octets: bytes
    length: int


def _bad(detail: str) -> BadArgumentError:
    return BadArgumentError(_septcvt.BAD_ARGUMENT, None, detail)


def _address(a: Union[Address, str, None]) -> Tuple[str, int, int, bool]:
    if a is None or isinstance(a, str):
        return a or "", 0, 0, False
    if a.ton is None and a.npi is None:
        return a.text, 0, 0, False
    return a.text, a.ton or 0, a.npi or 0, True


def _stamp(s: Union[TimeStamp, datetime, None]) -> Tuple[int, ...]:
    """A time stamp's fields, the zone in quarter hours."""
    if s is None:
        return (0,) * 7
    if isinstance(s, datetime):
        offset = s.utcoffset()
        if offset is None:
            raise _bad(f"{s} has no zone, which a time stamp sends")
        s = TimeStamp(s.year % 100, s.month, s.day, s.hour, s.minute, s.second, timezone(offset))
    quarters, rest = divmod(s.zone.utcoffset(None), _QUARTER)
    if rest:
        raise _bad(f"zone {s.zone}: a time stamp sends whole quarter hours")
    return tuple(s[:6]) + (quarters,)


def _seconds(period: Union[timedelta, int, None]) -> int:
    # Up to the next second: a relative octet lasts at least as long as asked.
    if isinstance(period, timedelta):
        return math.ceil(period.total_seconds())
    return operator.index(period or 0)


def _validity(v: Union[Validity, timedelta, int, datetime, TimeStamp, None]) -> tuple:
    """TP-VP as the extension takes it: a period alone is the relative
    format, a time stamp the absolute one."""
    if v is None:
        return _septcvt.VALIDITY_NONE, 0, 0, False, False, _stamp(None)
    if isinstance(v, (datetime, TimeStamp)):
        v = Validity("absolute", absolute=v)
    elif not isinstance(v, Validity):
        v = Validity("relative", v)
    enhanced = _choice("enhanced", v.enhanced or "none", _ids(_ENHANCED))
    return (_choice("format", v.format, _ids(_VALIDITY)), _seconds(v.period), enhanced, v.single_shot, v.extension,
            _stamp(v.absolute))


def _flat(t: Tpdu) -> tuple:
    """A Tpdu's fields as the extension takes them."""
    status = t.status.sent if isinstance(t.status, Status) else t.status or 0
    return (_choice("type", t.type, _ids(_TYPES)), _address(t.smsc), _address(t.address), t.reject_duplicates,
            t.reply_path, t.status_report, t.more_messages, t.loop_prevention, t.message_reference, t.pid,
            t.message_class is not None, t.message_class or 0, _validity(t.validity), _stamp(t.scts),
            _stamp(t.discharge), status, t.pi is not None, t.pi or 0, t.dcs, t.udhi, t.udl, _bytes(t.user_data))


def _time_stamp(fields: Tuple[int, ...]) -> TimeStamp:
    return TimeStamp(*fields[:6], timezone(fields[6] * _QUARTER))  # type: ignore[call-arg]


def _read(status: int, fields: tuple) -> Tpdu:
    (kind, smsc, address, rd, rp, srr, mms, lp, mr, pid, message_class, vp, scts, dt, st, st_sent, st_group, pi, dcs,
     udhi, udl, ud, received, header_length, length, trailing) = fields
    kind = _TYPES[kind]
    validity = None
    if vp[0] == _septcvt.VALIDITY_ABSOLUTE:
        validity = Validity("absolute", absolute=_time_stamp(vp[6]))
    elif vp[0] != _septcvt.VALIDITY_NONE:
        validity = Validity(_VALIDITY[vp[0]], timedelta(seconds=vp[1]), vp[2],
                            _ENHANCED[vp[3]] if vp[0] == _septcvt.VALIDITY_ENHANCED else None, bool(vp[4]),
                            bool(vp[5]))
    report = kind == "STATUS-REPORT"
    return Tpdu(kind, Address(*address), Address(*smsc) if smsc[0] else None, bool(rd), bool(rp), bool(srr),
                bool(mms), bool(lp), mr, pid, message_class, validity,
                None if kind == "SUBMIT" else _time_stamp(scts), _time_stamp(dt) if report else None,
                Status(st, st_sent, _GROUPS[st_group]) if report else None, pi, dcs, bool(udhi), udl, ud, received,
                header_length, length, trailing, status == _septcvt.UNMAPPED)


def submit(message: Union[str, Plan], to: Union[Address, str], smsc: Union[Address, str, None] = None,
           validity: Union[Validity, timedelta, int, datetime, TimeStamp, None] = None,
           message_class: Optional[int] = None, status_report: bool = False, reject_duplicates: bool = False,
           reply_path: bool = False, pid: int = 0, mr: int = 0, with_smsc: bool = True,
           **plan_options: object) -> Tuple[Pdu, ...]:
    """Each part of a text (planned with plan()'s keywords) or of a Plan
    as SMS-SUBMIT to `to`, through the service centre smsc (None: the
    modem's own). validity is a period (a timedelta, or seconds) for the
    relative format, an aware datetime or a TimeStamp for the absolute
    one, or a Validity; message_class 0-3 goes in TP-DCS; status_report
    asks for one (TP-SRR). Part k gets TP-MR (mr + k) % 256, since a
    service centre refuses a TP-MR and TP-DA it has seen while
    reject_duplicates (TP-RD) is set."""
    fields = Tpdu("SUBMIT", to, smsc, reject_duplicates, reply_path, status_report, message_reference=mr, pid=pid,
                  message_class=message_class, validity=validity)
    got = _septcvt.submit(_asked(message, plan_options), _flat(fields), with_smsc)
    if len(got) == 4:
        raise refused(*got)
    return tuple(map(Pdu._make, got[1]))


def decode_tpdu(data: bytes, with_smsc: bool = True, to_network: bool = False) -> Tpdu:
    """Reads a TPDU, behind the service centre's address where with_smsc
    (as a modem gives them), that went to the network (SMS-SUBMIT) or came
    from it (SMS-DELIVER, SMS-STATUS-REPORT). BadTpduError says where one
    does not hold together; UnsupportedTpduError is a type not read."""
    got = _septcvt.decode_tpdu(_bytes(data), with_smsc,
                               _septcvt.TO_NETWORK if to_network else _septcvt.FROM_NETWORK)
    if len(got) == 4:
        raise refused(*got)
    return _read(*got)


def encode_tpdu(tpdu: Tpdu, with_smsc: bool = True) -> Pdu:
    """Writes a Tpdu (one read, or made, as for a test tool or a service
    centre's stand-in) with its user data as it stands; the service
    centre's address in front where with_smsc."""
    got = _septcvt.encode_tpdu(_flat(tpdu), with_smsc)
    if len(got) == 4:
        raise refused(*got)
    return Pdu._make(got[1])
