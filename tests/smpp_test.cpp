/* SMPP's fields and the joining of received parts: worked examples with
 * their octets written out, refusals with their faults, and random planned
 * texts sent as SMPP parts and as SMS-SUBMIT, shuffled, repeated, cut
 * short and contradicted, joined back to the text. */
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "octets.h"
#include "septcvt.h"

namespace {

using namespace std::string_literals;
using bytes = std::vector<uint8_t>;

/* s n times, with spaces between, as the expected octets are written. */
std::string times(const std::string &s, int n, const char *between = " ")
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i > 0 ? between : "") + s;
    return out;
}

struct Planned {
    septcvt_plan_options options{};
    septcvt_plan plan{};
    std::vector<septcvt_part> parts = std::vector<septcvt_part>(255);
};
Planned plan_of(const std::string &text, uint16_t languages, int reference_bits)
{
    Planned p;
    p.options.locking_languages = p.options.single_languages = languages;
    p.options.reference_bits = reference_bits;
    EXPECT_EQ(septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), &p.options, &p.plan, p.parts.data(), p.parts.size(), nullptr), SEPTCVT_OK);
    return p;
}

/* Part k as submit_sm takes it, each field as a program would print it. */
TEST(Smpp, PartsOfWorkedExamples)
{
    const septcvt_smpp_settings gsm{}, packed{SEPTCVT_SMSC_GSM_PACKED, 0}, latin1{SEPTCVT_SMSC_LATIN1, 0}, flash{0, 1};
    const struct { const char *name; std::string text; uint16_t languages; int bits, concatenation; size_t k; unsigned reference;
                   int message_class; septcvt_smpp_settings settings; int status; std::string want; } cases[] = {
        /* 400 letters: 153 + 153 + 94 behind an 8-bit element, a septet an octet */
        {"UDH, first of three", times("a", 400, ""), 0, 8, SEPTCVT_SMPP_UDH, 0, 0x2A, -1, gsm, SEPTCVT_OK,
         "40 00 - 05 00 03 2A 03 01 " + times("61", 153)},
        {"UDH, last of three", times("a", 400, ""), 0, 8, SEPTCVT_SMPP_UDH, 2, 0x2A, -1, gsm, SEPTCVT_OK,
         "40 00 - 05 00 03 2A 03 03 " + times("61", 94)},
        /* with the room of a 16-bit element, 152 a part: no element, the SAR values instead */
        {"SAR, second of three", times("a", 400, ""), 0, 16, SEPTCVT_SMPP_SAR, 1, 0x1234, -1, gsm, SEPTCVT_OK,
         "00 00 1234/3/2 " + times("61", 152)},
        {"SAR needs a 16-bit plan", times("a", 400, ""), 0, 8, SEPTCVT_SMPP_SAR, 1, 0x12, -1, gsm, SEPTCVT_BAD_ARGUMENT, ""},
        /* 66 letters of UCS-2 leave 1 unit: the emoji's pair begins the second part */
        {"UCS-2, the emoji begins the second", times("\u0436", 66, "") + "\U0001F600" + times("x", 10, ""), 0, 8, SEPTCVT_SMPP_UDH, 1, 7, -1,
         gsm, SEPTCVT_OK, "40 08 - 05 00 03 07 02 02 D8 3D DE 00 " + times("00 78", 10)},
        /* Turkish locking element 25 01 01; a 61, ğ 0C, ç 60 */
        {"Turkish", times("a\u011fa\u00e7", 18, ""), 1 << SEPTCVT_TURKISH, 8, SEPTCVT_SMPP_UDH, 0, 0, -1, gsm, SEPTCVT_OK,
         "40 00 - 03 25 01 01 " + times("61 0C 61 60", 18)},
        {"class 0", "Hi", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, 0, gsm, SEPTCVT_OK, "00 F0 - 48 69"},
        {"UCS-2 class 1, passed on", "\u0436", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, 1, flash, SEPTCVT_OK, "00 19 - 04 36"},
        {"UCS-2 with a class, not passed on", "\u0436", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, 1, gsm, SEPTCVT_BAD_ARGUMENT, ""},
        /* H 1001000, i 1101001: C8 34 */
        {"packed", "Hi", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, -1, packed, SEPTCVT_OK, "00 00 - C8 34"},
        /* eight septets end on an octet boundary, as seven and the padding would:
         * a carriage return last gets a second, in the ninth septet */
        {"packed, a final CR doubled", "1234567\r", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, -1, packed, SEPTCVT_OK,
         "00 00 - 31 D9 8C 56 B3 DD 1A 0D"},
        {"Latin-1", "Hi \u00a3{", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, -1, latin1, SEPTCVT_OK, "00 03 - 48 69 20 A3 7B"},
        {"Latin-1 lacks the Greek capitals", "\u0394", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, -1, latin1, SEPTCVT_UNMAPPED, ""},
        {"Latin-1 has no class", "Hi", 0, 8, SEPTCVT_SMPP_UDH, 0, 0, 0, latin1, SEPTCVT_BAD_ARGUMENT, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Planned p = plan_of(c.text, c.languages, c.bits);
        septcvt_smpp_message m;
        memset(&m, 0xA5, sizeof m);
        ASSERT_EQ(septcvt_smpp_part(c.text.data(), c.text.size(), &p.options, &p.plan, p.parts.data(), c.k, c.reference,
                                    c.concatenation, c.message_class, &c.settings, &m), c.status);
        if (c.status != SEPTCVT_OK)
            continue;
        char head[32];
        snprintf(head, sizeof head, m.sar.present ? "%02X %02X %04X/%u/%u " : "%02X %02X - ", m.esm_class, m.data_coding,
                 m.sar.msg_ref_num, m.sar.total_segments, m.sar.segment_seqnum);
        EXPECT_EQ(head + hex(m.short_message, m.length), c.want);
    }
}

/* message_payload: the whole text, also one too long for SMS parts, in the
 * room it asks for; packed septets need one octet a septet, and one more,
 * before they are packed in place. */
TEST(Smpp, Payload)
{
    const std::string text = times("a", 40000, "") + "\u20ac";
    septcvt_plan plan;
    ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), nullptr, &plan, nullptr, 0, nullptr), SEPTCVT_TOO_MANY_PARTS);
    /* Not as SMS parts: a total above 255 has no place in a header. */
    const septcvt_part first{0, 153, 153}; /* as it would be, were there room for the total */
    septcvt_user_data ud;
    EXPECT_EQ(septcvt_part_user_data(text.data(), text.size(), nullptr, &plan, &first, 0, 0, &ud), SEPTCVT_BAD_ARGUMENT);
    const septcvt_smpp_settings packed{SEPTCVT_SMSC_GSM_PACKED, 0};
    for (const septcvt_smpp_settings *settings : {static_cast<const septcvt_smpp_settings *>(nullptr), &packed}) {
        size_t room = 0, len = 0;
        int esm = -1, dc = -1;
        EXPECT_EQ(septcvt_smpp_payload(text.data(), text.size(), nullptr, &plan, -1, settings, nullptr, 0, &room, &esm, &dc), SEPTCVT_NO_ROOM);
        EXPECT_EQ(room, settings != nullptr ? 40003u : 40002u);
        std::vector<uint8_t> payload(room);
        ASSERT_EQ(septcvt_smpp_payload(text.data(), text.size(), nullptr, &plan, -1, settings, payload.data(), room, &len, &esm, &dc), SEPTCVT_OK);
        EXPECT_EQ(std::make_tuple(len, esm, dc), std::make_tuple(settings != nullptr ? septcvt_packed_size(40002, 0) : 40002u, 0, 0));
        septcvt_smpp_received r;
        std::vector<uint8_t> back(40100);
        EXPECT_EQ(septcvt_smpp_read(payload.data(), len, 1, esm, dc, nullptr, settings, &r, back.data(), back.size(), nullptr), SEPTCVT_OK);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(back.data()), r.text_len), text);
    }
}

