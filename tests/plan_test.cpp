/* The planner and the user data of its parts: the room a header leaves, the
 * choices the rules settle, what it refuses, and random texts whose parts
 * hold together, read back as the text that went out, and are as few as a
 * plain search of every pair finds. */
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>
#include <utf8proc.h>

#include "message.h"
#include "reference.h"
#include "reference_plan.h"

namespace {

using namespace std::string_literals;

TEST(Plan, RoomsLeftByTheHeader)
{
    /* Octets of the elements: language elements 3 each, concatenation 5
     * (8-bit reference) or 6 (16-bit). */
    const struct { size_t elements, septets, units; } rows[] = {
        {0, 160, 70}, {3, 155, 0}, {6, 152, 0}, {5, 153, 67}, {8, 149, 0}, {11, 146, 0}, {6, 152, 66}, {9, 148, 0}, {12, 145, 0}};
    for (const auto &r : rows) {
        EXPECT_EQ(septet_room(header_octets(r.elements)), r.septets) << r.elements;
        EXPECT_TRUE(r.units == 0 || unit_room(header_octets(r.elements)) == r.units) << r.elements;
    }
}

/* Status, encoding, locking and single ids, parts, characters replaced,
 * room left and where the alphabet ran out. */
using Planned = std::tuple<int, int, int, int, size_t, size_t, size_t, uint64_t>;
Planned plan_of(const std::string &text, uint16_t locking, uint16_t single, bool replace, const std::string &elements = "")
{
    septcvt_plan_options o{locking, single, replace, 0, reinterpret_cast<const uint8_t *>(elements.data()), elements.size()};
    septcvt_plan p{};
    septcvt_part parts[8];
    const int status = septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), &o, &p, parts, 8, nullptr);
    return Planned{status, p.dcs, p.locking, p.single, p.parts, p.replaced, p.room_left, p.ran_out};
}

