"""The exceptions of the package: Error, for a refusal of the library's,
and its subclasses, which are also ValueError where the input is at fault.
The codecs raise UnicodeEncodeError and UnicodeDecodeError, as Python
requires of a codec."""
from typing import Optional

from . import _septcvt


class Error(Exception):
    """A refusal of the library's: .status is its number, .name its name
    (such as "SEPTCVT_MALFORMED"), .offset the str index where the input
    was refused, or None; .field the name of the field that a TPDU's or
    SMPP's writer or reader refused (such as "TP-DA"), or None."""

    field: Optional[str] = None

    def __init__(self, status: int, offset: Optional[int] = None, detail: str = "") -> None:
        self.status = status
        self.name = _septcvt.STATUS_NAMES.get(status, f"status {status}")
        self.offset = offset
        message = detail or _septcvt.strerror(status)
        super().__init__(message if offset is None else f"{message} at index {offset}")


class MalformedError(Error, ValueError):
    """Text the library cannot read: a lone surrogate, U+FFFE or U+FFFF."""


class BadArgumentError(Error, ValueError):
    """An argument out of range or not made for the others."""


class NoRoomError(Error, ValueError):
    """Header elements that leave no room for text."""


class TooManyPartsError(Error, ValueError):
    """A text longer than the most parts in every encoding; .parts is what
    the best encoding needs."""

    parts = 0


class BadUserDataError(Error, ValueError):
    """User data that does not hold together."""


class NotTextError(Error, ValueError):
    """A part of 8-bit or compressed data, not text."""


class BadTpduError(Error, ValueError):
    """A TPDU, or SMPP fields, that do not hold together: .field is the
    name of the field that announced what is missing or is out of range
    (such as "TP-UDL"), .offset its octet in the data given and .value its
    value, as in "TP-UDL 160 runs past the end at octet 7"."""

    value = 0


class UnsupportedTpduError(BadTpduError):
    """A TPDU of a type not read (SUBMIT-REPORT, DELIVER-REPORT, COMMAND,
    the reserved TP-MTI 11): .field "TP-MTI", .value the first octet."""


class UnmappedError(Error, ValueError):
    """Text with a character that the alphabet asked for lacks."""


_RAISED = {
    _septcvt.MALFORMED: MalformedError,
    _septcvt.BAD_ARGUMENT: BadArgumentError,
    _septcvt.NO_ROOM: NoRoomError,
    _septcvt.TOO_MANY_PARTS: TooManyPartsError,
    _septcvt.BAD_USER_DATA: BadUserDataError,
    _septcvt.NOT_TEXT: NotTextError,
    _septcvt.BAD_TPDU: BadTpduError,
    _septcvt.UNSUPPORTED_TPDU: UnsupportedTpduError,
    _septcvt.UNMAPPED: UnmappedError,
}


def error(status: int, offset: Optional[int] = None, detail: str = "") -> Error:
    """The exception of a status."""
    return _RAISED.get(status, Error)(status, offset, detail)


_OWN_PARAMETERS = ("data_coding", "sar_msg_ref_num", "sar_total_segments", "sar_segment_seqnum")


def refused(status: int, field: str, offset: int, value: int) -> Error:
    """The exception of a wire call's refusal: its status, and the field
    the library named ("" for none) with its octet and value."""
    if status in (_septcvt.BAD_TPDU, _septcvt.UNSUPPORTED_TPDU):
        # data_coding and the SAR values are parameters of their own, at no octet.
        at = "" if field in _OWN_PARAMETERS else f" at octet {offset}"
        e = error(status, None, f"{_septcvt.strerror(status)}: {field} {value}{at}")
        e.offset, e.value = offset, value  # type: ignore[attr-defined]
    else:
        e = error(status, None, f"{_septcvt.strerror(status)}: {field}" if field else "")
    e.field = field or None
    return e
