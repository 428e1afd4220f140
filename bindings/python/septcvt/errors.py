"""The exceptions of the package: Error, for a refusal of the library's,
and its subclasses, which are also ValueError where the input is at fault.
The codecs raise UnicodeEncodeError and UnicodeDecodeError, as Python
requires of a codec."""
from typing import Optional

from . import _septcvt


class Error(Exception):
    """A refusal of the library's: .status is its number, .name its name
    (such as "SEPTCVT_MALFORMED"), .offset the str index where the input
    was refused, or None."""

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


_RAISED = {
    _septcvt.MALFORMED: MalformedError,
    _septcvt.BAD_ARGUMENT: BadArgumentError,
    _septcvt.NO_ROOM: NoRoomError,
    _septcvt.TOO_MANY_PARTS: TooManyPartsError,
    _septcvt.BAD_USER_DATA: BadUserDataError,
    _septcvt.NOT_TEXT: NotTextError,
}


def error(status: int, offset: Optional[int] = None, detail: str = "") -> Error:
    """The exception of a status."""
    return _RAISED.get(status, Error)(status, offset, detail)
