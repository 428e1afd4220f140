/* The reader of received parts: TP-DCS by coding groups, the user-data
 * header, UCS-2 with surrogates, and user data that does not hold together.
 * User data is built here from packed septets and plain bytes; the
 * planner's tests read back what it writes, through every pair of tables
 * and behind headers of many sizes. */
#include <gtest/gtest.h>

#include <cstring>

#include "reference.h"
#include "septcvt.h"

namespace {

using bytes = std::vector<uint8_t>;

/* What the header named: concatenated, reference, total, sequence,
 * locking, single. */
using Named = std::vector<long>;
Named named_of(const septcvt_received &r)
{
    return {r.concatenated, r.reference, r.total, r.sequence, r.locking, r.single};
}

/* The reader's result, and a check that it wrote nothing past its struct. */
struct Read { int status; septcvt_received r; };
Read read(int dcs, int udhi, int udl, const bytes &ud)
{
    struct { septcvt_received r; uint8_t guard[32]; } place;
    memset(&place, 0xA5, sizeof place);
    const int status = septcvt_read_part(dcs, udhi, udl, ud.data(), ud.size(), &place.r);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(place.guard), sizeof place.guard), std::string(32, '\xa5'));
    return {status, place.r};
}

std::string text_of(const septcvt_received &r)
{
    return std::string(reinterpret_cast<const char *>(r.text), r.text_len);
}

/* 7-bit user data: the header's octets (its length octet first, none
 * without a header), then the codes packed from the first septet boundary
 * after it. TP-UDL counts the septets the header takes and the codes; a
 * header alone goes without the octet of its fill bits. */
struct UserData { int udl; bytes ud; };
UserData seven_bit(const bytes &header, const std::string &codes)
{
    size_t header_septets = 0;
    while (7 * header_septets < 8 * header.size())
        ++header_septets;
    const unsigned fill = static_cast<unsigned>(7 * header_septets - 8 * header.size());
    bytes ud = header;
    ud.resize(header.size() + septcvt_packed_size(codes.size(), fill));
    size_t n = 0;
    EXPECT_EQ(septcvt_pack(reinterpret_cast<const uint8_t *>(codes.data()), codes.size(), fill, ud.data() + header.size(),
                           ud.size() - header.size(), &n),
              SEPTCVT_OK);
    return {static_cast<int>(header_septets + codes.size()), ud};
}

/* Every TP-DCS, against its coding group written out bit by bit (x: either;
 * the first pattern that matches counts). The same two octets read "A@" as
 * 7-bit and U+4100 as UCS-2. */
TEST(Reader, CodingGroups)
{
    enum { SEVEN, UCS2, NOT_TEXT };
    const struct { const char *bits; int coding; } groups[] = {
        {"0x1xxxxx", NOT_TEXT}, /* compressed */
        {"0x0x00xx", SEVEN},    {"0x0x01xx", NOT_TEXT}, {"0x0x10xx", UCS2}, {"0x0x11xx", SEVEN}, /* reserved */
        {"10xxxxxx", SEVEN}, /* reserved groups */
        {"110xxxxx", SEVEN}, /* message waiting, discard or store */
        {"1110xxxx", UCS2},     {"1111x0xx", SEVEN},    {"1111x1xx", NOT_TEXT},
    };
    for (int dcs = 0; dcs < 256; ++dcs) {
        int coding = -1;
        for (const auto &g : groups) {
            bool match = true;
            for (int bit = 0; bit < 8; ++bit)
                match = match && (g.bits[bit] == 'x' || g.bits[bit] - '0' == (dcs >> (7 - bit) & 1));
            if (match) {
                coding = g.coding;
                break;
            }
        }
        const Read got = read(dcs, 0, 2, {0x41, 0x00});
        SCOPED_TRACE("TP-DCS " + std::to_string(dcs));
        ASSERT_NE(coding, -1);
        EXPECT_EQ(got.status, coding == NOT_TEXT ? SEPTCVT_NOT_TEXT : SEPTCVT_OK);
        EXPECT_EQ(text_of(got.r), coding == SEVEN ? "A@" : coding == UCS2 ? "\xe4\x84\x80" : "");
    }
    /* Data that is not text reports nothing, not even its header. */
    const Read data = read(0xF4, 1, 8, {5, 0x00, 3, 1, 2, 1, 0x41, 0x42});
    EXPECT_EQ(data.status, SEPTCVT_NOT_TEXT);
    EXPECT_EQ(named_of(data.r), Named(6, 0));
    EXPECT_EQ(read(256, 0, 0, {}).status, SEPTCVT_BAD_ARGUMENT);
    EXPECT_EQ(read(-1, 0, 0, {}).status, SEPTCVT_BAD_ARGUMENT);
    for (int status : {SEPTCVT_TOO_MANY_PARTS, SEPTCVT_BAD_USER_DATA, SEPTCVT_NOT_TEXT})
        EXPECT_STRNE(septcvt_strerror(status), septcvt_strerror(-1)) << status;
}