std::string times(const std::string &s, int n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

/* An element of the caller's, of n octets in all. */
std::string element(size_t n)
{
    return "\x70"s + static_cast<char>(n - 2) + std::string(n - 2, '\0');
}

TEST(Plan, ChoosesAsTheRulesSay)
{
    const int U = SEPTCVT_DCS_UCS2, G = SEPTCVT_DCS_7BIT, OK = SEPTCVT_OK;
    const uint64_t NO = SEPTCVT_NO_OFFSET;
    const struct { const char *name; std::string text; uint16_t locking, single; bool replace; Planned want; std::string elements = ""; } cases[] = {
        {"a tie in one part goes to UCS-2", "Ağaç", 2, 2, false, {OK, U, 0, 0, 1, 0, 66, NO}},
        {"the smaller header wins a tie", times("ç", 70) + "ê", 2, 8, false, {OK, G, 0, 3, 1, 0, 13, NO}},
        {"Turkish fits one part, UCS-2 two", times("Şişli'de ağaç", 8), 2, 2, false, {OK, G, 1, 0, 1, 0, 51, NO}},
        {"a Spanish locking id is never chosen", times("á", 60) + times("a", 30), 4, 4, false, {OK, G, 0, 2, 1, 0, 5, NO}},
        {"locking tables tied: the lower id", times("ç", 100), 0x000A, 0, false, {OK, G, 1, 0, 1, 0, 55, NO}},
        {"single tables tied: the lower id", times("ç", 75), 0, 0x000E, false, {OK, G, 0, 1, 1, 0, 5, NO}},
        {"an empty text is one part", "", 0, 0, false, {OK, G, 0, 0, 1, 0, 160, NO}},
        {"the escape is no character", "a\x1b" "b", 0x3FFE, 0x3FFE, false, {OK, U, 0, 0, 1, 0, 67, 1}},
        {"U+10FFFF is a character", "\xf4\x8f\xbf\xbf", 0, 0, false, {OK, U, 0, 0, 1, 0, 68, 0}},
        {"replaced where it saves a part", times("a", 99) + "\xe2\x80\x99", 0, 0, true, {OK, G, 0, 0, 1, 1, 60, NO}},
        {"replaced only where it saves a part", times("{", 100) + "\xe2\x80\x99", 0, 0, true, {OK, U, 0, 0, 2, 0, 33, NO}},
        {"not replaced without asking", times("a", 99) + "\xe2\x80\x99", 0, 0, false, {OK, U, 0, 0, 2, 0, 34, 99}},
        {"a dropped character is replaced too", times("a", 160) + "\u200b", 0, 0, true, {OK, G, 0, 0, 1, 1, 0, NO}},
        {"ran out after replacement", "a\u2019b\U0001F600", 0, 0, true, {OK, U, 0, 0, 1, 0, 65, 5}},
        {"the grave accent, the lowest look-alike", times("a", 99) + "`", 0, 0, true, {OK, G, 0, 0, 1, 1, 60, NO}},
        /* a cluster that does not fit starts the next part, and is cut there */
        {"a cluster longer than a part", times("a", 60) + "e" + times("\u0301", 69), 0, 0, false, {OK, U, 0, 0, 3, 0, 64, 61}},
        /* the cluster's last code point, two units, moves it: then it fills the part */
        {"a moved cluster fills its part", "ae" + times("\u0301", 64) + "\U000E0100" "bcd", 0, 0, false, {OK, U, 0, 0, 3, 0, 64, 2}},
        {"a header leaves two septets", times("a", 10), 0, 0, false, {OK, G, 0, 0, 5, 0, 0, NO}, element(132)},
        {"ellipses fit UCS-2 but not 7-bit", times("\xe2\x80\xa6", 70), 0, 0, true, {OK, U, 0, 0, 1, 0, 0, NO}},
        {"a mark dropped saves nothing", "\xef\xbb\xbfhello", 0, 0, true, {OK, U, 0, 0, 1, 0, 64, NO}},
        /* 33 of them a part: a surrogate pair is never cut */
        {"too many parts", times("\xf0\x9f\x98\x80", 33 * 255 + 1), 0, 0, false, {SEPTCVT_TOO_MANY_PARTS, U, 0, 0, 256, 0, 65, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(plan_of(c.text, c.locking, c.single, c.replace, c.elements), c.want) << c.name;
    /* The reference size is read back from the plan. */
    for (const int bits : {0, 8, 16}) {
        septcvt_plan_options o{0, 0, 0, bits, nullptr, 0};
        septcvt_plan p;
        EXPECT_EQ(septcvt_plan_text(SEPTCVT_UTF8, "a", 1, &o, &p, nullptr, 0, nullptr), SEPTCVT_NO_ROOM);
        EXPECT_EQ(p.reference_bits, bits == 16 ? 16 : 8) << bits;
    }
}

TEST(Plan, RefusesWhatItCannotPlan)
{
    /* An element of 138 octets leaves a header with room for one septet. */
    static const std::string big = "\x70\x88" + std::string(136, '\0');
    const uint64_t UNTOUCHED = 7;
    const struct { std::string text; int form; septcvt_plan_options o; int status; uint64_t at; size_t cut = 0; } cases[] = {
        {"ab\xf8\x88\x80\x80\x80", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 2}, /* five bytes */
        {"a\x80", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},                   /* a lone continuation byte */
        {"a\xf4\x90\x80\x80", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},      /* above U+10FFFF */
        {"ab\xe2" "A", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 2},             /* a cut last character */
        {"a\xc3" "A", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},              /* a lead byte and no continuation */
        {"a\xe0\x9f\xbf", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},         /* U+07FF in three bytes */
        {"a\xed\xa0\x80", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},         /* a surrogate */
        {"a\xef\xbf\xbe", SEPTCVT_UTF8, {}, SEPTCVT_MALFORMED, 1},         /* U+FFFE */
        {"\xff\xfe" "A\0\x00\xd8"s, SEPTCVT_UCS2, {}, SEPTCVT_MALFORMED, 4}, /* a lone surrogate */
        {"\xff\xfe" "A\0\x00\xdc" "B\0"s, SEPTCVT_UCS2, {}, SEPTCVT_MALFORMED, 4}, /* a low one first */
        {"\xff\xfe\x3d\xd8\x00\xdc"s, SEPTCVT_UCS2, {}, SEPTCVT_MALFORMED, 2, 4},  /* its low half past the end */
        {"\xfe\xff\0A\0"s, SEPTCVT_UCS2, {}, SEPTCVT_MALFORMED, 4},         /* an odd final byte */
        {"A\0"s, SEPTCVT_UCS2, {}, SEPTCVT_NO_MARK, 0},
        {"a", SEPTCVT_UTF8, {1, 0, 0, 0, nullptr, 0}, SEPTCVT_BAD_ARGUMENT, UNTOUCHED},
        {"a", SEPTCVT_UTF8, {0, 0x4000, 0, 0, nullptr, 0}, SEPTCVT_BAD_ARGUMENT, UNTOUCHED},
        {"a", SEPTCVT_UTF8, {0, 0, 0, 12, nullptr, 0}, SEPTCVT_BAD_ARGUMENT, UNTOUCHED},
        {"a", SEPTCVT_UTF8, {0, 0, 0, 0, reinterpret_cast<const uint8_t *>("\x24\x01\x01"), 3}, SEPTCVT_BAD_ARGUMENT, UNTOUCHED},
        {"a", SEPTCVT_UTF8, {0, 0, 0, 0, reinterpret_cast<const uint8_t *>("\x05\x04\x0b"), 3}, SEPTCVT_BAD_ARGUMENT, UNTOUCHED},
        {"a", SEPTCVT_UTF8, {0, 0, 0, 0, reinterpret_cast<const uint8_t *>(big.data()), big.size()}, SEPTCVT_NO_ROOM, SEPTCVT_NO_OFFSET},
    };
    for (const auto &c : cases) {
        septcvt_plan p;
        uint64_t at = 7;
        EXPECT_EQ(septcvt_plan_text(c.form, c.text.data(), c.cut ? c.cut : c.text.size(), &c.o, &p, nullptr, 0, &at), c.status) << c.text;
        EXPECT_EQ(at, c.at) << c.text;
    }
}


std::string hex(const uint8_t *bytes, size_t n)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < n; ++i)
        snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", bytes[i]), out += two;
    return out;
}

/* The worked examples of the manual page, as it prints them. */
TEST(Plan, WorkedExamplesOfTheManPage)
{
    const std::string turkish = "Yarın sabah 9'da Kadıköy'deki ofisimizde görüşmek üzere. Lütfen kimliğinizi "
                                "yanınızda getirin ve şifrenizi değiştirmeyi unutmayın.";
    EXPECT_EQ(plan_of(turkish, 2, 2, false), (Planned{SEPTCVT_OK, SEPTCVT_DCS_7BIT, 1, 0, 1, 0, 25, SEPTCVT_NO_OFFSET}));
    EXPECT_EQ(plan_of(turkish, 0, 0, false), (Planned{SEPTCVT_OK, SEPTCVT_DCS_UCS2, 0, 0, 2, 0, 4, 3}));
    const struct { std::string text; const char *second; } examples[] = {
        {times("a", 152) + "\u20ac" + times("b", 10), "05 00 03 07 02 02 36 65 B1 58 2C 16 8B C5 62 B1 18"},
        {times("a", 66) + "\U0001F600\U0001F1E9\U0001F1EA", "05 00 03 07 02 02 D8 3D DE 00 D8 3C DD E9 D8 3C DD EA"},
        {"Hello world", "C8 32 9B FD 06 DD DF 72 36 19"}};
    for (const auto &e : examples) {
        septcvt_plan plan;
        septcvt_part parts[2];
        uint64_t ran_out = 0;
        ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, e.text.data(), e.text.size(), nullptr, &plan, parts, 2, &ran_out), SEPTCVT_OK);
        septcvt_user_data ud;
        ASSERT_EQ(septcvt_part_user_data(e.text.data(), e.text.size(), nullptr, &plan, parts, plan.parts - 1, 7, &ud), SEPTCVT_OK);
        EXPECT_EQ(hex(ud.ud, ud.length), e.second);
        septcvt_received got;
        EXPECT_EQ(septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &got), SEPTCVT_OK);
        EXPECT_TRUE(plan.parts == 2 || std::string(got.text, got.text + got.text_len) == e.text);
    }
    septcvt_plan plan;
    EXPECT_EQ(septcvt_plan_text(SEPTCVT_UTF8, turkish.data(), turkish.size(), nullptr, &plan, nullptr, 0, nullptr), SEPTCVT_NO_ROOM);
    /* Why a plan is what it is: what no table holds, before and after
     * replacement, and what went out replaced. */
    const std::string price = "Price: 5 \u20ac \u2013 ok \U0001F600";
    for (const int replace : {0, 1}) {
        const septcvt_plan_options o{0, 0, replace, 0, nullptr, 0};
        septcvt_char ruled[2];
        size_t n = 0;
        EXPECT_EQ(septcvt_plan_ruled_out(SEPTCVT_UTF8, price.data(), price.size(), &o, ruled, 2, &n, nullptr), SEPTCVT_OK);
        EXPECT_EQ(n, replace ? 1u : 2u);
        EXPECT_EQ(std::make_tuple(ruled[n - 1].offset, ruled[n - 1].length, ruled[n - 1].code_point), std::make_tuple(uint64_t{20}, size_t{4}, 0x1F600u));
        EXPECT_TRUE(replace || std::make_tuple(ruled[0].offset, ruled[0].length, ruled[0].code_point) == std::make_tuple(uint64_t{13}, size_t{3}, 0x2013u));
    }
    /* Too little room stores nothing; the escape character is in no table. */
    septcvt_char ruled[1] = {{7, 7, 7}};
    size_t n = 0;
    EXPECT_EQ(septcvt_plan_ruled_out(SEPTCVT_UTF8, "a\x1b\xc3\xa7", 4, nullptr, ruled, 1, &n, nullptr), SEPTCVT_NO_ROOM);
    EXPECT_EQ(std::make_tuple(n, ruled[0].offset), std::make_tuple(size_t{2}, uint64_t{7}));
    EXPECT_EQ(septcvt_plan_ruled_out(SEPTCVT_UTF8, "a\x1b", 2, nullptr, ruled, 1, &n, nullptr), SEPTCVT_OK);
    EXPECT_EQ(std::make_tuple(n, ruled[0].offset, ruled[0].code_point), std::make_tuple(size_t{1}, uint64_t{1}, 0x1Bu));
    const std::string sale = "Don\u2019t miss it \u2013 our summer sale ends tonight\u2026 Everything is half price, and delivery is free.";
    EXPECT_EQ(plan_of(sale, 0, 0, true), (Planned{SEPTCVT_OK, SEPTCVT_DCS_7BIT, 0, 0, 1, 3, 65, SEPTCVT_NO_OFFSET}));
    const septcvt_plan_options replace{0, 0, 1, 0, nullptr, 0};
    septcvt_part parts[1];
    ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, sale.data(), sale.size(), &replace, &plan, parts, 1, nullptr), SEPTCVT_OK);
    septcvt_replacement r[3];
    EXPECT_EQ(septcvt_plan_replaced(sale.data(), sale.size(), &plan, r, 2, &n), SEPTCVT_NO_ROOM);
    EXPECT_EQ(septcvt_plan_replaced(sale.data(), sale.size(), &plan, r, 3, &n), SEPTCVT_OK);
    EXPECT_EQ(std::make_tuple(n, r[0].original.offset, r[1].original.offset, r[2].original.offset, r[2].became_count, r[2].became[2]),
              std::make_tuple(size_t{3}, uint64_t{3}, uint64_t{16}, uint64_t{48}, size_t{3}, uint32_t{'.'}));
    /* Where the unmapped characters are, each way. */
    const struct { int direction; std::string in; std::string want; } walks[] = {
        {SEPTCVT_TO_UNICODE, "Hi\x80\x1b" "A!", "2+1 3+2 "}, {SEPTCVT_TO_GSM, "Fa\u00e7ade \U0001F600", "2+2 8+4 "}};
    for (const auto &w : walks) {
        std::string got;
        uint64_t at = 0;
        size_t length = 0;
        for (uint64_t from = 0; septcvt_next_unmapped(w.direction, SEPTCVT_UTF8, 0, 0, w.in.data(), w.in.size(), from, &at, &length) == SEPTCVT_OK &&
                                at != SEPTCVT_NO_OFFSET;
             from = at + length)
            got += std::to_string(at) + "+" + std::to_string(length) + " ";
        EXPECT_EQ(got, w.want);
    }
}