/* A deliver_sm's fields read: data_coding 0 under each setting, the other
 * alphabets, a receipt, and what is refused, with its fault. */
TEST(Smpp, ReadingDeliverSm)
{
    const septcvt_smpp_settings gsm{}, packed{SEPTCVT_SMSC_GSM_PACKED, 0}, latin1{SEPTCVT_SMSC_LATIN1, 0}, flash{0, 1};
    const septcvt_smpp_sar none{}, sar{1, 0x1234, 3, 2}, total0{1, 1, 0, 1}, seq0{1, 1, 3, 0}, past{1, 1, 3, 4};
    const bytes long_message(255, 0x41);
    const struct { const char *name; bytes message; int esm, dc; septcvt_smpp_settings settings; septcvt_smpp_sar sar; int status; std::string want; } cases[] = {
        {"0 as a septet an octet", octets("48 69 1B 65"), 0x00, 0x00, gsm, none, SEPTCVT_OK, "Hi\u20ac"},
        {"0 packed", octets("C8 34"), 0x00, 0x00, packed, none, SEPTCVT_OK, "Hi"},
        {"0 as Latin-1", octets("48 69 A3"), 0x00, 0x00, latin1, none, SEPTCVT_OK, "Hi\u00a3"},
        {"packed, a final CR doubled reads back with two", octets("31 D9 8C 56 B3 DD 1A 0D"), 0x00, 0x00, packed, none, SEPTCVT_OK, "1234567\r\r"},
        {"IA5", octets("48 80 69"), 0x00, 0x01, gsm, none, SEPTCVT_UNMAPPED, "Hi"},
        {"UCS-2", octets("D8 3D DE 00"), 0x00, 0x08, gsm, none, SEPTCVT_OK, "\U0001F600"},
        {"class group, default alphabet", octets("48 69"), 0x00, 0xF1, gsm, none, SEPTCVT_OK, "Hi class 1"},
        {"class group, octets", octets("01 02"), 0x00, 0xF6, gsm, none, SEPTCVT_OK, "\x01\x02 class 2 binary"},
        {"class group, its reserved bit read past", octets("48 69"), 0x00, 0xF9, gsm, none, SEPTCVT_OK, "Hi class 1"},
        {"UCS-2 class 0, passed on", octets("00 48"), 0x00, 0x18, flash, none, SEPTCVT_OK, "H class 0"},
        {"a header, then text", octets("05 00 03 2A 02 01 48 69"), 0x40, 0x00, gsm, none, SEPTCVT_OK, "Hi 8:42/2/1"},
        {"the SAR values", octets("48 69"), 0x00, 0x00, gsm, sar, SEPTCVT_OK, "Hi SAR:4660/3/2"},
        {"the header's element counts over SAR", octets("06 08 04 00 07 02 01 48"), 0x40, 0x00, gsm, sar, SEPTCVT_OK, "H 16:7/2/1"},
        {"a receipt", octets("69 64 3A 31"), 0x04, 0x00, gsm, none, SEPTCVT_OK, "id:1 type 4"},
        {"255 octets", long_message, 0x00, 0x00, gsm, none, SEPTCVT_BAD_TPDU, "short_message 255 at 254"},
        {"a header past the message", octets("05 00 03 2A"), 0x40, 0x00, gsm, none, SEPTCVT_BAD_TPDU, "UDHL 5 at 0"},
        {"an element past the header", octets("03 00 03 2A 02"), 0x40, 0x00, gsm, none, SEPTCVT_BAD_TPDU, "IEDL 3 at 2"},
        {"SAR total 0", octets("48"), 0x00, 0x00, gsm, total0, SEPTCVT_BAD_TPDU, "sar_total_segments 0 at 0"},
        {"SAR sequence 0", octets("48"), 0x00, 0x00, gsm, seq0, SEPTCVT_BAD_TPDU, "sar_segment_seqnum 0 at 0"},
        {"SAR sequence past the total", octets("48"), 0x00, 0x00, gsm, past, SEPTCVT_BAD_TPDU, "sar_segment_seqnum 4 at 0"},
        {"Cyrillic", octets("48"), 0x00, 0x06, gsm, none, SEPTCVT_BAD_TPDU, "data_coding 6 at 0"},
        {"UCS-2 with a class, not passed on", octets("00 48"), 0x00, 0x18, gsm, none, SEPTCVT_BAD_TPDU, "data_coding 24 at 0"},
    };
    /* A payload is read a stretch of 1024 septets at a time: an escape pair
     * across two stretches stays whole. */
    bytes payload(1023, 0x61);
    payload.insert(payload.end(), {0x1B, 0x65});
    std::vector<uint8_t> long_text(1100);
    septcvt_smpp_received read;
    ASSERT_EQ(septcvt_smpp_read(payload.data(), payload.size(), 1, 0, 0, nullptr, nullptr, &read, long_text.data(), long_text.size(), nullptr), SEPTCVT_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(long_text.data()), read.text_len), std::string(1023, 'a') + "\u20ac");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        septcvt_smpp_received r;
        septcvt_tpdu_fault fault;
        uint8_t text[600];
        const int status = septcvt_smpp_read(c.message.data(), c.message.size(), 0, c.esm, c.dc, &c.sar, &c.settings, &r, text, sizeof text, &fault);
        ASSERT_EQ(status, c.status);
        if (status == SEPTCVT_BAD_TPDU) {
            EXPECT_EQ(septcvt_field_name(fault.field) + (" " + std::to_string(fault.value)) + " at " + std::to_string(fault.offset), c.want);
            continue;
        }
        std::string got(reinterpret_cast<char *>(text), r.text_len);
        if (r.has_class)
            got += " class " + std::to_string(r.message_class);
        if (r.alphabet == SEPTCVT_SMPP_OCTETS)
            got += " binary";
        if (r.concatenated)
            got += (r.sar ? " SAR:" : " " + std::to_string(r.reference_bits) + ":") + std::to_string(r.reference) + "/" +
                   std::to_string(r.total) + "/" + std::to_string(r.sequence);
        if (r.message_type != 0)
            got += " type " + std::to_string(r.message_type);
        EXPECT_EQ(got, c.want);
    }
}

