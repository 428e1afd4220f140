"""PDU mode, SMPP's fields and the joiner: the library's worked examples
with their octets, every TP-ST against its ranges, texts planned and sent
each way read back and joined (shuffled, repeated), and each refusal as
its exception with the field it names."""
import random
from datetime import datetime, timedelta, timezone

import pytest

import septcvt
from septcvt import Address, DeliverSm, Sar, Status, TimeStamp, Tpdu, Validity

h = bytes.fromhex
STAMP = " 21 30 80 41 15 95 0A "  # 2012-03-08 14:51:59 at -05:00


def zone(quarters):
    return timezone(timedelta(minutes=15 * quarters))


MINUS_5 = zone(-20)
REPORT = "00 06 2A 0D 91 94 51 21 43 65 87 F9" + STAMP + "21 30 80 41 25 95 0A "
NUMBER = Address("+4915123456789", 1, 1)

TPDUS = [
    # octets, to the network, fields read, octets written back (None: the same)
    ("07 91 44 77 58 10 06 50 44 0D 91 94 51 21 43 65 87 F9 00 00" + STAMP + "0C 08 00 03 2A 02 01 25 01 01 E0 00",
     False, {"type": "DELIVER", "smsc": Address("+447785016005", 1, 1), "address": NUMBER, "more_messages": False,
             "udhi": True, "udl": 12, "header_length": 9, "length": 31,
             "scts": TimeStamp(12, 3, 8, 14, 51, 59, MINUS_5),
             "received": ("\u0131", True, 42, 2, 1, 1, 0, "tr", None, 0)}, None),
    # 8-bit data: no text, but its header's numbers
    ("00 44 00 81 00 04" + STAMP + "07 05 00 03 2A 02 02 FF", False,
     {"address": Address("", 0, 1), "smsc": None, "dcs": 4, "header_length": 6, "user_data": h("05 00 03 2A 02 02 FF"),
      "received": (None, True, 42, 2, 2, 0, 0, None, None, 0)}, None),
    (REPORT + "00", False, {"type": "STATUS-REPORT", "message_reference": 42, "status": Status(0, 0, "completed"),
                            "discharge": TimeStamp(12, 3, 8, 14, 52, 59, MINUS_5), "pi": None, "length": 26}, None),
    # TP-ST 03 is reserved; TP-PI 87 has an extension octet, dropped when written
    (REPORT + "03 87 00 00 00 02 C8 34", False,
     {"status": Status(0x63, 3, "not trying"), "pi": 0x87, "received": ("Hi",) + (False, 0, 0, 0, 0, 0, None, None, 0)},
     REPORT + "03 07 00 00 02 C8 34"),
    # an alphanumeric TP-OA of 1B 41, an escape with no character: left out, and said
    ("00 04 04 D0 9B 20 00 00" + STAMP + "00", False, {"address": Address("", 5, 0), "unmapped": True},
     "00 04 00 D0 00 00" + STAMP + "00"),
    ("00 11 2A 0D 91 94 51 21 43 65 87 F9 00 18 A7 04 4F 60 59 7D", True,
     {"type": "SUBMIT", "message_class": 0, "scts": None, "status": None, "length": 19,
      "validity": Validity("relative", timedelta(days=1), 0xA7, None)}, None),
]


@pytest.mark.parametrize("octets,to_network,fields,written", TPDUS)
def test_worked_tpdus_read_and_written_back(octets, to_network, fields, written):
    tpdu = septcvt.decode_tpdu(bytearray(h(octets)), to_network=to_network)
    assert {name: getattr(tpdu, name) for name in fields} == fields
    assert septcvt.encode_tpdu(tpdu).octets == h(written or octets)


def test_time_stamps_as_datetimes():
    tpdu = septcvt.decode_tpdu(h(TPDUS[0][0]))
    assert tpdu.scts.to_datetime(2000) == datetime(2012, 3, 8, 19, 51, 59, tzinfo=timezone.utc)
    with pytest.raises(ValueError):
        tpdu.scts._replace(month=13).to_datetime(2000)