/* The plain form of a look-alike, written from the table in the header. */
std::vector<uint32_t> ref_replaced(uint32_t c)
{
    static const std::vector<uint32_t> q = ref_code_points("\u2018\u2019\u201a\u201b\u2032\u2035\u00b4\u0060"),
                                       qq = ref_code_points("\u201c\u201d\u201e\u201f\u2033\u2036\u00ab\u00bb"),
                                       drop = {0x200B, 0x2060, 0xFEFF, 0x00AD};
    if (std::count(q.begin(), q.end(), c) || c == 0xFF40) return {'\''};
    if (std::count(qq.begin(), qq.end(), c)) return {'"'};
    if ((c >= 0x2010 && c <= 0x2015) || c == 0x2212) return {'-'};
    if (c == 0x2026) return {'.', '.', '.'};
    if (c == 0xA0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000) return {' '};
    if (std::count(drop.begin(), drop.end(), c)) return {};
    if (c >= 0xFF01 && c <= 0xFF5E) return {c - 0xFF01 + 0x21};
    return {c};
}

/* Every code point's plain form, against the table the header prints. */
TEST(Plan, LookalikesOfEveryCodePoint)
{
    for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
        uint32_t out[3];
        const int n = lookalike(c, out);
        ASSERT_EQ(n < 0 ? std::vector<uint32_t>{c} : std::vector<uint32_t>(out, out + n), ref_replaced(c)) << c;
    }
}

