"""The planner and the reader: plans whose parts hold together as str
slices, every field of a part, round trips through the reader, indices
past emoji and combining marks, and each refusal as its exception."""
import ast
import os

import pytest

import septcvt
from gsm_tables import septets

HINDI = ("\u0928\u092e\u0938\u094d\u0924\u0947! \u0906\u092a\u0915\u093e "
         "\u092a\u093e\u0930\u094d\u0938\u0932 5821\u0964 ")
PLANS = [
    # text, options, encoding, locking, single, parts
    ("Hello world", {}, "7-bit", 0, 0, 1),
    ("Price: 10 \u20ac {net} " * 20, {"reference": 200}, "7-bit", 0, 0, 3),
    ("\u015eimdi ba\u011flant\u0131 kuruldu, l\u00fctfen bekleyin; " * 8, {"languages": "tr"}, "7-bit", 1, 0, 3),
    (HINDI * 12, {"languages": ("hi", "tr"), "ref16": True, "reference": 0xBEEF}, "7-bit", 6, 6, 3),
    ("\u015eimdi \u00e1 \u00ed \u00f3 \u00fa. " * 12, {"locking": "tr", "single": ["es"], "elements": b"\x70\x01\x00"},
     "7-bit", 1, 2, 2),
    # a cluster of marks, an emoji sequence and a flag before each part's end
    ("e\u0301\u0302 \U0001F468\u200d\U0001F469 \U0001F1EB\U0001F1F7 \u0436" * 12, {}, "UCS-2", 0, 0, 3),
    ("\u201cQuoted\u201d \u2014 text\u2026 " * 9, {"replace_lookalikes": True}, "7-bit", 0, 0, 2),
]


@pytest.mark.parametrize("text,options,encoding,locking,single,count", PLANS)
def test_parts_hold_together_and_read_back(text, options, encoding, locking, single, count):
    plan = septcvt.plan(text, **options)
    assert (plan.encoding, plan.locking, plan.single, len(plan.parts)) == (encoding, locking, single, count)
    assert plan.locking_language == {v: k for k, v in septcvt.LANGUAGES.items()}.get(locking)
    assert [p.start for p in plan.parts] == [0] + [p.end for p in plan.parts[:-1]] and plan.parts[-1].end == len(text)
    assert plan.reference == (options.get("reference", plan.reference) if count > 1 else None)
    assert plan.reference_bits == (16 if options.get("ref16") else 8)
    header = count > 1 or bool(locking or single or options.get("elements"))
    for k, part in enumerate(plan.parts):
        if not plan.replaced:
            assert part.text == text[part.start:part.end]
        ucs2 = encoding == "UCS-2"
        length = len(part.text.encode("utf-16-be")) // 2 if ucs2 else len(septets(part.text, locking, single))
        assert (part.dcs, part.udhi, part.length) == (8 if ucs2 else 0, header, length)
        got = septcvt.read_part(part.dcs, part.udhi, part.udl, part.user_data)
        assert got == septcvt.Received(part.text, count > 1, plan.reference or 0, count if count > 1 else 0,
                                       k + 1 if count > 1 else 0, locking, single, plan.locking_language,
                                       plan.single_language, 0)


def test_a_part_field_by_field():
    plan = septcvt.plan("Hello world")
    assert plan.parts == (septcvt.Part("Hello world", 0, 11, 11, 0, False, 11,
                                       bytes.fromhex("C8329BFD06DDDF723619")),)
    assert (plan.room_left, plan.ran_out, plan.replaced, plan.reference) == (149, None, (), None)


def test_what_ruled_7_bit_out_and_what_was_replaced():
    text = "\u00e9\u0301\U0001F600\u0436 \u015f\u2019"
    plan = septcvt.plan(text, languages="tr")
    assert (plan.ruled_out, plan.ran_out) == (((1, 0x301), (2, 0x1F600), (3, 0x436), (6, 0x2019)), 1)
    plan = septcvt.plan(text, languages="tr", replace_lookalikes=True)
    assert plan.ruled_out == ((1, 0x301), (2, 0x1F600), (3, 0x436)) and plan.replaced == ()
    text = "a" * 99 + "\u2019 \u2026\u200b"
    plan = septcvt.plan(text, replace_lookalikes=True)
    assert plan.replaced == ((99, 0x2019, "'"), (101, 0x2026, "..."), (102, 0x200B, ""))
    assert plan.parts[0].text == "a" * 99 + "' ..." and plan.ruled_out == () and plan.ran_out is None
    assert septcvt.plan("\U0001F600" + text, replace_lookalikes=True).ran_out == 0


def test_refusals_are_their_exceptions():
    for call, error, offset in [
        (lambda: septcvt.plan("\U0001F600e\u0301\ud800"), septcvt.MalformedError, 3),
        (lambda: septcvt.plan("\U0001F600\uffff"), septcvt.MalformedError, 1),
        (lambda: septcvt.plan("a" * 40000), septcvt.TooManyPartsError, None),
        (lambda: septcvt.plan("a", languages=["tr", "xx"]), septcvt.BadArgumentError, None),
        (lambda: septcvt.plan("a", reference=256), septcvt.BadArgumentError, None),
        (lambda: septcvt.plan("a", elements=b"\x00\x03\x01\x02\x01"), septcvt.BadArgumentError, None),
        (lambda: septcvt.plan("a", elements=b"\x70\x89" + bytes(137)), septcvt.NoRoomError, None),
        (lambda: septcvt.read_part(0x04, False, 2, b"ab"), septcvt.NotTextError, None),
        (lambda: septcvt.read_part(0, False, 161, bytes(140)), septcvt.BadUserDataError, None),
        (lambda: septcvt.read_part(256, False, 0, b""), septcvt.BadArgumentError, None),
    ]:
        with pytest.raises(error) as raised:
            call()
        assert isinstance(raised.value, ValueError) and raised.value.offset == offset
    assert (raised.value.status, raised.value.name) == (8, "SEPTCVT_BAD_ARGUMENT")
    with pytest.raises(septcvt.TooManyPartsError) as raised:
        septcvt.plan("a" * 40000)
    assert (raised.value.parts, raised.value.name) == (262, "SEPTCVT_TOO_MANY_PARTS")


def test_received_with_an_unmapped_character():
    got = septcvt.read_part(0, True, 10, bytearray.fromhex("0500032a0201829b20"))
    assert got == ("A", True, 42, 2, 1, 0, 0, None, None, 1)


def test_package_syntax_is_python_3_8():
    folder = os.path.dirname(septcvt.__file__)
    for name in os.listdir(folder):
        if name.endswith(".py"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                ast.parse(f.read(), name, feature_version=(3, 8))