/* Headers, each read in front of 7-bit text and of UCS-2 text. */
TEST(Reader, Headers)
{
    const struct { const char *name; bytes elements; Named want; } cases[] = {
        {"no elements", {}, {}},
        {"8-bit reference", {0x00, 3, 42, 3, 2}, {1, 42, 3, 2, 0, 0}},
        {"unknown element passed over", {0x70, 3, 0, 3, 1, 0x00, 3, 7, 2, 2}, {1, 7, 2, 2, 0, 0}},
        {"wrong lengths passed over", {0x00, 4, 9, 9, 9, 9, 0x08, 3, 8, 8, 8, 0x24, 2, 1, 1}, {}},
        {"a 16-bit element too long", {0x08, 5, 0x12, 0x34, 2, 1, 9}, {}},
        {"last valid copy counts", {0x00, 3, 1, 2, 1, 0x00, 3, 2, 3, 3}, {1, 2, 3, 3, 0, 0}},
        {"16-bit replaces 8-bit", {0x00, 3, 1, 2, 1, 0x08, 4, 0x12, 0x34, 4, 4}, {1, 0x1234, 4, 4, 0, 0}},
        {"8-bit replaces 16-bit", {0x08, 4, 1, 2, 4, 4, 0x00, 3, 9, 2, 1}, {1, 9, 2, 1, 0, 0}},
        {"invalid copy leaves the valid", {0x00, 3, 1, 2, 1, 0x00, 3, 2, 0, 0}, {1, 1, 2, 1, 0, 0}},
        {"total 0 ignored", {0x00, 3, 1, 0, 1}, {}},
        {"sequence 0 ignored", {0x08, 4, 0, 1, 2, 0}, {}},
        {"sequence above total ignored", {0x00, 3, 1, 2, 3}, {}},
        {"sequence at the total", {0x00, 3, 0, 255, 255}, {1, 0, 255, 255, 0, 0}},
        {"both language elements", {0x24, 1, 3, 0x25, 1, 1}, {0, 0, 0, 0, 1, 3}},
        {"a single shift id without tables", {0x24, 1, 14}, {0, 0, 0, 0, 0, 14}},
        {"last language element counts", {0x25, 1, 1, 0x25, 2, 5, 5, 0x25, 1, 200}, {0, 0, 0, 0, 200, 0}},
        {"language elements of the wrong length", {0x24, 1, 7, 0x24, 0, 0x24, 2, 5, 5, 0x25, 1, 1, 0x25, 2, 6, 6},
         {0, 0, 0, 0, 1, 7}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bytes header = c.elements;
        header.insert(header.begin(), static_cast<uint8_t>(header.size()));
        const UserData seven = seven_bit(header, "Hi");
        bytes ucs2 = header;
        ucs2.insert(ucs2.end(), {0x00, 'H', 0x00, 'i'});
        for (const Read &got : {read(SEPTCVT_DCS_7BIT, 1, seven.udl, seven.ud),
                                read(SEPTCVT_DCS_UCS2, 1, static_cast<int>(ucs2.size()), ucs2)}) {
            EXPECT_EQ(got.status, SEPTCVT_OK);
            EXPECT_EQ(named_of(got.r), c.want.empty() ? Named(6, 0) : c.want);
            EXPECT_EQ(text_of(got.r), "Hi");
        }
    }
}

/* UCS-2: every unit alone against the plain UTF-8 encoder, and the halves
 * that do not pair. */
TEST(Reader, Ucs2)
{
    auto ucs2 = [](const bytes &octets) { return read(SEPTCVT_DCS_UCS2, 0, static_cast<int>(octets.size()), octets); };
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        const Read got = ucs2({static_cast<uint8_t>(unit >> 8), static_cast<uint8_t>(unit)});
        const bool surrogate = unit >= 0xD800 && unit < 0xE000;
        ASSERT_EQ(text_of(got.r), surrogate ? "" : ref_utf8(unit)) << unit;
        ASSERT_EQ(got.status, surrogate ? SEPTCVT_UNMAPPED : SEPTCVT_OK) << unit;
    }
    const struct { const char *name; bytes octets; std::string text; uint64_t unmapped; int udl = 0; } cases[] = {
        {"high surrogate before a letter", {0xD8, 0x3D, 0x00, 'A'}, "A", 1},
        {"low before high", {0xDE, 0x00, 0xD8, 0x3D}, "", 2},
        {"high surrogate at the end", {0x00, 'A', 0xD8, 0x3D}, "A", 1},
        {"two highs, then a low", {0xD8, 0x3D, 0xD8, 0x3D, 0xDE, 0x00}, "\xf0\x9f\x98\x80", 1},
        {"odd final octet", {0x00, 'A', 0x00}, "A", 1},
        {"a pair, then an odd octet", {0xD8, 0x3D, 0xDE, 0x00, 0x20}, "\xf0\x9f\x98\x80", 1},
        {"a pair's low half past TP-UDL", {0x00, 'A', 0xD8, 0x3D, 0xDE, 0x00}, "A", 2, 5},
    };
    for (const auto &c : cases) {
        const Read got = c.udl ? read(SEPTCVT_DCS_UCS2, 0, c.udl, c.octets) : ucs2(c.octets);
        EXPECT_EQ(text_of(got.r), c.text) << c.name;
        EXPECT_EQ(got.r.unmapped, c.unmapped) << c.name;
        EXPECT_EQ(got.status, SEPTCVT_UNMAPPED) << c.name;
    }
}