/* The code points the planner takes for plain, between which it looks up
 * no cluster boundary, are all of the class Other in utf8proc's table (no
 * control, mark, joiner or pictograph), so that a boundary stands between
 * any two; and the ASCII that the fast path covers is among them. */
TEST(Plan, PlainCodePointsAreOfTheClassOther)
{
    size_t plain = 0;
    for (uint32_t c = 0; c <= 0x10FFFF; ++c)
        if (cluster_plain(c)) {
            ++plain;
            ASSERT_EQ(utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->boundclass, UTF8PROC_BOUNDCLASS_OTHER) << c;
        }
    EXPECT_EQ(plain, 0x7F - 0x20 + 0x300 - 0xA0 - 3);
}

/* The units of every sequence of up to three bytes from 0x80, after a
 * character: as many, and refused where, as read a character at a time. */
TEST(Plan, UnitsCountedAsRead)
{
    for (uint32_t bytes = 0x800000; bytes < 0x1000000; ++bytes) {
        for (size_t len : {4, 3, 2}) { /* with bytes past the end that would hold together */
            const uint8_t text[4] = {'a', static_cast<uint8_t>(bytes >> 16), static_cast<uint8_t>(bytes >> 8), static_cast<uint8_t>(bytes)};
            text_reader fast = {text, len, 0, false, false}, slow = fast;
            size_t units = 0, want = 0;
            text_char c;
            int got, wanted;
            while ((wanted = reader_next_decoded(slow, c)) > 0)
                want += c.code_point > 0xFFFF ? 2 : 1;
            got = reader_count_units(fast, units);
            if (got != wanted || fast.pos != slow.pos || units != want)
                FAIL() << std::hex << bytes << " in " << len << ": " << got << " at " << fast.pos << ", " << units << " units";
        }
    }
}

/* The user data of a part: its header, its octets and TP-UDL; and what it
 * refuses, a part that does not begin and end where characters do among
 * it, leaving *out as it was. A part given here replaces the planned one. */