/* What the joiner made, a line a message: its kind, reference, parts,
 * numbers missing, pairs in conflict, repeats and text. */
std::vector<std::string> joined(const std::vector<septcvt_join_part> &parts, int *status = nullptr)
{
    std::vector<septcvt_message> messages(parts.size() + 1);
    std::vector<size_t> indices(4 * parts.size() * parts.size() + 600);
    std::vector<uint8_t> text(200000);
    septcvt_join_room room{messages.data(), messages.size(), 0, indices.data(), indices.size(), 0, text.data(), text.size(), 0};
    const int got = septcvt_join(parts.data(), parts.size(), &room);
    if (status != nullptr)
        *status = got;
    std::vector<std::string> out;
    const char *kinds[] = {"joined", "alone", "incomplete", "conflict"};
    for (size_t i = 0; i < room.messages_count; ++i) {
        const septcvt_message &m = messages[i];
        std::string line = kinds[m.kind] + (m.kind == SEPTCVT_ALONE ? "" : (m.sar ? " SAR:" : " " + std::to_string(m.reference_bits) + ":") +
                                                                         std::to_string(m.reference) + "/" + std::to_string(m.total));
        auto list = [&](const char *name, size_t at, size_t n) {
            line += std::string(" ") + name + " ";
            for (size_t k = 0; k < n; ++k)
                line += (k ? "," : "") + std::to_string(indices[at + k]);
        };
        list("parts", m.parts_at, m.parts_count);
        if (m.missing_count > 0)
            list("missing", m.missing_at, m.missing_count);
        if (m.pairs_count > 0)
            list("pairs", m.pairs_at, 2 * m.pairs_count);
        if (m.repeats > 0)
            line += " repeats " + std::to_string(m.repeats);
        if (m.kind == SEPTCVT_JOINED || m.kind == SEPTCVT_ALONE)
            line += " '" + std::string(reinterpret_cast<char *>(text.data() + m.text_at), m.text_len) + "'";
        out.push_back(line);
    }
    return out;
}

