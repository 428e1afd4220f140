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

#include "wire.h"

namespace {

/* Octets from hexadecimal with spaces. */
std::vector<uint8_t> octets(std::string hex)
{
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    std::vector<uint8_t> out(hex.size() / 2);
    size_t n;
    EXPECT_EQ(septcvt_hex_decode(hex.data(), hex.size(), out.data(), out.size(), &n, nullptr), SEPTCVT_OK) << hex;
    return out;
}

std::string hex(const uint8_t *o, size_t n)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < n; ++i)
        snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", o[i]), out += two;
    return out;
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
    const struct { const char *octets; int status; size_t offset; unsigned value; } bad[] = {
        {"15 91", SEPTCVT_BAD_TPDU, 0, 21},             /* 21 digits */
        {"0D 91 94 51", SEPTCVT_BAD_TPDU, 0, 13},       /* past the end */
        {"04 81 21 F3", SEPTCVT_BAD_TPDU, 3, 0xF3},     /* 1111 among the digits */
        {"04 D0 9B 20", SEPTCVT_UNMAPPED, 0, 0},        /* 1B 41: no such escape */
    };
    for (const auto &b : bad) {
        const std::vector<uint8_t> in = octets(b.octets);
        septcvt_address a;
        size_t used;
        septcvt_tpdu_fault f;
        EXPECT_EQ(septcvt_address_decode(in.data(), in.size(), &a, &used, &f), b.status) << b.octets;
        EXPECT_EQ(f.offset, b.offset) << b.octets;
        EXPECT_EQ(f.value, b.value) << b.octets;
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

/* 2012-03-08 14:51:59 at -05:00: each field's digits swapped, the zone 20
 * quarters with bit 3 set. */
const char *const STAMP = "21 30 80 41 15 95 0A";
const septcvt_time_stamp STAMP_FIELDS{12, 3, 8, 14, 51, 59, -20};

bool same(const septcvt_time_stamp &a, const septcvt_time_stamp &b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

TEST(Wire, DeliverWithConcatenationAndTurkish)
{
    /* The service centre +447785016005; 44: TP-MTI 00, TP-MMS 1 (no more),
     * TP-UDHI; TP-OA +4915123456789; TP-PID 00, TP-DCS 00; TP-SCTS; TP-UDL
     * 12 septets: a header of 9 octets (UDHL 08, concatenation 00 03 2A 02
     * 01, locking shift 25 01 01) takes 11 septets, 5 fill bits, then 07,
     * Turkish dotless i, in bits 5-7 of E0 and the low bits of 00. */
    const std::string h = "07 91 44 77 58 10 06 50 44 0D 91 94 51 21 43 65 87 F9 00 00 " + std::string(STAMP) +
                          " 0C 08 00 03 2A 02 01 25 01 01 E0 00";
    septcvt_tpdu t;
    ASSERT_EQ(decode(h, 1, SEPTCVT_FROM_NETWORK, t), SEPTCVT_OK);
    EXPECT_EQ(t.type, SEPTCVT_DELIVER);
    EXPECT_STREQ(t.sc.text, "+447785016005");
    EXPECT_STREQ(t.address.text, "+4915123456789");
    EXPECT_TRUE(same(t.scts, STAMP_FIELDS));
    EXPECT_EQ(t.more_messages, 0);
    EXPECT_EQ(t.header_length, 9u);
    EXPECT_EQ(t.tpdu_length, 31u);
    const septcvt_received &r = t.received;
    EXPECT_EQ(std::vector<unsigned>({r.reference, r.total, r.sequence, static_cast<unsigned>(r.locking)}),
              std::vector<unsigned>({42, 2, 1, 1}));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(r.text), r.text_len), "\xc4\xb1");
    EXPECT_EQ(encode(t, 1), h);
    /* Every shorter piece is refused, and read no further than it goes. */
    const std::vector<uint8_t> all = octets(h);
    for (size_t n = 0; n < all.size(); ++n) {
        const std::vector<uint8_t> piece(all.begin(), all.begin() + static_cast<long>(n));
        EXPECT_EQ(septcvt_tpdu_decode(piece.data(), n, 1, SEPTCVT_FROM_NETWORK, &t, nullptr), SEPTCVT_BAD_TPDU) << n;
    }
}