TEST(Plan, UserDataOfAPart)
{
    const std::string ucs2 = "\xff\xfe\xb1\x03\x41\x00"s, pair = "\xff\xfe\x3d\xd8\x00\xde\x41\x00"s;
    const int BAD = SEPTCVT_BAD_ARGUMENT;
    const struct { const char *name; std::string text; int form; std::string elements; int bits; bool replace; size_t k;
                   unsigned reference; septcvt_part part; int status; int udl; size_t length; std::string octets; std::string other = ""; } cases[] = {
        {"16-bit reference, high octet first", times("a", 200), SEPTCVT_UTF8, "", 16, false, 0, 0x1234, {}, SEPTCVT_OK, 160, 140, "06 08 04 12 34 02 01 / C3"},
        {"8-bit reference at its top", times("a", 200), SEPTCVT_UTF8, "", 8, false, 1, 255, {}, SEPTCVT_OK, 54, 48, "05 00 03 FF 02 02 C2 / 03"},
        {"8-bit reference above its top", times("a", 200), SEPTCVT_UTF8, "", 8, false, 1, 256, {}, BAD, 0, 0, ""},
        {"a part past the last", times("a", 200), SEPTCVT_UTF8, "", 8, false, 2, 0, {}, BAD, 0, 0, ""},
        {"one part to its last septet", times("a", 160), SEPTCVT_UTF8, "", 0, false, 0, 0, {}, SEPTCVT_OK, 160, 140, "E1 70 38 1C 0E 87 C3 / C3"},
        /* the header's septets take an octet of their own */
        {"a header and no text", "", SEPTCVT_UTF8, "\x04\x02\x08\x00"s, 0, false, 0, 0, {}, SEPTCVT_OK, 6, 6, "04 04 02 08 00 00 / 00"},
        {"dropped characters only", "\u200b", SEPTCVT_UTF8, element(136), 0, true, 0, 0, {}, SEPTCVT_OK, 157, 138, "88 70 86 00 00 00 00 / 00"},
        {"a part inside the mark", ucs2, SEPTCVT_UCS2, "", 0, false, 0, 0, {0, 4, 1}, BAD, 0, 0, ""},
        {"a part at an odd offset", ucs2, SEPTCVT_UCS2, "", 0, false, 0, 0, {3, 5, 1}, BAD, 0, 0, ""},
        {"a part inside a surrogate pair", pair, SEPTCVT_UCS2, "", 0, false, 0, 0, {4, 8, 1}, BAD, 0, 0, ""},
        {"a part ending inside a surrogate pair", pair, SEPTCVT_UCS2, "", 0, false, 0, 0, {2, 4, 1}, BAD, 0, 0, ""},
        {"the same, big-endian", "\xfe\xff\xd8\x3d\xde\x00"s, SEPTCVT_UCS2, "", 0, false, 0, 0, {4, 6, 1}, BAD, 0, 0, ""},
        {"a surrogate pair whole", pair, SEPTCVT_UCS2, "", 0, false, 0, 0, {2, 6, 2}, SEPTCVT_OK, 4, 4, "D8 3D DE 00 / 00"},
        {"a part inside a UTF-8 sequence", "a\u00e9", SEPTCVT_UTF8, "", 0, false, 0, 0, {2, 3, 1}, BAD, 0, 0, ""},
        {"a part ending inside a UTF-8 sequence", "a\u00e9", SEPTCVT_UTF8, "", 0, false, 0, 0, {0, 2, 1}, BAD, 0, 0, ""},
        {"not the text planned", "abc", SEPTCVT_UTF8, "", 0, false, 0, 0, {}, BAD, 0, 0, "", "a\u00e7"},
        {"malformed text", "abc", SEPTCVT_UTF8, "", 0, false, 0, 0, {}, SEPTCVT_MALFORMED, 0, 0, "", "ab\xff"},
        {"a UTF-8 sequence whole", "a\u00e9", SEPTCVT_UTF8, "", 0, false, 0, 0, {1, 3, 1}, SEPTCVT_OK, 1, 1, "05 / 05"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const septcvt_plan_options o{0, 0, c.replace, c.bits, reinterpret_cast<const uint8_t *>(c.elements.data()), c.elements.size()};
        septcvt_plan plan;
        septcvt_part parts[3] = {}; /* a part past the last is in range */
        ASSERT_EQ(septcvt_plan_text(c.form, c.text.data(), c.text.size(), &o, &plan, parts, 3, nullptr), SEPTCVT_OK);
        if (c.part.end > 0)
            parts[c.k] = c.part;
        septcvt_user_data ud;
        memset(&ud, 0xA5, sizeof ud);
        const std::string &text = c.other.empty() ? c.text : c.other;
        EXPECT_EQ(septcvt_part_user_data(text.data(), text.size(), &o, &plan, parts, c.k, c.reference, &ud), c.status);
        if (c.status != SEPTCVT_OK) {
            EXPECT_EQ(std::string(reinterpret_cast<char *>(&ud), sizeof ud), std::string(sizeof ud, '\xa5')) << "a refusal changes nothing";
            continue;
        }
        EXPECT_EQ(std::make_pair(ud.udl, ud.length), std::make_pair(c.udl, c.length));
        EXPECT_EQ(hex(ud.ud, std::min<size_t>(ud.length, 7)) + " / " + hex(ud.ud + ud.length - 1, 1), c.octets);
    }
    /* Elements the plan was not made of, longer than any header: refused
     * before a header is written into a part's room, or past it. */
    for (size_t size : {139u, 250u}) {
        const std::string big = element(size);
        const septcvt_plan_options o{0, 0, 0, 0, reinterpret_cast<const uint8_t *>(big.data()), big.size()};
        septcvt_plan plan;
        septcvt_part part;
        ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, "abc", 3, nullptr, &plan, &part, 1, nullptr), SEPTCVT_OK);
        septcvt_user_data ud;
        memset(&ud, 0xA5, sizeof ud);
        EXPECT_EQ(septcvt_part_user_data("abc", 3, &o, &plan, &part, 0, 0, &ud), BAD);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(&ud), sizeof ud), std::string(sizeof ud, '\xa5'));
        uint8_t payload[400];
        size_t len = 0;
        int esm = -1, dc = -1;
        EXPECT_EQ(septcvt_smpp_payload("abc", 3, &o, &plan, -1, nullptr, payload, sizeof payload, &len, &esm, &dc), BAD);
    }
}

