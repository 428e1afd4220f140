/* Whole TPDUs: worked examples with their octets derived by hand, every
 * relative validity octet against the ranges as printed, refusals with the
 * fault each names, every prefix of a TPDU refused, and random fields and
 * random planned texts that go round. */
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "octets.h"
#include "wire.h"

namespace {

using namespace std::string_literals;

/* n octets 00, in hexadecimal with spaces. */
std::string zeros(size_t n)
{
    std::string out;
    while (n-- > 0)
        out += " 00";
    return out;
}

/* A fault as a program would print it: "TP-UDL 160 at 7". */
std::string said(const septcvt_tpdu_fault &f)
{
    return septcvt_field_name(f.field) + (" " + std::to_string(f.value)) + " at " + std::to_string(f.offset);
}

std::string octets_text(const std::string &h)
{
    const std::vector<uint8_t> o = octets(h);
    return hex(o.data(), o.size());
}

septcvt_address address(const char *text, int explicit_type = 0, int ton = 0, int npi = 0)
{
    septcvt_address a{ton, npi, explicit_type, {}};
    snprintf(a.text, sizeof a.text, "%s", text);
    return a;
}

int decode(const std::string &h, int with_sc, int direction, septcvt_tpdu &t, septcvt_tpdu_fault *fault = nullptr)
{
    const std::vector<uint8_t> in = octets(h); /* exactly its size: a read past it shows under the sanitizer */
    return septcvt_tpdu_decode(in.data(), in.size(), with_sc, direction, &t, fault);
}

/* Writes t; "" where it is refused. */
std::string encode(const septcvt_tpdu &t, int with_sc, size_t *tpdu_len = nullptr)
{
    uint8_t out[SEPTCVT_TPDU_OCTETS];
    size_t n;
    return septcvt_tpdu_encode(&t, with_sc, out, sizeof out, &n, tpdu_len, nullptr) == SEPTCVT_OK ? hex(out, n) : "";
}

TEST(Wire, Addresses)
{
    const struct { septcvt_address a; bool sc; const char *octets; } cases[] = {
        /* 13 digits, the last padded with 1111: 94 51 21 43 65 87 F9 */
        {address("+4915123456789"), false, "0D 91 94 51 21 43 65 87 F9"},
        /* 'A' 'B' 'C' packed, 21 bits in 6 semi-octets: 41, 21|C0, 10 */
        {address("ABC"), false, "06 D0 41 E1 10"},
        /* the euro sign is 1B 65, two septets: 1B|80, 65>>1 */
        {address("\xe2\x82\xac"), false, "04 D0 9B 32"},
        /* '*' 1010 and '#' 1011: no '+', so TON 000 NPI 0001 */
        {address("12*#"), false, "04 81 21 BA"},
        /* national (010), national plan (1000): 0x80|0x20|0x08 */
        {address("0171abc", 1, SEPTCVT_TON_NATIONAL, SEPTCVT_NPI_NATIONAL), false, "07 A8 10 17 DC FE"},
        {address(""), false, "00 81"},
        /* the service centre counts octets: the type and six of digits */
        {address("+447785016005"), true, "07 91 44 77 58 10 06 50"},
        {address("+123"), true, "03 91 21 F3"},
        {address(""), true, "00"},
    };
    for (const auto &c : cases) {
        uint8_t out[ADDRESS_OCTETS];
        size_t n, used;
        auto write = c.sc ? septcvt_sc_address_encode : septcvt_address_encode;
        auto read = c.sc ? septcvt_sc_address_decode : septcvt_address_decode;
        ASSERT_EQ(write(&c.a, out, sizeof out, &n, nullptr), SEPTCVT_OK) << c.a.text;
        EXPECT_EQ(hex(out, n), c.octets);
        septcvt_address back;
        ASSERT_EQ(read(out, n, &back, &used, nullptr), SEPTCVT_OK) << c.octets;
        EXPECT_EQ(used, n);
        EXPECT_STREQ(back.text, c.a.text);
        EXPECT_EQ(write(&back, out, sizeof out, &n, nullptr), SEPTCVT_OK);
        EXPECT_EQ(hex(out, n), c.octets) << "read back and written again";
    }
    /* Refused: 21 digits, 12 septets, a letter after '+', '+' with another
     * type, a character outside the alphabet, a type out of range. */
    for (const septcvt_address &a : {address("123456789012345678901"), address("ABCDEFGHIJKL"), address("+49A"),
                                     address("+49", 1, SEPTCVT_TON_NATIONAL, 1), address("\xe4\xb8\xad"),
                                     address("1", 1, 8, 1), address("1", 1, 1, 16)}) {
        uint8_t out[ADDRESS_OCTETS];
        size_t n;
        septcvt_tpdu_fault f;
        EXPECT_EQ(septcvt_address_encode(&a, out, sizeof out, &n, &f), SEPTCVT_BAD_ARGUMENT) << a.text;
        EXPECT_EQ(f.field, SEPTCVT_FIELD_ADDRESS);
    }
    const struct { const char *octets; int status; const char *fault; } bad[] = {
        {"15 91", SEPTCVT_BAD_TPDU, "address 21 at 0"},       /* 21 digits */
        {"0D 91 94 51", SEPTCVT_BAD_TPDU, "address 13 at 0"}, /* past the end */
        {"04 81 21 F3", SEPTCVT_BAD_TPDU, "address 243 at 3"}, /* 1111 among the digits */
        {"04 D0 9B 20", SEPTCVT_UNMAPPED, " 0 at 0"},          /* 1B 41: no such escape */
    };
    for (const auto &b : bad) {
        const std::vector<uint8_t> in = octets(b.octets);
        septcvt_address a;
        size_t used;
        septcvt_tpdu_fault f;
        EXPECT_EQ(septcvt_address_decode(in.data(), in.size(), &a, &used, &f), b.status) << b.octets;
        EXPECT_EQ(said(f), b.fault);
    }
}

/* Each range of relative octets as printed: its first octet, last, the
 * period of the first and the step. */
TEST(Wire, EveryRelativeValidityOctet)
{
    const struct { unsigned first, last; uint32_t period, step; } ranges[] = {
        {0, 143, 5 * 60, 5 * 60}, {144, 167, 12 * 3600 + 30 * 60, 30 * 60}, {168, 196, 2 * 86400, 86400},
        {197, 255, 5 * 604800, 604800}};
    for (const auto &r : ranges)
        for (unsigned v = r.first; v <= r.last; ++v) {
            const uint32_t period = r.period + (v - r.first) * r.step;
            uint8_t o = static_cast<uint8_t>(v);
            septcvt_validity read{SEPTCVT_VALIDITY_RELATIVE, 0, 0, 0, 0, 0, {}};
            ASSERT_EQ(read_validity(&o, 0, read, nullptr), SEPTCVT_OK);
            EXPECT_EQ(read.seconds, period) << v;
            EXPECT_EQ(read.relative, static_cast<int>(v));
            /* The smallest octet whose period is at least the one asked. */
            for (const uint32_t asked : {period - 1, period, period + 1}) {
                const septcvt_validity want{SEPTCVT_VALIDITY_RELATIVE, asked, 0, 0, 0, 0, {}};
                const bool longer = asked > period;
                ASSERT_EQ(write_validity(want, &o), !(longer && v == 255)) << asked;
                EXPECT_TRUE(v == 255 && longer ? true : o == v + longer) << asked;
            }
        }
}

/* What a test compares of a TPDU read: its fields as a line of text. */
std::string summary(const septcvt_tpdu &t)
{
    const char *const types[] = {"DELIVER", "SUBMIT", "STATUS-REPORT"};
    const septcvt_time_stamp &a = t.scts, &b = t.discharge;
    const septcvt_received &r = t.received;
    char line[600];
    snprintf(line, sizeof line,
             "%s %s>%s flags %d%d%d%d%d mr %d pid %d dcs %02X class %d/%d vp %d %u scts %02d%02d%02d %02d%02d%02d %+d "
             "dt %02d%02d%02d %02d%02d%02d %+d st %02X/%02X/%d pi %d/%02X udl %d header %zu ref %u/%u/%u lang %d/%d "
             "tpdu %zu+%zu text %d: %.*s",
             types[t.type], t.sc.text, t.address.text, t.reject_duplicates, t.reply_path, t.status_report,
             t.more_messages, t.loop_prevention, t.message_reference, t.pid, t.user_data.dcs, t.has_class,
             t.message_class, t.validity.format, t.validity.seconds, a.year, a.month, a.day, a.hour, a.minute, a.second,
             a.zone, b.year, b.month, b.day, b.hour, b.minute, b.second, b.zone, t.status, t.status_sent,
             t.status_group, t.has_pi, t.pi, t.user_data.udl, t.header_length, r.reference, r.total, r.sequence,
             r.locking, r.single, t.tpdu_length, t.trailing, t.text, static_cast<int>(r.text_len),
             reinterpret_cast<const char *>(r.text));
    return line;
}

/* 2012-03-08 14:51:59 at -05:00: each field's digits swapped, the zone 20
 * quarters with bit 3 set. */
const std::string STAMP = " 21 30 80 41 15 95 0A ";
const std::string NO_STAMPS = "scts 000000 000000 +0 dt 000000 000000 +0";

TEST(Wire, WorkedExamples)
{
    /* 06: TP-MTI 10, TP-MMS 1; TP-MR 2A; TP-RA; TP-SCTS; TP-DT a minute
     * later (25 for 52); then TP-ST. */
    const std::string report = "00 06 2A 0D 91 94 51 21 43 65 87 F9" + STAMP + "21 30 80 41 25 95 0A ";
    const std::string report_fields = "STATUS-REPORT >+4915123456789 flags 00000 mr 42 pid 0 dcs 00 class 0/0 vp 0 0 "
                                      "scts 120308 145159 -20 dt 120308 145259 -20 st ";
    const struct { std::string octets; int direction; std::string fields, written; } cases[] = {
        /* The service centre +447785016005; 44: TP-MTI 00, TP-MMS 1 (no
         * more), TP-UDHI; TP-OA +4915123456789; TP-PID 00, TP-DCS 00; TP-UDL
         * 12 septets: a header of 9 octets (UDHL 08, concatenation 00 03 2A
         * 02 01, locking shift 25 01 01) takes 11 septets, 5 fill bits, then
         * 07, Turkish dotless i, in bits 5-7 of E0 and the low bits of 00. */
        {"07 91 44 77 58 10 06 50 44 0D 91 94 51 21 43 65 87 F9 00 00" + STAMP + "0C 08 00 03 2A 02 01 25 01 01 E0 00",
         SEPTCVT_FROM_NETWORK,
         "DELIVER +447785016005>+4915123456789 flags 00000 mr 0 pid 0 dcs 00 class 0/0 vp 0 0 scts 120308 145159 -20 "
         "dt 000000 000000 +0 st 00/00/0 pi 0/00 udl 12 header 9 ref 42/2/1 lang 1/0 tpdu 31+0 text 1: \xc4\xb1", ""},
        /* 8-bit data (TP-DCS 04), TP-UDL 7: the concatenation element, read,
         * and one octet of data. */
        {"00 44 00 81 00 04" + STAMP + "07 05 00 03 2A 02 02 FF", SEPTCVT_FROM_NETWORK,
         "DELIVER > flags 00000 mr 0 pid 0 dcs 04 class 0/0 vp 0 0 scts 120308 145159 -20 dt 000000 000000 +0 "
         "st 00/00/0 pi 0/00 udl 7 header 6 ref 42/2/2 lang 0/0 tpdu 20+0 text 0: ", ""},
        /* TP-ST 00, received, and no TP-PI. */
        {report + "00", SEPTCVT_FROM_NETWORK,
         report_fields + "00/00/0 pi 0/00 udl 0 header 0 ref 0/0/0 lang 0/0 tpdu 26+0 text 0: ", ""},
        /* TP-ST 03, reserved, reads as 63; TP-PI 87: an extension octet 00
         * follows, then TP-PID 00, TP-DCS 00, TP-UDL 2 and "Hi" (48|80,
         * 69>>1); written back with one TP-PI octet. */
        {report + "03 87 00 00 00 02 C8 34", SEPTCVT_FROM_NETWORK,
         report_fields + "63/03/3 pi 1/87 udl 2 header 0 ref 0/0/0 lang 0/0 tpdu 33+0 text 1: Hi", report + "03 07 00 00 02 C8 34"},
        /* The class-0 UCS-2 SUBMIT of the test below: 11, TP-VPF 10; TP-VP
         * A7, a day. */
        {"00 11 2A 0D 91 94 51 21 43 65 87 F9 00 18 A7 04 4F 60 59 7D", SEPTCVT_TO_NETWORK,
         "SUBMIT >+4915123456789 flags 00000 mr 42 pid 0 dcs 18 class 1/0 vp 1 86400 " + NO_STAMPS +
         " st 00/00/0 pi 0/00 udl 4 header 0 ref 0/0/0 lang 0/0 tpdu 19+0 text 1: \xe4\xbd\xa0\xe5\xa5\xbd", ""},
    };
    for (const auto &c : cases) {
        septcvt_tpdu t;
        ASSERT_EQ(decode(c.octets, 1, c.direction, t), SEPTCVT_OK) << c.octets;
        EXPECT_EQ(summary(t), c.fields);
        EXPECT_EQ(encode(t, 1), octets_text(c.written.empty() ? c.octets : c.written));
    }
    /* Every shorter piece of the DELIVER is refused, and read no further
     * than it goes. */
    const std::vector<uint8_t> all = octets(cases[0].octets);
    for (size_t n = 0; n < all.size(); ++n) {
        const std::vector<uint8_t> piece(all.begin(), all.begin() + static_cast<long>(n));
        septcvt_tpdu t;
        EXPECT_EQ(septcvt_tpdu_decode(piece.data(), n, 1, SEPTCVT_FROM_NETWORK, &t, nullptr), SEPTCVT_BAD_TPDU) << n;
    }
    /* TP-ST: the value, or 63 where reserved, by the ranges as printed. */
    for (unsigned st = 0; st < 256; ++st) {
        const unsigned low = st & 0x1F, defined[] = {2, 5, 9, 5};
        const bool reserved = st >= 0x80 || (low > defined[st >> 5] && low < 0x10);
        const uint8_t octet = static_cast<uint8_t>(st);
        septcvt_tpdu t;
        ASSERT_EQ(decode(report + hex(&octet, 1), 1, SEPTCVT_FROM_NETWORK, t), SEPTCVT_OK);
        EXPECT_EQ(t.status, static_cast<int>(reserved ? 0x63 : st)) << st;
        EXPECT_EQ(t.status_group, t.status >> 5);
    }
}

TEST(Wire, Refusals)
{
    const int TO = SEPTCVT_TO_NETWORK, FROM = SEPTCVT_FROM_NETWORK, BAD = SEPTCVT_BAD_TPDU;
    const std::string ST = " 21 30 80 41 15 95 0A 21 30 80 41 15 95 0A 00"; /* two stamps and TP-ST */
    const struct { const char *why; std::string octets; int direction, status; const char *fault; } cases[] = {
        {"no service centre", "", FROM, BAD, "SCA 0 at 0"},
        {"a service centre of 12 octets", "0C 91 11 11 11 11 11 11 11 11 11 11 11 04 00 81 00 00" + STAMP + "00", FROM, BAD, "SCA 12 at 0"},
        {"no first octet", "00", FROM, BAD, "TP-MTI 0 at 1"},
        {"the reserved TP-MTI", "00 03", FROM, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI 3 at 1"},
        {"SUBMIT-REPORT", "00 01", FROM, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI 1 at 1"},
        {"DELIVER-REPORT", "00 00", TO, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI 0 at 1"},
        {"COMMAND", "00 02", TO, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI 2 at 1"},
        {"TP-MR cut", "00 01", TO, BAD, "TP-MR 0 at 2"},
        {"TP-DA past the end", "00 01 00 0D 91 94", TO, BAD, "TP-DA 13 at 3"},
        {"TP-DA of 21 digits", "00 01 00 15 91", TO, BAD, "TP-DA 21 at 3"},
        {"TP-VPF 11 without its octets", "00 19 00 00 81 00 00", TO, BAD, "TP-VPF 3 at 1"},
        {"an enhanced format reserved", "00 09 00 00 81 00 00 07 00 00 00 00 00 00 00", TO, BAD, "TP-VP 7 at 7"},
        {"TP-UDL 160 past the end", "00 01 00 00 81 00 00 A0 C8", TO, BAD, "TP-UDL 160 at 7"},
        {"TP-UDL 161 septets", "00 01 00 00 81 00 00 A1", TO, BAD, "TP-UDL 161 at 7"},
        {"TP-UDL 141 octets", "00 01 00 00 81 00 04 8D" + zeros(141), TO, BAD, "TP-UDL 141 at 7"},
        {"a header longer than TP-UDL", "00 41 00 00 81 00 04 03 05 00 03 2A", TO, BAD, "UDHL 5 at 8"},
        {"an element past the header", "00 41 00 00 81 00 04 04 03 00 04 2A", TO, BAD, "IEDL 4 at 10"},
        {"UDHI and TP-UDL 0", "00 41 00 00 81 00 04 00", TO, BAD, "TP-UDL 0 at 7"},
        {"TP-SCTS with a digit 1010", "00 04 00 81 00 00 21 3A 80 41 15 95 0A 00", FROM, BAD, "TP-SCTS 58 at 7"},
        {"TP-SCTS cut", "00 04 00 81 00 00 21 30", FROM, BAD, "TP-SCTS 0 at 6"},
        {"TP-ST cut", "00 06 2A 00 81" + ST.substr(0, ST.size() - 3), FROM, BAD, "TP-ST 0 at 19"},
        {"TP-PI announces TP-UDL", "00 06 2A 00 81" + ST + " 04", FROM, BAD, "TP-PI 4 at 20"},
        {"TP-PI's extension missing", "00 06 2A 00 81" + ST + " 80", FROM, BAD, "TP-PI 128 at 20"},
        /* 6 octets of header take 7 septets; the octet of the last one's
         * bit need not be there */
        {"a 7-bit header alone", "00 41 00 00 81 00 00 07 05 00 03 2A 02 01", TO, SEPTCVT_OK, " 0 at 0"},
        {"trailing octets are counted", "00 04 00 81 00 00 21 30 80 41 15 95 0A 00 FF FF", FROM, SEPTCVT_OK, " 0 at 0"},
    };
    septcvt_tpdu t;
    for (const auto &c : cases) {
        septcvt_tpdu_fault f;
        EXPECT_EQ(decode(c.octets, 1, c.direction, t, &f), c.status) << c.why;
        EXPECT_EQ(said(f), c.fault) << c.why;
    }
    EXPECT_EQ(std::vector<size_t>({t.trailing, t.tpdu_length}), std::vector<size_t>({2, 13}));
}

TEST(Wire, WritersRefuseFieldsOutOfRange)
{
    septcvt_tpdu base{};
    base.type = SEPTCVT_SUBMIT;
    const struct { const char *field; void (*change)(septcvt_tpdu &); int status; } cases[] = {
        {"TP-MTI", [](septcvt_tpdu &t) { t.type = 3; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-MR", [](septcvt_tpdu &t) { t.message_reference = 256; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-PID", [](septcvt_tpdu &t) { t.pid = -1; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-DCS", [](septcvt_tpdu &t) { t.user_data.dcs = 256; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-DA", [](septcvt_tpdu &t) { t.address = address("+1", 1, 0, 1); }, SEPTCVT_BAD_ARGUMENT},
        {"SCA", [](septcvt_tpdu &t) { t.sc = address("Shop"); }, SEPTCVT_BAD_ARGUMENT},
        {"TP-VPF", [](septcvt_tpdu &t) { t.validity.format = 4; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-VP", [](septcvt_tpdu &t) { t.validity = {SEPTCVT_VALIDITY_RELATIVE, SEPTCVT_LONGEST_VALIDITY + 1, 0, 0, 0, 0, {}}; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-VP", [](septcvt_tpdu &t) { t.validity = {SEPTCVT_VALIDITY_ENHANCED, 256, 0, SEPTCVT_ENHANCED_SECONDS, 0, 0, {}}; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-VP", [](septcvt_tpdu &t) { t.validity = {SEPTCVT_VALIDITY_ENHANCED, 100 * 3600, 0, SEPTCVT_ENHANCED_HMS, 0, 0, {}}; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-VP", [](septcvt_tpdu &t) { t.validity = {SEPTCVT_VALIDITY_ABSOLUTE, 0, 0, 0, 0, 0, {0, 0, 0, 0, 0, 0, 80}}; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-SCTS", [](septcvt_tpdu &t) { t.type = SEPTCVT_DELIVER, t.scts.month = 100; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-DT", [](septcvt_tpdu &t) { t.type = SEPTCVT_STATUS_REPORT, t.discharge.zone = -80; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-ST", [](septcvt_tpdu &t) { t.type = SEPTCVT_STATUS_REPORT, t.status_sent = 256; }, SEPTCVT_BAD_ARGUMENT},
        {"TP-UD", [](septcvt_tpdu &t) { t.user_data.udl = 1, t.user_data.length = 2; }, SEPTCVT_BAD_USER_DATA},
        {"TP-UDL", [](septcvt_tpdu &t) { t.user_data.udl = 2, t.user_data.length = 1; }, SEPTCVT_BAD_USER_DATA},
        {"UDHL", [](septcvt_tpdu &t) { t.user_data = {4, 1, 1, 1, {5}}; }, SEPTCVT_BAD_USER_DATA},
    };
    uint8_t out[SEPTCVT_TPDU_OCTETS] = {0xEE};
    for (const auto &c : cases) {
        septcvt_tpdu t = base;
        c.change(t);
        size_t n = 0;
        septcvt_tpdu_fault f;
        EXPECT_EQ(septcvt_tpdu_encode(&t, 1, out, sizeof out, &n, nullptr, &f), c.status) << c.field;
        EXPECT_EQ(septcvt_field_name(f.field) + std::to_string(n + out[0]), c.field + "238"s) << "a refusal writes nothing";
    }
    size_t n;
    EXPECT_EQ(septcvt_tpdu_encode(&base, 1, out, 7, &n, nullptr, nullptr), SEPTCVT_NO_ROOM);
    EXPECT_EQ(n, 8u) << "00 01 00 00 81 00 00 00";
}

TEST(Wire, Hexadecimal)
{
    const uint8_t in[] = {0x00, 0xAB, 0xFF};
    char text[7];
    size_t n;
    EXPECT_EQ(septcvt_hex_encode(in, 3, text, 6, &n), SEPTCVT_NO_ROOM) << "the NUL too";
    ASSERT_EQ(septcvt_hex_encode(in, 3, text, sizeof text, &n), SEPTCVT_OK);
    EXPECT_STREQ(text, "00ABFF");
    /* Either case in; an odd length, a character not a digit, too little room. */
    const struct { const char *hex, *status_offset_out; } cases[] = {
        {"00abFf", "0 9: 00 AB FF"}, {"00ABF", "2 4: 01 02 03"}, {"00AG", "2 3: 01 02 03"}, {"0 AB", "2 1: 01 02 03"},
        {"00ABFF00", "5 9: 01 02 03"}};
    for (const auto &c : cases) {
        uint8_t out[3] = {1, 2, 3};
        uint64_t at = 9;
        const int status = septcvt_hex_decode(c.hex, strlen(c.hex), out, sizeof out, &n, &at);
        EXPECT_EQ(std::to_string(status) + " " + std::to_string(at) + ": " + hex(out, 3), c.status_offset_out);
    }
}

/* Random fields of every type, written, read back and written again. */
TEST(Wire, RandomFieldsGoRound)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto stamp = [&pick] { return septcvt_time_stamp{pick(100), pick(100), pick(100), pick(100), pick(100), pick(100), pick(159) - 79}; };
    const char *const digits = "0123456789*#abc";
    for (int i = 0; i < 3000; ++i) {
        septcvt_tpdu t{};
        t.type = pick(3);
        std::string number = pick(2) ? "+" : "";
        for (int n = pick(21); n > 0; --n)
            number += digits[pick(15)];
        const char *const names[] = {"", "Shop", "Shop @", "\xc3\x9c\xe2\x82\xac", "ABCDEFGHIJK"};
        const int ton = number[0] == '+' ? 1 : pick(8); /* 001 reads back with its '+', 101 as text */
        t.address = pick(4) ? address(number.c_str(), 1, ton == 5 || (ton == 1 && number[0] != '+') ? 0 : ton, pick(16)) : address(names[pick(5)]);
        t.sc = address(number.substr(0, std::min<size_t>(number.size(), 21)).c_str());
        t.reject_duplicates = pick(2), t.reply_path = pick(2), t.status_report = pick(2);
        t.more_messages = pick(2), t.loop_prevention = pick(2);
        t.message_reference = pick(256), t.pid = pick(256), t.status_sent = pick(256);
        t.scts = stamp(), t.discharge = stamp();
        t.validity = {pick(4), static_cast<uint32_t>(pick(SEPTCVT_LONGEST_VALIDITY + 1)), 0, pick(4), pick(2), pick(2), stamp()};
        if (t.validity.enhanced == SEPTCVT_ENHANCED_SECONDS || t.validity.enhanced == SEPTCVT_ENHANCED_HMS)
            t.validity.seconds %= t.validity.enhanced == SEPTCVT_ENHANCED_SECONDS ? 256 : 100 * 3600;
        t.has_pi = pick(2), t.pi = pick(8);
        /* 7-bit, 8-bit or UCS-2 octets, no header */
        const int dcs[] = {0x00, 0x04, 0x08, 0xF1};
        septcvt_user_data &ud = t.user_data;
        /* a STATUS-REPORT without TP-DCS has the default alphabet */
        ud.dcs = t.type == SEPTCVT_STATUS_REPORT && (t.pi & 2) == 0 ? 0 : dcs[pick(4)];
        ud.udl = pick(ud.dcs == 0 || ud.dcs == 0xF1 ? 161 : 141);
        ud.length = ud.dcs == 0 || ud.dcs == 0xF1 ? septcvt_packed_size(static_cast<size_t>(ud.udl), 0) : static_cast<size_t>(ud.udl);
        for (size_t k = 0; k < ud.length; ++k)
            ud.ud[k] = static_cast<uint8_t>(pick(256));
        /* Read back, every field is written as it was: a field the reader
         * or the writer lost or moved shows in the octets. */
        const int with_sc = pick(2);
        size_t tpdu_len;
        const std::string written = encode(t, with_sc, &tpdu_len);
        septcvt_tpdu back;
        const int status = decode(written, with_sc, t.type == SEPTCVT_SUBMIT ? SEPTCVT_TO_NETWORK : SEPTCVT_FROM_NETWORK, back);
        ASSERT_TRUE(status == SEPTCVT_OK || status == SEPTCVT_UNMAPPED) << "seed " << seed << " round " << i << ": " << written;
        EXPECT_EQ(encode(back, with_sc) + " " + std::to_string(back.tpdu_length), written + " " + std::to_string(tpdu_len)) << "seed " << seed;
    }
}

#if SEPTCVT_HAS_PLANNER
TEST(Wire, SubmitOfAClassZeroUcs2Text)
{
    /* 00: the modem's service centre; 11: TP-MTI 01, TP-VPF 10 (relative);
     * TP-MR 2A; TP-DA +4915123456789; TP-PID 00; TP-DCS 18 (UCS-2, class
     * 0); TP-VP A7 (167: 12 h + 24 x 30 min, a day); TP-UDL 4: 4F60 597D. */
    const std::string text = "\xe4\xbd\xa0\xe5\xa5\xbd";
    septcvt_plan plan;
    septcvt_part parts[1];
    ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), nullptr, &plan, parts, 1, nullptr), SEPTCVT_OK);
    septcvt_tpdu f{};
    f.address = address("+4915123456789");
    f.message_reference = 0x2A, f.has_class = 1, f.message_class = 0;
    f.validity = {SEPTCVT_VALIDITY_RELATIVE, 86400, 0, 0, 0, 0, {}};
    uint8_t out[SEPTCVT_TPDU_OCTETS];
    size_t n, cmgs;
    ASSERT_EQ(septcvt_submit_part(text.data(), text.size(), nullptr, &plan, parts, 0, 0, &f, 1, out, sizeof out, &n, &cmgs, nullptr), SEPTCVT_OK);
    EXPECT_EQ(hex(out, n), "00 11 2A 0D 91 94 51 21 43 65 87 F9 00 18 A7 04 4F 60 59 7D");
    EXPECT_EQ(cmgs, 19u);
    f.message_class = 4;
    EXPECT_EQ(septcvt_submit_part(text.data(), text.size(), nullptr, &plan, parts, 0, 0, &f, 1, out, sizeof out, &n, &cmgs, nullptr), SEPTCVT_BAD_ARGUMENT);
}

/* Random texts of every encoding, planned with either reference size, go
 * out as SUBMITs, are written again as DELIVERs and read back whole. */
TEST(Wire, PlannedTextsGoOutAndComeBack)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    const char *const pieces[] = {"a", "Z", " ", "\xe2\x82\xac", "{", "\xc3\xa7", "\xc4\x9f", "\xc5\x9f", "\xe0\xa4\x95",
                                  "\xe4\xbd\xa0", "\xf0\x9f\x98\x80", "\xce\xa9", "\n"};
    for (int i = 0; i < 150; ++i) {
        std::string text;
        const size_t from = rng() % 13, span = 1 + rng() % 4;
        for (size_t n = rng() % 500; n > 0; --n)
            text += pieces[(from + rng() % span) % 13];
        septcvt_plan_options o{};
        o.locking_languages = o.single_languages = rng() % 2 ? 0x3FFE : 0;
        o.reference_bits = rng() % 2 ? 16 : 8;
        septcvt_plan plan;
        std::vector<septcvt_part> parts(SEPTCVT_MOST_PARTS);
        ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), &o, &plan, parts.data(), parts.size(), nullptr), SEPTCVT_OK);
        septcvt_tpdu f{};
        f.address = address("+4915123456789");
        f.message_reference = static_cast<int>(rng() % 256);
        const unsigned reference = static_cast<unsigned>(rng() % (o.reference_bits == 16 ? 65536 : 256));
        std::string back;
        for (size_t k = 0; k < plan.parts; ++k) {
            uint8_t out[SEPTCVT_TPDU_OCTETS];
            size_t n, cmgs;
            ASSERT_EQ(septcvt_submit_part(text.data(), text.size(), &o, &plan, parts.data(), k, reference, &f, 0, out,
                                          sizeof out, &n, &cmgs, nullptr), SEPTCVT_OK) << "seed " << seed;
            septcvt_tpdu s, d;
            ASSERT_EQ(septcvt_tpdu_decode(out, n, 0, SEPTCVT_TO_NETWORK, &s, nullptr), SEPTCVT_OK) << "seed " << seed;
            EXPECT_EQ(s.message_reference, static_cast<int>((f.message_reference + k) % 256));
            EXPECT_EQ(s.tpdu_length, cmgs);
            s.type = SEPTCVT_DELIVER;
            const std::string deliver = encode(s, 1);
            ASSERT_EQ(decode(deliver, 1, SEPTCVT_FROM_NETWORK, d), SEPTCVT_OK) << "seed " << seed;
            const septcvt_received &r = d.received;
            EXPECT_EQ(plan.parts == 1 ? 0 : r.reference, plan.parts == 1 ? 0 : reference) << "seed " << seed;
            EXPECT_EQ(r.sequence, plan.parts == 1 ? 0 : k + 1);
            back.append(reinterpret_cast<const char *>(r.text), r.text_len);
        }
        EXPECT_EQ(back, text) << "seed " << seed;
    }
}
#endif

} // namespace