/* User data that does not hold together, each beside the nearest that
 * does: BAD_USER_DATA reports nothing else. */
TEST(Reader, UserDataThatDoesNotHoldTogether)
{
    const bytes concatenation = {5, 0x00, 3, 1, 2, 1};
    const bytes zeros(141, 0);
    auto first = [&zeros](size_t n) { return bytes(zeros.begin(), zeros.begin() + static_cast<long>(n)); };
    auto with = [](bytes header, size_t n) { return header.resize(header.size() + n, 0), header; };
    const struct { const char *name; int dcs, udhi, udl; bytes ud; int status; } cases[] = {
        {"7-bit: 160 septets", 0x00, 0, 160, first(140), SEPTCVT_OK},
        {"7-bit: 161 septets", 0x00, 0, 161, first(141), SEPTCVT_BAD_USER_DATA},
        {"7-bit: 8 septets in 7 octets", 0x00, 0, 8, first(7), SEPTCVT_OK},
        {"7-bit: 8 septets in 6 octets", 0x00, 0, 8, first(6), SEPTCVT_BAD_USER_DATA},
        {"7-bit: 1 septet in no octet", 0x00, 0, 1, {}, SEPTCVT_BAD_USER_DATA},
        {"7-bit: a header of 7 septets in 7", 0x00, 1, 7, with(concatenation, 1), SEPTCVT_OK},
        {"7-bit: a header of 7 septets in 6", 0x00, 1, 6, with(concatenation, 0), SEPTCVT_BAD_USER_DATA},
        {"7-bit: an empty header in 2 septets", 0x00, 1, 2, first(2), SEPTCVT_OK},
        {"7-bit: an empty header in 1 septet", 0x00, 1, 1, first(1), SEPTCVT_BAD_USER_DATA},
        {"7-bit: a header alone, no octet for its fill", 0x00, 1, 2, first(1), SEPTCVT_OK},
        {"7-bit: a header and a septet, one octet short", 0x00, 1, 3, first(2), SEPTCVT_BAD_USER_DATA},
        {"7-bit: a header in no septet", 0x00, 1, 0, {}, SEPTCVT_BAD_USER_DATA},
        {"7-bit: TP-UDL below 0", 0x00, 0, -1, {}, SEPTCVT_BAD_USER_DATA},
        {"UCS-2: 140 octets", 0x08, 0, 140, first(140), SEPTCVT_OK},
        {"UCS-2: 141 octets", 0x08, 0, 141, first(141), SEPTCVT_BAD_USER_DATA},
        {"UCS-2: TP-UDL past the octets", 0x08, 0, 4, first(3), SEPTCVT_BAD_USER_DATA},
        {"UCS-2: a header of 6 octets in 6", 0x08, 1, 6, concatenation, SEPTCVT_OK},
        {"UCS-2: a header of 6 octets in 5", 0x08, 1, 5, concatenation, SEPTCVT_BAD_USER_DATA},
        {"an element past the header", 0x08, 1, 5, {4, 0x00, 3, 1, 2}, SEPTCVT_BAD_USER_DATA},
        {"an element's data past the header", 0x08, 1, 8, {7, 0x00, 3, 1, 2, 1, 0x70, 1}, SEPTCVT_BAD_USER_DATA},
        {"an identifier alone at the header's end", 0x08, 1, 7, {6, 0x00, 3, 1, 2, 1, 0x70}, SEPTCVT_BAD_USER_DATA},
        {"an element that ends with the header", 0x08, 1, 8, {7, 0x00, 3, 1, 2, 1, 0x70, 0}, SEPTCVT_OK},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Read got = read(c.dcs, c.udhi, c.udl, c.ud);
        EXPECT_EQ(got.status, c.status);
        if (c.status == SEPTCVT_OK)
            EXPECT_EQ(got.r.concatenated, c.udhi && c.ud.size() >= 6 && c.ud[1] == 0x00);
        else
            EXPECT_EQ(std::string(reinterpret_cast<const char *>(&got.r), sizeof got.r), std::string(sizeof got.r, '\0'));
    }
    septcvt_received r;
    EXPECT_EQ(septcvt_read_part(0x00, 0, 1, nullptr, 1, &r), SEPTCVT_NULL_POINTER);
    EXPECT_EQ(septcvt_read_part(0x00, 0, 1, zeros.data(), 1, nullptr), SEPTCVT_NULL_POINTER);
}

} // namespace