/* The national tables, read afresh from their data file. */
const std::vector<RefTables> &languages()
{
    static std::vector<RefTables> read;
    if (read.empty()) {
        EXPECT_TRUE(ref_read_languages(NATIONAL_DATA, read));
    }
    return read;
}

/* A random text for round `round` and the options to plan it with. Pieces
 * that test every rule: escapes, national letters, marks and emoji
 * sequences that make clusters, a prepended mark (which joins the next
 * character, plain or not), surrogates, look-alikes, CR LF; look-alikes
 * early, so that many texts are 7-bit once replaced. */
std::string random_text(std::mt19937 &rng, int round, septcvt_plan_options &o)
{
    static const std::vector<std::string> pieces = {"a", "b", " ", "\r\n", "{", "\u20ac", "\u0394", "\u2019", "\u2026", "\u00a0", "\u200b",
        "\ufeff", "\uff21", "\u201c", "\u015f", "\u011f", "\u0131", "\u00e7", "\u00e3", "\u00ea", "e\u0301", "\u0915",
        "\u0915\u093f", "\u0905", "\U0001F600", "\U0001F469\u200d\U0001F4BB", "\U0001F1E9\U0001F1EA", "\u2764\ufe0f", "\u0627", "\u0600"};
    static const uint16_t masks[] = {0, 0x0002, 0x000A, 0x0040, 0x3FFE};
    static const uint8_t port[] = {0x05, 0x04, 0x0B, 0x84, 0x23, 0xF0};
    std::string text;
    const size_t n = rng() % (round % 3 == 0 ? 400 : 120), spread = 3 + rng() % (pieces.size() - 2);
    for (size_t i = 0; i < n; ++i)
        text += pieces[rng() % 2 ? rng() % 3 : rng() % spread];
    const bool with_port = rng() % 4 == 0;
    o = septcvt_plan_options{masks[rng() % 5], masks[rng() % 5], static_cast<int>(rng() % 2), 0, with_port ? port : nullptr, with_port ? sizeof port : 0u};
    return text;
}