TEST(Wire, StatusReports)
{
    /* 06: TP-MTI 10, TP-MMS 1; TP-MR 2A; TP-RA; TP-SCTS; TP-DT a minute
     * later (25 for 52); TP-ST 00, received. */
    const std::string base = "00 06 2A 0D 91 94 51 21 43 65 87 F9 " + std::string(STAMP) + " 21 30 80 41 25 95 0A ";
    septcvt_tpdu t;
    ASSERT_EQ(decode(base + "00", 1, SEPTCVT_FROM_NETWORK, t), SEPTCVT_OK);
    EXPECT_EQ(std::vector<int>({t.type, t.message_reference, t.status, t.status_group, t.has_pi}),
              std::vector<int>({SEPTCVT_STATUS_REPORT, 0x2A, 0, SEPTCVT_ST_COMPLETED, 0}));
    EXPECT_EQ(t.discharge.minute, 52);
    EXPECT_EQ(encode(t, 1), base + "00");
    /* TP-ST 03, reserved, reads as 63; TP-PI 87 (an extension octet 00
     * follows, then TP-PID 00, TP-DCS 00, TP-UDL 2 and "Hi": 48|80, 69>>1). */
    ASSERT_EQ(decode(base + "03 87 00 00 00 02 C8 34", 1, SEPTCVT_FROM_NETWORK, t), SEPTCVT_OK);
    EXPECT_EQ(std::vector<int>({t.status, t.status_sent, t.status_group, t.has_pi, t.pi}),
              std::vector<int>({0x63, 0x03, SEPTCVT_ST_NOT_TRYING, 1, 0x87}));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(t.received.text), t.received.text_len), "Hi");
    /* Written back with one TP-PI octet. */
    EXPECT_EQ(encode(t, 1), base + "03 07 00 00 02 C8 34");
    /* TP-ST: the value, or 63 where reserved, by the ranges as printed. */
    for (unsigned st = 0; st < 256; ++st) {
        const unsigned low = st & 0x1F, defined[] = {2, 5, 9, 5};
        const bool reserved = st >= 0x80 || (low > defined[st >> 5] && low < 0x10);
        const uint8_t octet = static_cast<uint8_t>(st);
        ASSERT_EQ(decode(base + hex(&octet, 1), 1, SEPTCVT_FROM_NETWORK, t), SEPTCVT_OK);
        EXPECT_EQ(t.status, static_cast<int>(reserved ? 0x63 : st)) << st;
        EXPECT_EQ(t.status_group, t.status >> 5);
    }
}

