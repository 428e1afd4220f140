"""The codecs "gsm0338" and "gsm0338-<language>", registered on import.

GSM text is one code 0x00-0x7F a byte, an escape 0x1B before a code of the
single shift table; "gsm0338" has the default alphabet and its extension,
"gsm0338-tr" and the like the locking and single shift tables of a
language, by its ISO 639-1 code ("gsm0338_tr" names it too). The library
converts; this layer finds each character it leaves out (a character no
table of the pair holds; a code the locking table lacks, an escape and a
code the single table lacks, or a final escape) and hands it, one at a
time, to the error handler that `errors` names, as Python's own codecs do.
U+001B is written as the code 0x1B, the escape itself, as the septcvt
program writes it."""
import codecs
from typing import Optional, Tuple

from . import _septcvt
from .errors import error

_PREFIX = "gsm0338"
_REFUSED = "not a character (a lone surrogate, U+FFFE or U+FFFF)"


def _handler_result(errors: str, exc: UnicodeError, length: int) -> Tuple[object, int]:
    """What the handler gives for exc, and the index where it resumes."""
    got = codecs.lookup_error(errors)(exc)
    if not (isinstance(got, tuple) and len(got) == 2 and isinstance(got[1], int)):
        raise TypeError("an error handler must return a (replacement, position) tuple")
    position = got[1] + length if got[1] < 0 else got[1]
    if not 0 <= position <= length:
        raise IndexError(f"position {got[1]} from error handler out of bounds")
    return got[0], position


def _encode(text: str, errors: str, name: str, locking: int, single: int) -> Tuple[bytes, int]:
    data = text.encode("utf-8", "surrogatepass")
    out = []
    index = byte = 0  # where the conversion goes on, in text and in data
    while True:
        got = _septcvt.convert(_septcvt.TO_GSM, locking, single, data, byte, len(data))
        if len(got) == 1:
            raise error(got[0])
        status, gsm, stop, length = got
        out.append(gsm)
        if stop == len(data):
            return b"".join(out), len(text)
        start = index + len(data[byte:stop].decode("utf-8", "surrogatepass"))
        reason = _REFUSED if status == _septcvt.MALFORMED else "no GSM code for the character"
        exc = UnicodeEncodeError(name, text, start, start + 1, reason)
        if errors == "strict":
            raise exc
        replacement, index = _handler_result(errors, exc, len(text))
        if isinstance(replacement, str):
            # A replacement that is itself unencodable fails as strict would.
            try:
                out.append(_encode(replacement, "strict", name, locking, single)[0])
            except UnicodeEncodeError:
                raise exc from None
        elif isinstance(replacement, bytes):
            out.append(replacement)
        else:
            raise TypeError("an encoding error handler must return str or bytes")
        byte = stop + length if index == start + 1 else len(text[:index].encode("utf-8", "surrogatepass"))


def _decode(data: bytes, errors: str, name: str, locking: int, single: int, final: bool) -> Tuple[str, int]:
    data = bytes(data)
    end = len(data)
    if not final:
        # An escape at the end waits for its code: the last of a run of
        # escapes is one when the run is odd, each pair being an escape and
        # its code.
        run = 0
        while run < end and data[end - 1 - run] == 0x1B:
            run += 1
        end -= run % 2
    out = []
    at = 0
    while at < end:
        got = _septcvt.convert(_septcvt.TO_UNICODE, locking, single, data, at, end)
        if len(got) == 1:
            raise error(got[0])
        _, text, stop, length = got
        out.append(text)
        if stop == end:
            break
        lone_escape = data[stop:stop + length] == b"\x1b"
        exc = UnicodeDecodeError(name, data, stop, stop + length,
                                 "an escape with no code after it" if lone_escape else "no character for the code")
        if errors == "strict":
            raise exc
        replacement, at = _handler_result(errors, exc, len(data))
        if not isinstance(replacement, str):
            raise TypeError("a decoding error handler must return str")
        out.append(replacement)
    return "".join(out), max(at, end)


def _codec_info(name: str, locking: int, single: int) -> codecs.CodecInfo:
    def encode(text: str, errors: str = "strict") -> Tuple[bytes, int]:
        return _encode(text, errors, name, locking, single)

    def decode(data: bytes, errors: str = "strict") -> Tuple[str, int]:
        return _decode(data, errors, name, locking, single, True)

    class IncrementalEncoder(codecs.IncrementalEncoder):
        def encode(self, text: str, final: bool = False) -> bytes:
            return _encode(text, self.errors, name, locking, single)[0]

    class IncrementalDecoder(codecs.BufferedIncrementalDecoder):
        def _buffer_decode(self, data: bytes, errors: str, final: bool) -> Tuple[str, int]:
            return _decode(data, errors, name, locking, single, final)

    class StreamWriter(codecs.StreamWriter):
        def encode(self, text: str, errors: str = "strict") -> Tuple[bytes, int]:
            return _encode(text, errors, name, locking, single)

    # As Python's own stream readers do, an escape at the end of what has
    # been read waits for more, and one still waiting at the end of the
    # stream is dropped; open() reads through the incremental decoder,
    # which is told where the end is.
    class StreamReader(codecs.StreamReader):
        def decode(self, data: bytes, errors: str = "strict") -> Tuple[str, int]:
            return _decode(data, errors, name, locking, single, False)

    return codecs.CodecInfo(encode, decode, StreamReader, StreamWriter, IncrementalEncoder, IncrementalDecoder,
                            name=name)


def search(name: str) -> Optional[codecs.CodecInfo]:
    """The codec of a name, for codecs.register."""
    name = name.lower().replace("_", "-")
    if name == _PREFIX:
        return _codec_info(name, 0, 0)
    language = _septcvt.LANGUAGES.get(name[len(_PREFIX) + 1:]) if name.startswith(_PREFIX + "-") else None
    return None if language is None else _codec_info(name, language, language)


codecs.register(search)