TEST(Plan, RandomTextsHoldTogetherAndReadBack)
{
    std::mt19937 rng(26);
    for (int round = 0; round < 300; ++round) {
        septcvt_plan_options o;
        const std::string text = random_text(rng, round, o);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(text.size()) + " bytes");
        septcvt_plan plan;
        std::vector<septcvt_part> parts(255);
        ASSERT_EQ(septcvt_plan_text(SEPTCVT_UTF8, text.data(), text.size(), &o, &plan, parts.data(), parts.size(), nullptr), SEPTCVT_OK);
        /* The choice itself is held to the planner as it stood, below. */
        /* Each part read back: in order, its header as written, the text as it went out. */
        std::string back, sent;
        for (uint32_t c : ref_code_points(text))
            for (uint32_t r : plan.replaced > 0 ? ref_replaced(c) : std::vector<uint32_t>{c})
                sent += ref_utf8(r);
        /* Where a cluster of the text starts, and so may a part. */
        std::vector<bool> starts(text.size() + 1, false);
        int32_t state = 0, last = -1;
        for (RefDecoded d = ref_decode(text, 0); d.status != 1; d = ref_decode(text, d.next)) {
            starts[d.next - ref_utf8(d.value).size()] = last < 0 || utf8proc_grapheme_break_stateful(last, static_cast<int32_t>(d.value), &state);
            last = static_cast<int32_t>(d.value);
        }
        for (size_t k = 0; k < plan.parts; ++k) {
            EXPECT_EQ(parts[k].begin, k == 0 ? 0 : parts[k - 1].end);
            EXPECT_TRUE(k == 0 || plan.replaced > 0 || starts[parts[k].begin]) << "part " << k << " begins inside a cluster";
            septcvt_user_data ud;
            septcvt_received got;
            ASSERT_EQ(septcvt_part_user_data(text.data(), text.size(), &o, &plan, parts.data(), k, 77, &ud), SEPTCVT_OK);
            ASSERT_EQ(septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &got), SEPTCVT_OK);
            EXPECT_EQ(std::make_tuple(got.locking, got.single, got.total, got.sequence), std::make_tuple(plan.locking, plan.single, plan.parts > 1 ? unsigned(plan.parts) : 0u, plan.parts > 1 ? unsigned(k + 1) : 0u));
            back.append(reinterpret_cast<char *>(got.text), got.text_len);
            const size_t header = ud.udhi ? ud.ud[0] + 1u : 0u;
            EXPECT_EQ(parts[k].length, plan.dcs == SEPTCVT_DCS_UCS2 ? (ud.length - header) / 2 : ud.udl - (8 * header + 6) / 7);
        }
        EXPECT_EQ(parts[plan.parts - 1].end, text.size());
        EXPECT_EQ(back, sent);
        /* What ruled the 7-bit encodings out, against every character looked
         * up in every allowed pair; and what went out replaced. */
        using Char = std::tuple<uint64_t, size_t, uint32_t, std::vector<uint32_t>>;
        std::vector<Char> ruled, replaced;
        for (size_t at = 0; at < text.size();) {
            const RefDecoded d = ref_decode(text, at);
            const std::vector<uint32_t> becomes = ref_replaced(d.value);
            bool held = true;
            for (uint32_t c : o.replace_lookalikes ? becomes : std::vector<uint32_t>{d.value}) {
                bool by_one = false;
                for (int l = 0; l < 14; ++l)
                    for (int s = 0; s < 14; ++s)
                        by_one |= (l == 0 || (o.locking_languages >> l & 1)) && (s == 0 || (o.single_languages >> s & 1)) &&
                                  c != 0x1B && !ref_gsm(ref_pair(languages(), l, s), c).empty();
                held = held && by_one;
            }
            if (!held)
                ruled.emplace_back(at, d.next - at, d.value, std::vector<uint32_t>{});
            if (plan.replaced > 0 && becomes != std::vector<uint32_t>{d.value})
                replaced.emplace_back(at, d.next - at, d.value, becomes);
            at = d.next;
        }
        std::vector<septcvt_char> got_ruled(ruled.size() + 1);
        std::vector<septcvt_replacement> got_replaced(replaced.size() + 1);
        size_t n_ruled = 0, n_replaced = 0;
        ASSERT_EQ(septcvt_plan_ruled_out(SEPTCVT_UTF8, text.data(), text.size(), &o, got_ruled.data(), got_ruled.size(), &n_ruled, nullptr), SEPTCVT_OK);
        ASSERT_EQ(septcvt_plan_replaced(text.data(), text.size(), &plan, got_replaced.data(), got_replaced.size(), &n_replaced), SEPTCVT_OK);
        std::vector<Char> got;
        for (size_t i = 0; i < n_ruled; ++i)
            got.emplace_back(got_ruled[i].offset, got_ruled[i].length, got_ruled[i].code_point, std::vector<uint32_t>{});
        EXPECT_EQ(got, ruled);
        got.clear();
        for (size_t i = 0; i < n_replaced; ++i) {
            const septcvt_replacement &r = got_replaced[i];
            got.emplace_back(r.original.offset, r.original.length, r.original.code_point, std::vector<uint32_t>(r.became, r.became + r.became_count));
        }
        EXPECT_EQ(got, replaced);
        EXPECT_EQ(n_replaced, plan.replaced);
        /* The same text as UCS-2, big-endian behind its mark: the same plan and user data. */
        std::string ucs2 = "\xfe\xff";
        for (uint32_t c : ref_code_points(text))
            for (uint32_t u : c > 0xFFFF ? std::vector<uint32_t>{0xD800 + ((c - 0x10000) >> 10), 0xDC00 + (c & 0x3FF)} : std::vector<uint32_t>{c})
                ucs2 += std::string{static_cast<char>(u >> 8), static_cast<char>(u)};
        septcvt_plan again;
        std::vector<septcvt_part> again_parts(255);
        ASSERT_EQ(septcvt_plan_text(SEPTCVT_UCS2, ucs2.data(), ucs2.size(), &o, &again, again_parts.data(), 255, nullptr), SEPTCVT_OK);
        EXPECT_EQ(std::make_tuple(again.parts, again.dcs, again.locking, again.single, again.room_left, again.replaced),
                  std::make_tuple(plan.parts, plan.dcs, plan.locking, plan.single, plan.room_left, plan.replaced));
        for (size_t k = 0; k < plan.parts && again.parts == plan.parts; ++k) {
            septcvt_user_data a, b;
            septcvt_part_user_data(text.data(), text.size(), &o, &plan, parts.data(), k, 77, &a);
            septcvt_part_user_data(ucs2.data(), ucs2.size(), &o, &again, again_parts.data(), k, 77, &b);
            EXPECT_EQ(std::string(a.ud, a.ud + a.length), std::string(b.ud, b.ud + b.length)) << "part " << k;
        }
    }
}