/* A deliver_sm's fields as the joiner takes them. */
septcvt_join_part smpp_part(const std::string &message_hex, int esm = 0x40, int dc = 0x00, septcvt_smpp_sar sar = {})
{
    const bytes m = octets(message_hex);
    septcvt_join_part p{};
    EXPECT_EQ(septcvt_join_part_from_smpp(m.data(), m.size(), 0, esm, dc, &sar, nullptr, &p, nullptr), SEPTCVT_OK) << message_hex;
    return p;
}

TEST(Join, WorkedExamples)
{
    /* "Price 10" and an escape, then the euro sign's code 65 and " net": a
     * sender cut the pair between the parts. */
    const septcvt_join_part cut_escape[] = {smpp_part("05 00 03 01 02 01 50 72 69 63 65 20 31 30 1B"),
                                            smpp_part("05 00 03 01 02 02 65 20 6E 65 74")};
    /* "A" and the high half of an emoji, then its low half and "B". */
    const septcvt_join_part cut_pair[] = {smpp_part("05 00 03 02 02 01 00 41 D8 3D", 0x40, 0x08), smpp_part("05 00 03 02 02 02 DE 00 00 42", 0x40, 0x08)};
    const septcvt_join_part first8 = smpp_part("05 00 03 05 02 01 41"), second16 = smpp_part("06 08 04 00 05 02 02 42"), first16 = smpp_part("06 08 04 00 05 02 01 41"),
                            second8 = smpp_part("05 00 03 05 02 02 42"), other8 = smpp_part("05 00 03 05 02 02 43"),
                            receipt = smpp_part("05 00 03 05 02 02 42", 0x44), sar2 = smpp_part("42", 0x00, 0x00, {1, 5, 2, 2}),
                            zero = smpp_part("05 00 03 05 02 00 5A");
    septcvt_tpdu report{};
    report.type = SEPTCVT_STATUS_REPORT;
    report.user_data = {0x08, 1, 8, 8, {5, 0x00, 3, 5, 2, 2, 0x00, 'B'}};
    septcvt_join_part status_report;
    EXPECT_EQ(septcvt_join_part_from_tpdu(&report, &status_report), SEPTCVT_OK);
    const struct { const char *name; std::vector<septcvt_join_part> parts; std::vector<std::string> want; } cases[] = {
        {"an escape pair cut between parts", {cut_escape[1], cut_escape[0]}, {"joined 8:1/2 parts 1,0 'Price 10\u20ac net'"}},
        {"a surrogate pair cut between parts", {cut_pair[0], cut_pair[1]}, {"joined 8:2/2 parts 0,1 'A\U0001F600B'"}},
        {"8-bit and 16-bit references never match", {first8, second16}, {"incomplete 8:5/2 parts 0 missing 2", "incomplete 16:5/2 parts 1 missing 1"}},
        {"nor a SAR reference a header's of 16 bits", {first16, sar2}, {"incomplete 16:5/2 parts 0 missing 2", "incomplete SAR:5/2 parts 1 missing 1"}},
        {"a repeat is dropped", {second8, first8, second8}, {"joined 8:5/2 parts 1,0 repeats 1 'AB'"}},
        {"a conflict is never joined", {first8, second8, other8, second8}, {"conflict 8:5/2 parts 0,1 pairs 1,2 repeats 1"}},
        {"a repeat is in no pair", {first8, second8, second8, other8}, {"conflict 8:5/2 parts 0,1 pairs 1,3 repeats 1"}},
        /* the Turkish single table's 63 is ç, the default extension has none */
        {"an escape takes the code after it through its own part's tables", {smpp_part("08 00 03 03 02 01 24 01 01 41 1B"),
         smpp_part("05 00 03 03 02 02 63 42")}, {"joined 8:3/2 parts 0,1 'A\u00e7B'"}},
        {"a status report is a receipt", {first8, status_report}, {"incomplete 8:5/2 parts 0 missing 2", "alone parts 1 'B'"}},
        {"a receipt stands alone", {first8, receipt}, {"incomplete 8:5/2 parts 0 missing 2", "alone parts 1 'B'"}},
        {"sequence 0 stands alone, and twice", {zero, zero}, {"alone parts 0 'Z'", "alone parts 1 'Z'"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(joined(c.parts), c.want) << c.name;
    /* Too little room: the counts needed, nothing written. */
    septcvt_message m[1];
    size_t indices[1];
    uint8_t text[1];
    septcvt_join_room room{m, 1, 0, indices, 1, 0, text, 1, 0};
    const septcvt_join_part parts[] = {first8, second8};
    EXPECT_EQ(septcvt_join(parts, 2, &room), SEPTCVT_NO_ROOM);
    EXPECT_EQ(std::make_tuple(room.messages_count, room.indices_count, room.text_len), std::make_tuple(size_t{1}, size_t{2}, size_t{2}));
    /* Parts kept as bytes and handed back forged: refused, nothing written. */
    const std::function<void(septcvt_join_part &)> forgeries[] = {
        [](septcvt_join_part &p) { p.total = 256; }, [](septcvt_join_part &p) { p.total = 0, p.sequence = 0; },
        [](septcvt_join_part &p) { p.sequence = 3; }, [](septcvt_join_part &p) { p.sequence = 0; },
        [](septcvt_join_part &p) { p.reference_bits = 0; }, [](septcvt_join_part &p) { p.reference = 0x10000; },
        [](septcvt_join_part &p) { p.units_kind = 3; }, [](septcvt_join_part &p) { p.units_kind = -1; },
        [](septcvt_join_part &p) { p.length = sizeof p.units + 1; }, [](septcvt_join_part &p) { p.single = -1; },
        [](septcvt_join_part &p) { p.locking = -1; },
    };
    for (const auto &forge : forgeries) {
        septcvt_join_part forged[] = {first8, second8};
        forge(forged[1]);
        septcvt_join_room whole{m, 1, 7, indices, 1, 7, text, 1, 7};
        EXPECT_EQ(septcvt_join(forged, 2, &whole), SEPTCVT_BAD_ARGUMENT);
        EXPECT_EQ(std::make_tuple(whole.messages_count, whole.indices_count, whole.text_len), std::make_tuple(size_t{7}, size_t{7}, size_t{7}));
    }
    /* As many parts of one message as a call takes, among parts of others
     * that put them thousands of places apart: a repeat is known for one
     * wherever it stands, and only the part that differs is in conflict.
     * One part more is refused. */
    std::vector<septcvt_join_part> flood(4096, second8);
    flood[0] = first8, flood[4095] = other8;
    flood.insert(flood.begin() + 1, 200, zero);
    const std::string tail = "pairs 201,4295 repeats 4093";
    const std::string got = joined(flood).at(0);
    EXPECT_EQ(got.substr(got.size() - tail.size()), tail);
    flood.push_back(second8);
    septcvt_join_room whole{m, 1, 7, indices, 1, 7, text, 1, 7};
    EXPECT_EQ(septcvt_join(flood.data(), flood.size(), &whole), SEPTCVT_BAD_ARGUMENT);
}

/* Random planned texts sent as SMPP parts (a header or SAR, a septet an
 * octet or packed) and as SMS-SUBMIT read whole, beside another message,
 * shuffled and repeated, with a part missing or contradicted now and then:
 * each comes back as it went out, or as incomplete or in conflict. */
TEST(Join, RandomPlannedTextsComeBack)
{
    const std::vector<std::string> pieces = {"a", "b", " ", "{", "\u20ac", "\u2019", "\u00e7", "\u011f", "\u0915", "\U0001F600", "e\u0301"};
    std::mt19937 rng(33);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (size_t n = 1 + rng() % 400, spread = 3 + rng() % (pieces.size() - 2); n > 0; --n)
            text += pieces[rng() % 2 ? rng() % 3 : rng() % spread];
        const int route = rng() % 3; /* SMPP with a header, SMPP with SAR, SMS-SUBMIT */
        Planned p = plan_of(text, rng() % 2 ? 0x3FFE : 0, route == 1 || rng() % 2 ? 16 : 8);
        if (route != 1)
            p.options.replace_lookalikes = rng() % 2;
        p = route == 1 ? p : plan_of(text, p.options.locking_languages, p.options.reference_bits);
        const septcvt_smpp_settings settings{static_cast<int>(rng() % 2), 0};
        const unsigned reference = rng() % (p.plan.reference_bits == 16 ? 65536 : 256);
        SCOPED_TRACE("round " + std::to_string(round) + ", route " + std::to_string(route));
        std::vector<septcvt_join_part> parts;
        std::string sent;
        for (size_t k = 0; k < p.plan.parts; ++k) {
            septcvt_user_data ud;
            septcvt_received back;
            ASSERT_EQ(septcvt_part_user_data(text.data(), text.size(), &p.options, &p.plan, p.parts.data(), k, reference, &ud), SEPTCVT_OK);
            ASSERT_EQ(septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &back), SEPTCVT_OK);
            sent.append(reinterpret_cast<char *>(back.text), back.text_len);
            septcvt_join_part part;
            if (route < 2) {
                septcvt_smpp_message m;
                ASSERT_EQ(septcvt_smpp_part(text.data(), text.size(), &p.options, &p.plan, p.parts.data(), k, reference, route, -1, &settings, &m), SEPTCVT_OK);
                ASSERT_EQ(septcvt_join_part_from_smpp(m.short_message, m.length, 0, m.esm_class, m.data_coding, &m.sar, &settings, &part, nullptr), SEPTCVT_OK);
            } else {
                septcvt_tpdu fields{}, read;
                uint8_t pdu[SEPTCVT_TPDU_OCTETS];
                size_t len = 0;
                snprintf(fields.address.text, sizeof fields.address.text, "+4917612345678");
                ASSERT_EQ(septcvt_submit_part(text.data(), text.size(), &p.options, &p.plan, p.parts.data(), k, reference, &fields, 1, pdu, sizeof pdu, &len, nullptr, nullptr), SEPTCVT_OK);
                ASSERT_EQ(septcvt_tpdu_decode(pdu, len, 1, SEPTCVT_TO_NETWORK, &read, nullptr), SEPTCVT_OK);
                ASSERT_EQ(septcvt_join_part_from_tpdu(&read, &part), SEPTCVT_OK);
            }
            parts.push_back(part);
        }
        /* A part missing or contradicted now and then, a repeat, and
         * another message of the same sender. */
        const int fault = p.plan.parts > 1 ? rng() % 3 : 0; /* none, a part missing, a conflict */
        const size_t which = rng() % p.plan.parts;
        if (fault == 1)
            parts.erase(parts.begin() + static_cast<long>(which));
        parts.push_back(parts[rng() % parts.size()]);
        parts.push_back(smpp_part("42 79 65", 0x00));
        if (fault == 2 && parts[which].length > 0) {
            parts.push_back(parts[which]);
            parts.back().units[parts.back().length - 1] ^= 1;
        }
        std::shuffle(parts.begin(), parts.end(), rng);
        int status = -1;
        std::vector<std::string> got = joined(parts, &status);
        got.erase(std::find(got.begin(), got.end(), "alone parts " + std::to_string(std::find_if(parts.begin(), parts.end(), [](const septcvt_join_part &x) {
                                                          return !x.concatenated && x.length == 3 && x.units[0] == 'B';
                                                      }) - parts.begin()) + " 'Bye'"));
        /* A text of one part, and its repeat, each stand alone. */
        const char *kind[] = {"joined", "incomplete", "conflict"};
        ASSERT_EQ(got.size(), p.plan.parts == 1 ? 2u : 1u);
        for (const std::string &line : got) {
            EXPECT_EQ(line.substr(0, line.find(' ')), p.plan.parts == 1 ? "alone" : kind[fault]);
            if (line.find('\'') != std::string::npos) {
                EXPECT_EQ(line.substr(line.find('\'') + 1, line.size() - line.find('\'') - 2), sent);
            }
        }
        EXPECT_EQ(status, SEPTCVT_OK);
    }
}

} // namespace