TEST(Wire, Refusals)
{
    const int TO = SEPTCVT_TO_NETWORK, FROM = SEPTCVT_FROM_NETWORK, BAD = SEPTCVT_BAD_TPDU;
    const std::string ST = " 21 30 80 41 15 95 0A 21 30 80 41 15 95 0A 00"; /* two stamps and TP-ST */
    const struct { const char *why; std::string octets; int direction, status; const char *field; size_t offset; unsigned value; } cases[] = {
        {"no service centre", "", FROM, BAD, "SCA", 0, 0},
        {"a service centre of 12 octets", "0C", FROM, BAD, "SCA", 0, 12},
        {"no first octet", "00", FROM, BAD, "TP-MTI", 1, 0},
        {"the reserved TP-MTI", "00 03", FROM, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI", 1, 3},
        {"SUBMIT-REPORT", "00 01", FROM, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI", 1, 1},
        {"DELIVER-REPORT", "00 00", TO, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI", 1, 0},
        {"COMMAND", "00 02", TO, SEPTCVT_UNSUPPORTED_TPDU, "TP-MTI", 1, 2},
        {"TP-MR cut", "00 01", TO, BAD, "TP-MR", 2, 0},
        {"TP-DA past the end", "00 01 00 0D 91 94", TO, BAD, "TP-DA", 3, 13},
        {"TP-DA of 21 digits", "00 01 00 15 91", TO, BAD, "TP-DA", 3, 21},
        {"TP-VPF 11 without its octets", "00 19 00 00 81 00 00", TO, BAD, "TP-VPF", 1, 3},
        {"an enhanced format reserved", "00 09 00 00 81 00 00 07 00 00 00 00 00 00 00", TO, BAD, "TP-VP", 7, 7},
        {"TP-UDL 160 past the end", "00 01 00 00 81 00 00 A0 C8", TO, BAD, "TP-UDL", 7, 160},
        {"TP-UDL 161 septets", "00 01 00 00 81 00 00 A1", TO, BAD, "TP-UDL", 7, 161},
        {"TP-UDL 141 octets", "00 01 00 00 81 00 04 8D", TO, BAD, "TP-UDL", 7, 141},
        {"a header longer than TP-UDL", "00 41 00 00 81 00 04 03 05 00 03 2A", TO, BAD, "UDHL", 8, 5},
        {"an element past the header", "00 41 00 00 81 00 04 04 03 00 04 2A", TO, BAD, "IEDL", 10, 4},
        {"UDHI and TP-UDL 0", "00 41 00 00 81 00 04 00", TO, BAD, "TP-UDL", 7, 0},
        {"TP-SCTS with a digit 1010", "00 04 00 81 00 00 21 3A 80 41 15 95 0A 00", FROM, BAD, "TP-SCTS", 7, 0x3A},
        {"TP-SCTS cut", "00 04 00 81 00 00 21 30", FROM, BAD, "TP-SCTS", 6, 0},
        {"TP-ST cut", "00 06 2A 00 81" + ST.substr(0, ST.size() - 3), FROM, BAD, "TP-ST", 19, 0},
        {"TP-PI announces TP-UDL", "00 06 2A 00 81" + ST + " 04", FROM, BAD, "TP-PI", 20, 4},
        {"TP-PI's extension missing", "00 06 2A 00 81" + ST + " 80", FROM, BAD, "TP-PI", 20, 0x80},
        {"trailing octets are counted", "00 04 00 81 00 00 21 30 80 41 15 95 0A 00 FF FF", FROM, SEPTCVT_OK, "", 0, 0},
    };
    for (const auto &c : cases) {
        septcvt_tpdu t;
        septcvt_tpdu_fault f;
        EXPECT_EQ(decode(c.octets, 1, c.direction, t, &f), c.status) << c.why;
        EXPECT_STREQ(septcvt_field_name(f.field), c.field) << c.why;
        EXPECT_EQ(f.offset, c.offset) << c.why;
        EXPECT_EQ(f.value, c.value) << c.why;
    }
    septcvt_tpdu t;
    ASSERT_EQ(decode(cases[sizeof cases / sizeof *cases - 1].octets, 1, FROM, t), SEPTCVT_OK);
    EXPECT_EQ(t.trailing, 2u);
    EXPECT_EQ(t.tpdu_length, 13u);
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
        EXPECT_STREQ(septcvt_field_name(f.field), c.field);
        EXPECT_EQ(n + out[0], 0xEEu) << "a refusal writes nothing";
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
    const struct { const char *hex; int status; uint64_t at; } cases[] = {
        {"00abFf", SEPTCVT_OK, 9}, {"00ABF", SEPTCVT_MALFORMED, 4}, {"00AG", SEPTCVT_MALFORMED, 3},
        {"0 AB", SEPTCVT_MALFORMED, 1}, {"00ABFF00", SEPTCVT_NO_ROOM, 9}};
    for (const auto &c : cases) {
        uint8_t out[3] = {1, 2, 3};
        uint64_t at = 9;
        EXPECT_EQ(septcvt_hex_decode(c.hex, strlen(c.hex), out, sizeof out, &n, &at), c.status) << c.hex;
        EXPECT_EQ(at, c.at) << c.hex;
        EXPECT_EQ(hex(out, 3), c.status == SEPTCVT_OK ? "00 AB FF" : "01 02 03") << c.hex;
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
        /* TON 001 reads back with its '+', 101 as text */
        const int ton = number[0] == '+' ? 1 : pick(8);
        t.address = pick(4) ? address(number.c_str(), 1, ton == 5 || (ton == 1 && number[0] != '+') ? 0 : ton, pick(16))
                            : address(names[pick(5)]);
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
        const int with_sc = pick(2);
        size_t tpdu_len;
        const std::string written = encode(t, with_sc, &tpdu_len);
        ASSERT_NE(written, "") << "seed " << seed << " round " << i;
        septcvt_tpdu back;
        const int status = decode(written, with_sc, t.type == SEPTCVT_SUBMIT ? SEPTCVT_TO_NETWORK : SEPTCVT_FROM_NETWORK, back);
        ASSERT_TRUE(status == SEPTCVT_OK || status == SEPTCVT_UNMAPPED) << "seed " << seed << " " << written;
        EXPECT_EQ(encode(back, with_sc), written) << "seed " << seed;
        EXPECT_EQ(back.tpdu_length, tpdu_len);
        EXPECT_EQ(back.trailing, 0u);
        EXPECT_STREQ(back.address.text, t.address.text);
        EXPECT_EQ(back.message_reference, t.type == SEPTCVT_DELIVER ? 0 : t.message_reference);
        const septcvt_validity &v = t.validity;
        const bool period = v.format == SEPTCVT_VALIDITY_RELATIVE || (v.format == SEPTCVT_VALIDITY_ENHANCED && v.enhanced != SEPTCVT_ENHANCED_NONE);
        EXPECT_TRUE(t.type != SEPTCVT_SUBMIT || !period || back.validity.seconds >= v.seconds) << "seed " << seed;
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
    septcvt_tpdu_fault fault;
    EXPECT_EQ(septcvt_submit_part(text.data(), text.size(), nullptr, &plan, parts, 0, 0, &f, 1, out, sizeof out, &n, &cmgs, &fault), SEPTCVT_BAD_ARGUMENT);
    EXPECT_EQ(fault.field, SEPTCVT_FIELD_DCS);
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