def test_fields_made_by_hand_and_at_random_go_round():
    # The worked DELIVER from plain values: str addresses, an aware datetime.
    deliver = Tpdu("DELIVER", "+4915123456789", "+447785016005", udhi=True, udl=12, user_data=h(TPDUS[0][0])[-11:],
                   scts=datetime(2012, 3, 8, 14, 51, 59, tzinfo=MINUS_5))
    assert septcvt.encode_tpdu(deliver).octets == h(TPDUS[0][0])
    rng = random.Random(5)
    stamp = lambda: TimeStamp(*(rng.randrange(100) for _ in range(6)), zone(rng.randrange(-79, 80)))  # noqa: E731
    for i in range(300):
        kind, pi = rng.choice(["SUBMIT", "DELIVER", "STATUS-REPORT"]), rng.choice([None, rng.randrange(8)])
        validity = rng.choice([None, timedelta(seconds=rng.randrange(38102400)), stamp(),
                               Validity("enhanced", rng.randrange(256), 0, "seconds", *rng.sample((False, True), 2))])
        dcs = 0 if kind == "STATUS-REPORT" and not (pi or 0) & 2 else rng.choice([0, 4, 8])
        udl = rng.randrange(161 if dcs == 0 else 141)
        user_data = bytes(rng.randrange(256) for _ in range((7 * udl + 7) // 8 if dcs == 0 else udl))
        flags = (rng.random() < 0.5 for _ in range(5))
        t = Tpdu(kind, rng.choice(["+4915123456789", "12*#", "Shop @"]), rng.choice([None, "+447785016005"]),
                 *flags, rng.randrange(256), rng.randrange(256), None, validity, stamp(), stamp(), rng.randrange(256),
                 pi, dcs, False, udl, user_data)
        pdu = septcvt.encode_tpdu(t)
        assert septcvt.encode_tpdu(septcvt.decode_tpdu(pdu.octets, to_network=kind == "SUBMIT")) == pdu, (i, t)


def test_every_status_against_its_ranges():
    for st in range(256):
        low, defined = st & 0x1F, (2, 5, 9, 5)
        reserved = st >= 0x80 or defined[st >> 5] < low < 0x10
        want = 0x63 if reserved else st
        status = septcvt.decode_tpdu(h(REPORT + f"{st:02X}")).status
        assert status == (want, st, ("completed", "trying", "permanent", "not trying")[want >> 5]), st


SUBMITS = [
    # text, keywords, octets
    ("Hello world", {"to": Address("+4915123456789")}, "0001000D91945121436587F900000BC8329BFD06DDDF723619"),
    ("\u4f60\u597d", {"message_class": 0, "validity": timedelta(days=1), "mr": 0x2A},
     "00 11 2A 0D 91 94 51 21 43 65 87 F9 00 18 A7 04 4F 60 59 7D"),
    # an hour and a second: the shortest octet that lasts as long, 65 minutes
    ("Hi", {"validity": 3601, "smsc": "+123", "status_report": True, "reject_duplicates": True, "pid": 0x41},
     "03 91 21 F3 35 00 0D 91 94 51 21 43 65 87 F9 41 00 0C 02 C8 34"),
    # five minutes and a microsecond: ten minutes, the octet 01
    ("Hi", {"to": "ABC", "validity": timedelta(minutes=5, microseconds=1)},
     "00 11 00 06 D0 41 E1 10 00 00 01 02 C8 34"),
    # a national number of a national plan; +05:45 is 23 quarters, 32
    ("Hi", {"to": Address("0171abc", 2, 8), "validity": datetime(2024, 1, 2, 3, 4, 5, tzinfo=zone(23))},
     "00 19 00 07 A8 10 17 DC FE 00 00 42 10 20 30 40 50 32 02 C8 34"),
    ("Hi", {"validity": datetime(2012, 3, 8, 14, 51, 59, tzinfo=MINUS_5), "with_smsc": False},
     "19 00 0D 91 94 51 21 43 65 87 F9 00 00" + STAMP + "02 C8 34"),
    ("Hi", {"validity": Validity("enhanced", timedelta(hours=1, minutes=2, seconds=3), enhanced="hms",
                                 single_shot=True)},
     "00 09 00 0D 91 94 51 21 43 65 87 F9 00 00 43 10 20 30 00 00 00 02 C8 34"),
]


@pytest.mark.parametrize("text,keywords,octets", SUBMITS)
def test_worked_submits(text, keywords, octets):
    [pdu] = septcvt.submit(text, **{"to": "+4915123456789", **keywords})
    with_smsc = keywords.get("with_smsc", True)
    assert pdu.octets == h(octets) and pdu.length == len(pdu.octets) - (pdu.octets[0] + 1 if with_smsc else 0)
    read = septcvt.decode_tpdu(pdu.octets, with_smsc, to_network=True)
    assert septcvt.encode_tpdu(read, with_smsc) == pdu
    validity = read.validity
    if isinstance(keywords.get("validity"), Validity):
        assert validity == keywords["validity"]._replace(relative=0)
    elif isinstance(keywords.get("validity"), datetime):
        assert validity.absolute.to_datetime(2000) == keywords["validity"]


TEXTS = [
    # text, plan()'s keywords
    ("\u015eimdi ba\u011flant\u0131 kuruldu, l\u00fctfen bekleyin; " * 8, {"languages": "tr"}),
    ("\u0928\u092e\u0938\u094d\u0924\u0947! 5821\u0964 " * 30, {"languages": "hi", "ref16": True}),
    ("e\u0301 \U0001F468\u200d\U0001F469 \u0436 {\u20ac}" * 12, {}),
    ("\u201cQuoted\u201d \u2014 text\u2026 " * 9, {"replace_lookalikes": True}),
    ("Hi", {}),
]


def shuffled(parts, seed):
    """The parts in a random order, one of them twice."""
    rng = random.Random(seed)
    parts = list(parts) + [rng.choice(parts)]
    rng.shuffle(parts)
    return parts


@pytest.mark.parametrize("text,keywords", TEXTS)
def test_planned_texts_go_out_each_way_and_join(text, keywords):
    plan = septcvt.plan(text, **keywords)
    sent, many = "".join(part.text for part in plan.parts), len(plan.parts) > 1
    read = [septcvt.decode_tpdu(pdu.octets, to_network=True) for pdu in septcvt.submit(plan, "+4915123456789", mr=250)]
    assert [(t.message_reference, t.received) for t in read] == [((250 + k) % 256, septcvt.read_part(*part[4:]))
                                                                 for k, part in enumerate(plan.parts)]
    # As they arrive: each SUBMIT written again as a DELIVER, or as deliver_sm with the SAR values, packed.
    delivered = [septcvt.decode_tpdu(septcvt.encode_tpdu(t._replace(type="DELIVER")).octets) for t in read]
    sar = septcvt.smpp_parts(text, sar=True, smsc_alphabet="gsm-packed", reference=7, **keywords)
    for n, (got, alphabet) in enumerate([(delivered, "gsm"), ([DeliverSm(*p[:3], p.sar) for p in sar], "gsm-packed")]):
        joined = septcvt.join(shuffled(got, n), smsc_alphabet=alphabet)
        assert [(m.kind, m.text, m.repeats) for m in joined][:1] == [("joined" if many else "alone", sent, many)]
    shown = [septcvt.read_deliver_sm(*p, smsc_alphabet="gsm-packed") for p in sar]
    assert "".join(d.text for d in shown) == sent
    assert [(d.sequence, d.sar) for d in shown] == [(k + 1 if many else 0, many) for k in range(len(sar))]


def test_smpp_worked_examples():
    first, _, last = septcvt.smpp_parts("a" * 400, reference=0x2A)
    assert first == (h("05 00 03 2A 03 01") + b"a" * 153, 0x40, 0x00, None) and len(last.short_message) == 6 + 94
    assert septcvt.smpp_parts("a" * 400, sar=True, reference=0x1234)[1] == (b"a" * 152, 0, 0, (0x1234, 3, 2))
    for text, keywords, want in [
        ("Hi", {"message_class": 0}, (b"Hi", 0x00, 0xF0, None)),
        ("\u0436", {"message_class": 1, "ucs2_class": True}, (h("04 36"), 0x00, 0x19, None)),
        ("1234567\r", {"smsc_alphabet": "gsm-packed"}, (h("31 D9 8C 56 B3 DD 1A 0D"), 0, 0, None)),
        ("Hi \u00a3{", {"smsc_alphabet": "latin1"}, (h("48 69 20 A3 7B"), 0, 0x03, None)),
    ]:
        assert septcvt.smpp_parts(text, **keywords) == (want,)
    # A payload longer than any part: its text is read through more room.
    payload = septcvt.smpp_payload("\u20ac" * 400 + "!")
    assert payload == (b"\x1be" * 400 + b"!", 0, 0)
    got = septcvt.read_deliver_sm(payload.message_payload, payload.esm_class, payload.data_coding, payload=True)
    assert got.text == "\u20ac" * 400 + "!"
    # One payload holds what no 255 parts hold; plan() refuses it as parts.
    long = "a" * 40000
    with pytest.raises(septcvt.TooManyPartsError):
        septcvt.smpp_parts(long)
    payload = septcvt.smpp_payload(long)
    assert payload == (long.encode(), 0, 0)


@pytest.mark.parametrize("message,esm,dc,keywords,want", [
    ("48 69 1B 65", 0, 0, {}, ("Hi\u20ac", None, "gsm", None, 0)),
    ("48 69 A3", 0, 0, {"smsc_alphabet": "latin1"}, ("Hi\u00a3", None, "latin1", None, 0)),
    ("48 80 69", 0, 1, {}, ("Hi", None, "ascii", None, 0)),
    ("01 02", 0, 0xF6, {}, (None, h("01 02"), "binary", 2, 0)),
    ("00 48", 0, 0x18, {"ucs2_class": True}, ("H", None, "ucs2", 0, 0)),
    ("69 64 3A 31", 0x84, 0, {}, ("id:1", None, "gsm", None, 4)),
])
def test_deliver_sm_read(message, esm, dc, keywords, want):
    got = septcvt.read_deliver_sm(h(message), esm, dc, **keywords)
    assert got[:5] == want and got.reply_path == (esm == 0x84) and got.unmapped == (dc == 1)


def test_joining_worked_examples():
    cut = [DeliverSm(h("05 00 03 01 02 01 50 72 69 63 65 20 31 30 1B"), 0x40),
           DeliverSm(h("05 00 03 01 02 02 65 20 6E 65 74"), 0x40)]
    first, second, other = (DeliverSm(h(f"05 00 03 05 02 0{s} {c}"), 0x40) for s, c in ((1, 41), (2, 42), (2, 43)))
    report = Tpdu("STATUS-REPORT", dcs=8, udhi=True, udl=8, user_data=h("05 00 03 05 02 02 00 42"))
    assert [(m.kind, m.text, m.parts) for m in septcvt.join(cut[::-1])] == [("joined", "Price 10\u20ac net", (1, 0))]
    conflict = septcvt.join([first, second, other, second, report, (0, False, 1, b"A"), DeliverSm(h("42 1B 41"))])
    assert [m[:6] for m in conflict] == [("conflict", None, (0, 1), (), ((1, 2),), 1), ("alone", "B", (4,), (), (), 0),
                                         ("alone", "A", (5,), (), (), 0), ("alone", "B", (6,), (), (), 0)]
    assert [(m.message_type, m.unmapped) for m in conflict[1:]] == [(4, 0), (0, 0), (0, 1)]
    assert septcvt.join([DeliverSm(b"B", sar=(5, 2, 2)), first])[0][:4] == ("incomplete", None, (0,), (1,))
    data = septcvt.join([(4, True, 7, h(f"05 00 03 2A 02 0{s} {c}")) for s, c in ((2, "EE"), (1, "FF"))])
    assert [(m.kind, m.text, m.binary) for m in data] == [("joined", None, h("FF EE"))]


def test_refusals_name_their_field():
    short = lambda **change: Tpdu("STATUS-REPORT", "+1")._replace(**change)  # noqa: E731
    plan8 = septcvt.plan("a" * 400)
    first_ok = DeliverSm(h("05 00 03 05 02 01 41"), 0x40)
    for call, error, field, offset, value in [
        (lambda: septcvt.decode_tpdu(h("00 01 00 00 81 00 00 A0 C8"), to_network=True), septcvt.BadTpduError,
         "TP-UDL", 7, 160),
        (lambda: septcvt.decode_tpdu(h("00 03")), septcvt.UnsupportedTpduError, "TP-MTI", 1, 3),
        (lambda: septcvt.read_deliver_sm(b"A" * 255, 0, 0), septcvt.BadTpduError, "short_message", 254, 255),
        (lambda: septcvt.read_deliver_sm(b"A", 0, 0, Sar(1, 0, 1)), septcvt.BadTpduError, "sar_total_segments", 0, 0),
        (lambda: septcvt.read_deliver_sm(b"A", 0, 6), septcvt.BadTpduError, "data_coding", 0, 6),
        (lambda: septcvt.join([first_ok, DeliverSm(h("05 00 03 2A"), 0x40)]), septcvt.BadTpduError, "UDHL", 0, 5),
        (lambda: septcvt.submit("Hi", "1" * 40), septcvt.BadArgumentError, "TP-DA", None, None),
        (lambda: septcvt.submit("Hi", "+1", validity=timedelta(weeks=64)), septcvt.BadArgumentError, "TP-VP", None,
         None),
        (lambda: septcvt.encode_tpdu(short(status=256)), septcvt.BadArgumentError, "TP-ST", None, None),
        (lambda: septcvt.encode_tpdu(short(scts=TimeStamp(12, 100, 1, 0, 0, 0, timezone.utc))),
         septcvt.BadArgumentError, "TP-SCTS", None, None),
        (lambda: septcvt.encode_tpdu(Tpdu(udl=140, user_data=bytes(141))), septcvt.BadUserDataError, "TP-UD", None,
         None),
        (lambda: septcvt.smpp_parts("\u0394", smsc_alphabet="latin1"), septcvt.UnmappedError, None, None, None),
        (lambda: septcvt.smpp_parts(plan8, sar=True), septcvt.BadArgumentError, None, None, None),
        (lambda: septcvt.submit(plan8, "+1", languages="tr"), septcvt.BadArgumentError, None, None, None),
        (lambda: septcvt.submit("Hi", "+1", validity=datetime(2024, 1, 1)), septcvt.BadArgumentError, None, None, None),
        (lambda: septcvt.submit("Hi", "+1", validity=datetime(2024, 1, 1, tzinfo=timezone(timedelta(minutes=10)))),
         septcvt.BadArgumentError, None, None, None),
        (lambda: septcvt.read_deliver_sm(b"A", 0, 0, smsc_alphabet="utf-8"), septcvt.BadArgumentError, None, None,
         None),
        (lambda: septcvt.read_deliver_sm(b"A", 0, 0, (1, -1, 1)), septcvt.BadArgumentError, None, None, None),
        # more than a part's units
        (lambda: septcvt.join([first_ok, DeliverSm(b"a" * 600, payload=True)]), septcvt.NoRoomError, None, None, None),
        (lambda: septcvt.join([first_ok, (4, True, 7, h("05 00 03 2A"))]), septcvt.BadUserDataError, None, None,
         None),
    ]:
        with pytest.raises(error) as raised:
            call()
        e = raised.value
        assert isinstance(e, ValueError) and (e.field, e.offset, getattr(e, "value", None)) == (field, offset, value)
        assert getattr(e, "part", 1) == 1 and str(e).startswith("part 1: ") == hasattr(e, "part")
        assert field != "TP-UDL" or str(e) == "a TPDU that does not hold together: TP-UDL 160 at octet 7"
        assert field != "data_coding" or str(e) == "a TPDU that does not hold together: data_coding 6"