void expect_as_reference(int form, const std::string &text, const septcvt_plan_options &o, size_t max_parts)
{
    EXPECT_EQ(plans_differ(form, text.data(), text.size(), o, max_parts), "");
}

TEST(Plan, EveryPlanAsThePlannerBeforeMadeIt)
{
    /* Escape pairs that a part boundary pushes on leave less room than
     * the count promised, so that another national pair of the same rank
     * leaves more: each text cut at every length. */
    const std::string twice = "dddddddddd$so dddddFFFFFFFFFFF)FFGFz\u2019s& mpppppppp c ca";
    const struct { std::string text; uint16_t locking, single; } texts[] = {
        {"Dear cAustg day.  8am-Ith a dat@e such as 83/05, or visit our site and enter you" + times("]", 41) + "M]]]@" +
             times("]", 15) + " \u00e7 wIth a dat@e such as 83/05( o]]]]]M]]]]Y" + times("]", 25), 0x3FFE, 0x3FFE},
        {twice + "rd' atby again e ayao s& mdddsipari\u015finid" + twice + "z karg\n\u2026", 0x07C6, 0x3FFA},
        {"|||||z|||||||||||||p||||||||||||||||||~|||||;|{||||||.|||||||||x||||z|||||||||||||p||||||||||||||||;|||||||||||"
         "|||||||||||||||x||||||||x;||||||||t|||||||x|||||x", 0x00DE, 0x311A},
        {"\u0928\u092e\u0938\u094d\u0924\u0947! \u0906\u092a\u0915\u093e \u092a\u093e\u0930\u094d\u0938\u0932 57\u0947\u0917NNNNNNNNNNNNNNN@NNNNNNNNNNNNNNNNNNNNNNNNNNN\u093e\u0964 \u0915\u0943\u092a"
         "\u092f\u093e \u0921\u093f\u0932 \u092e\u0928\u093e \u0915\u094b\u0921 4471 \u0924\u0948\u092f\u093e\u0930 \u0930\u0916\u0947\u0902\u0964 \u0927\u0928\u094d\u092f\u0935\u093e\u0926\u0964", 0x3FFE, 0x3FFE},
        /* A prepended mark moved to the second part, and there a cluster
         * that is moved on from after the plain character it joined. */
        {times("a", 67) + "\u0600bc" + times("\u0301", 65) + "d", 0, 0},
    };
    for (const auto &t : texts)
        for (size_t n = 0; n <= t.text.size(); ++n)
            for (int replace = 0; replace < 2; ++replace) {
                SCOPED_TRACE("cut at " + std::to_string(n));
                expect_as_reference(SEPTCVT_UTF8, t.text.substr(0, n), septcvt_plan_options{t.locking, t.single, replace, 8, nullptr, 0}, 4);
            }
    std::mt19937 rng(34);
    for (int round = 0; round < 3000; ++round) {
        septcvt_plan_options o;
        std::string text = random_text(rng, round, o);
        o.reference_bits = static_cast<int>(rng() % 3) * 8;
        /* Now and then clusters near or above a part's length, far too
         * long a text for 255 parts, a byte that breaks the UTF-8
         * somewhere, or too little room for the parts. */
        for (int k = round % 4 == 1 ? 1 + rng() % 3 : 0; k > 0; --k)
            text.insert(std::min(text.size(), size_t{rng() % 200}), "e" + times("\u0301", rng() % 90));
        if (round % 97 == 0)
            text = times(text + "\u0436", 40000 / (text.size() + 2) + 1);
        else if (round % 97 == 48) /* 2-20 KB, which are planned in one pass */
            text = times(text + " ", (2100 + rng() % 18000) / (text.size() + 2) + 1);
        const bool malformed = round % 11 == 0 && !text.empty();
        if (malformed)
            text.insert(rng() % text.size(), 1, static_cast<char>(0x80 + rng() % 0x80));
        const size_t max_parts = rng() % 5 == 0 ? rng() % 4 : SEPTCVT_MOST_PARTS;
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(text.size()) + " bytes");
        expect_as_reference(SEPTCVT_UTF8, text, o, max_parts);
        if (malformed)
            continue;
        /* The same text as UCS-2, in either order behind its mark. */
        const bool swapped = rng() % 2 == 0;
        std::string ucs2 = swapped ? "\xfe\xff" : "\xff\xfe";
        for (uint32_t c : ref_code_points(text))
            for (uint32_t u : c > 0xFFFF ? std::vector<uint32_t>{0xD800 + ((c - 0x10000) >> 10), 0xDC00 + (c & 0x3FF)} : std::vector<uint32_t>{c})
                ucs2 += swapped ? std::string{static_cast<char>(u >> 8), static_cast<char>(u)} : std::string{static_cast<char>(u), static_cast<char>(u >> 8)};
        expect_as_reference(SEPTCVT_UCS2, ucs2, o, max_parts);
    }
}

} // namespace
