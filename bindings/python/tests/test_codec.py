"""The codecs: every code and character of every pair against the data
file, every standard error handler, a handler's positions and what it
hands back, and input cut at every byte."""
import codecs
import io

import pytest

import septcvt
from gsm_tables import CHARACTERS, LOCKING, SINGLE, codes

PAIRS = [("gsm0338", 0)] + [(f"gsm0338-{code}", n) for code, n in septcvt.LANGUAGES.items()]


def outcome(call):
    """What a strict call gives, or where its error stands."""
    try:
        return call()
    except UnicodeError as e:
        return (e.start, e.end)


@pytest.mark.parametrize("name,language", PAIRS)
def test_every_code_and_character_of_the_pair(name, language):
    locking = 0 if language == 2 else language
    for code in range(256):
        want = LOCKING[locking].get(code, (0, 1)) if code != 0x1B else (0, 1)  # a lone escape ends the text
        assert outcome(lambda: bytes([code]).decode(name)) == want, hex(code)
        want = SINGLE[language].get(code, (0, 2))
        assert outcome(lambda: bytes([0x1B, code]).decode(name)) == want, f"escape {code:#x}"
    for char in CHARACTERS + ["\u0436", "\U0001F600", "\ufffe"]:
        want = codes(char, locking, language)
        assert outcome(lambda: char.encode(name)) == (want or (0, 1)), f"U+{ord(char):04X}"


def test_long_texts_round_trip():
    # Three bytes of UTF-8 a code: the output of a long text needs the
    # pair's room.
    for name, text in (("gsm0338-hi", "\u0928\u092e\u0938\u094d\u0924\u0947 \u0964 " * 500),
                       ("gsm0338-tr", "\u015eimdi ba\u011flant\u0131 {\u20ac} " * 500)):
        assert text.encode(name).decode(name) == text


def test_name_forms():
    assert codecs.lookup("GSM0338_TR").name == "gsm0338-tr"
    for unknown in ("gsm0338-xx", "gsm03381"):
        with pytest.raises(LookupError):
            codecs.lookup(unknown)


# A character with two bytes of UTF-8, one cut to 16 bits by a careless
# reading, a lone surrogate, and a combining mark and an emoji before them,
# so that each index is a str index and not a byte offset.
TEXT = "e\u0301\U0001F600\u20ac\u0436x\U0001F600\ud800b"
DATA = b"a\x1b\x65\x80\x1b\x41b\x1b"  # euro, a code above 0x7F, an escape pair unmapped, a final escape
CASES = [
    # errors, text or data, result (a (start, end) of the error where strict)
    ("strict", TEXT, (1, 2)),
    ("ignore", TEXT, b"e\x1bexb"),
    ("replace", TEXT, b"e??\x1be?x??b"),
    ("backslashreplace", TEXT, b"e\x1b/u0301\x1b/U0001f600\x1be\x1b/u0436x\x1b/U0001f600\x1b/ud800b"),
    ("xmlcharrefreplace", TEXT, b"e&#769;&#128512;\x1be&#1078;x&#128512;&#55296;b"),
    ("namereplace", TEXT[3:6], b"\x1be\x1b/N\x1b(CYRILLIC SMALL LETTER ZHE\x1b)x"),
    ("surrogateescape", "a\udc80\udcffb", b"a\x80\xffb"),
    ("surrogateescape", TEXT, (1, 2)),
    ("surrogatepass", TEXT, (1, 2)),
    ("strict", DATA, (3, 4)),
    ("ignore", DATA, "a\u20acb"),
    ("replace", DATA, "a\u20ac\ufffd\ufffdb\ufffd"),
    ("backslashreplace", DATA, "a\u20ac\\x80\\x1b\\x41b\\x1b"),
    ("surrogateescape", b"a\x80\xffb", "a\udc80\udcffb"),
    ("surrogateescape", DATA[4:], (0, 2)),
]


@pytest.mark.parametrize("errors,given,want", CASES)
def test_standard_error_handlers(errors, given, want):
    if isinstance(given, str):
        assert outcome(lambda: given.encode("gsm0338", errors)) == want
    else:
        assert outcome(lambda: given.decode("gsm0338", errors)) == want


def test_a_handler_sees_each_character_and_is_obeyed():
    calls = []

    def handler(exc):
        calls.append((exc.start, exc.end))
        return answers[len(calls) - 1]

    codecs.register_error("septcvt-test", handler)
    # A str replacement, bytes taken as they are, a position from the end.
    answers = [("<", 2), (b"\x7f", 3), ("", -1)]
    assert "e\u0301\U0001F600\u20ac\u0436xy".encode("gsm0338", "septcvt-test") == b"e<\x7f\x1bey"
    assert calls == [(1, 2), (2, 3), (4, 5)]
    # A replacement that is itself unencodable fails as strict does, at the
    # character handled; a position past the end is refused.
    for answer, error in ((("\u0436", 2), UnicodeEncodeError), (("", 99), IndexError)):
        calls, answers = [], [answer]
        with pytest.raises(error):
            "x\u0436y".encode("gsm0338", "septcvt-test")
    calls, answers = [], [("?", 6), ("!", 8)]  # the first skips the escape pair after it
    assert DATA.decode("gsm0338", "septcvt-test") == "a\u20ac?b!"
    assert calls == [(3, 4), (7, 8)]


@pytest.mark.parametrize("name", ["gsm0338", "gsm0338-tr"])
def test_incremental_decoder_cut_at_every_byte(name):
    data = b"A\x1b\x65\x1b\x1b\x1b\x1b\x1b\x3c\x80\x1bB\x1b"
    whole = data.decode(name, "replace")
    for cut in range(len(data) + 1):
        decoder = codecs.getincrementaldecoder(name)("replace")
        assert decoder.decode(data[:cut]) + decoder.decode(data[cut:], final=True) == whole, cut
    decoder = codecs.getincrementaldecoder(name)("replace")
    assert "".join(decoder.decode(data[i:i + 1]) for i in range(len(data))) + decoder.decode(b"", True) == whole
    reader = codecs.getreader(name)(io.BytesIO(data[:-1]), "replace")
    assert "".join(iter(lambda: reader.read(1), "")) == data[:-1].decode(name, "replace")


def test_open_with_an_escape_across_reads(tmp_path):
    path = tmp_path / "text.gsm"
    text = "a" * 8191 + "\u20ac{b}\u00e9\n"  # the escape is the last byte of the first read
    with open(path, "w", encoding="gsm0338") as f:
        f.write(text)
    assert path.read_bytes()[8190:8194] == b"a\x1b\x65\x1b"
    with open(path, encoding="gsm0338") as f:
        assert "".join(iter(lambda: f.read(100), "")) == text
    path.write_bytes(b"ab\x1b")
    with open(path, encoding="gsm0338") as f, pytest.raises(UnicodeDecodeError):
        f.read()
