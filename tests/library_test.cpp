/* The library's C interface beyond the conversions, which the kernel check
 * holds to the reference model (streaming, whole buffers and counting):
 * septet packing, splitting, and arguments that cannot be right. */
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "septcvt.h"

namespace {

using namespace std::string_literals;
using bytes = std::vector<uint8_t>;

/* Packing written plainly: bit k of septet j is bit fill + 7j + k of the
 * octets, low bits first; seven spare bits at the end hold a carriage return. */
bytes ref_pack(const bytes &codes, unsigned fill)
{
    const size_t bits = fill + 7 * codes.size();
    bytes out(codes.empty() ? 0 : (bits + 7) / 8, 0);
    auto set = [&out](size_t bit) { out[bit / 8] |= static_cast<uint8_t>(1 << bit % 8); };
    for (size_t b = 0; b < 7 * codes.size(); ++b)
        if (codes[b / 7] >> (b % 7) & 1)
            set(fill + b);
    for (size_t k = 0; out.size() * 8 - bits == 7 && k < 7; ++k)
        if (0x0D >> k & 1)
            set(bits + k);
    return out;
}

TEST(Library, PackedSeptets)
{
    /* The reference, worked by hand: "hellohello", a header's one fill bit
     * before "A", and seven septets whose spare bits hold a carriage return. */
    const auto of = [](const std::string &text) { return bytes(text.begin(), text.end()); };
    EXPECT_EQ(ref_pack(of("hellohello"), 0), bytes({0xE8, 0x32, 0x9B, 0xFD, 0x46, 0x97, 0xD9, 0xEC, 0x37}));
    EXPECT_EQ(ref_pack(of("A"), 1), bytes({0x82}));
    EXPECT_EQ(ref_pack(of("1234567"), 0), bytes({0x31, 0xD9, 0x8C, 0x56, 0xB3, 0xDD, 0x1A}));
    /* The most septets there can be: seven octets for every eight, not a
     * count of bits that wrapped. */
    EXPECT_EQ(septcvt_packed_size(SIZE_MAX, 0), SIZE_MAX / 8 * 7 + 7);
    /* Every fill-bit count, every length up to three octets' worth and more,
     * random codes with many carriage returns: the library gives the
     * reference's octets, and back again with the septet count and with only
     * the octet count. */
    std::mt19937 rng(1);
    for (unsigned fill = 0; fill <= 6; ++fill) {
        for (size_t len = 0; len <= 26; ++len) {
            bytes codes(len), packed(septcvt_packed_size(len, fill) + 1, 0xA5), back(len + 1, 0xA5);
            for (uint8_t &c : codes)
                c = rng() % 3 ? static_cast<uint8_t>(rng() % 128) : 0x0D;
            size_t n = 0, count = 0;
            SCOPED_TRACE("fill " + std::to_string(fill) + ", length " + std::to_string(len));
            ASSERT_EQ(septcvt_pack(codes.data(), len, fill, packed.data(), packed.size() - 1, &n), SEPTCVT_OK);
            EXPECT_EQ(bytes(packed.begin(), packed.begin() + static_cast<long>(n)), ref_pack(codes, fill));
            EXPECT_EQ(packed.back(), 0xA5);
            /* The octets the septets need grow with the fill bits: one
             * short is refused, as is a room one short for unpacking. */
            const bool dropped = len > 0 && (fill + 7 * len) % 8 == 0 && codes.back() == 0x0D;
            EXPECT_EQ(septcvt_unpack(packed.data(), n - (n > 0), fill, len, back.data(), len), n > 0 ? SEPTCVT_NO_ROOM : SEPTCVT_OK);
            if (len > dropped) {
                EXPECT_EQ(septcvt_unpack_octets(packed.data(), n, fill, back.data(), len - dropped - 1, &count), SEPTCVT_NO_ROOM);
                EXPECT_EQ(count, len - dropped) << "the room it needs";
                EXPECT_EQ(back, bytes(len + 1, 0xA5));
            }
            EXPECT_EQ(septcvt_unpack(packed.data(), n, fill, len, back.data(), len), SEPTCVT_OK);
            EXPECT_EQ(bytes(back.begin(), back.begin() + static_cast<long>(len)), codes);
            /* A carriage return that fills the last octet is taken for padding. */
            EXPECT_EQ(septcvt_unpack_octets(packed.data(), n, fill, back.data(), len, &count), SEPTCVT_OK);
            EXPECT_EQ(bytes(back.begin(), back.begin() + static_cast<long>(count)), bytes(codes.begin(), codes.end() - dropped));
        }
    }
}

/* The parts of GSM text: never cut inside an escape pair, each as long as
 * it may be. */
TEST(Library, Splitting)
{
    std::mt19937 rng(2);
    for (int round = 0; round < 400; ++round) {
        /* Lengths around the limits, of letters and escapes. */
        std::string gsm(round < 200 ? 150 + round % 20 : 300 + rng() % 300, 'a');
        for (char &c : gsm)
            c = rng() % (round % 4 + 1) ? c : '\x1b';
        size_t ends[8], parts = 0, used = 0;
        ASSERT_EQ(septcvt_split(reinterpret_cast<const uint8_t *>(gsm.data()), gsm.size(), ends, 8, &parts), SEPTCVT_OK);
        const size_t most = gsm.size() <= 160 ? 160 : 153;
        for (size_t k = 0, start = 0, i = 0; k < parts; start = ends[k++]) {
            const size_t size = ends[k] - start;
            while (i < ends[k]) /* the pairs, read from the start */
                i += gsm[i] == '\x1b' && i + 1 < gsm.size() ? 2 : 1;
            EXPECT_EQ(i, ends[k]) << "part " << k << " ends inside an escape pair";
            EXPECT_TRUE(size <= most && (size > 0 || gsm.empty())) << "part " << k << ": " << size;
            EXPECT_TRUE(k + 1 == parts || size == most || (size == most - 1 && gsm[i] == '\x1b')) << "part " << k << " short";
        }
        EXPECT_EQ(ends[parts - 1], gsm.size());
        /* Exactly as many slots as parts do; one fewer is refused with the
         * count it needs. */
        size_t exact = 0, none[8] = {0};
        EXPECT_EQ(septcvt_split(reinterpret_cast<const uint8_t *>(gsm.data()), gsm.size(), ends, parts, &exact), SEPTCVT_OK);
        EXPECT_EQ(septcvt_split(reinterpret_cast<const uint8_t *>(gsm.data()), gsm.size(), none, parts - 1, &used), SEPTCVT_NO_ROOM);
        EXPECT_EQ(std::make_tuple(exact, used, none[0]), std::make_tuple(parts, parts, size_t{0})) << "ends left as they were";
    }
}

/* The version and features the header announces are the library's. */
TEST(Library, VersionAndFeatures)
{
    const std::string version = std::to_string(SEPTCVT_VERSION_MAJOR) + "." + std::to_string(SEPTCVT_VERSION_MINOR) + "." +
                                std::to_string(SEPTCVT_VERSION_PATCH);
    EXPECT_EQ(version, septcvt_version());
    EXPECT_EQ(version, SEPTCVT_VERSION_STRING);
    EXPECT_EQ(septcvt_has_planner(), SEPTCVT_HAS_PLANNER);
    /* The grapheme rules' Unicode version, such as "15.0.0", where there are any. */
    const std::string unicode = septcvt_unicode_version();
    EXPECT_EQ(unicode.empty(), SEPTCVT_HAS_PLANNER == 0) << unicode;
    EXPECT_TRUE(unicode.empty() || (unicode.find('.') != std::string::npos && isdigit(static_cast<unsigned char>(unicode[0])))) << unicode;
}

/* Arguments that cannot be right, in turn: a status each, and nothing
 * written. */
TEST(Library, ArgumentsThatCannotBeRight)
{
    septcvt_state st, zeroed = {};
    uint8_t out[16] = {0}, codes[2] = {0x41, 0x80};
    size_t n = 0, used = 0;
    EXPECT_EQ(septcvt_init(nullptr, SEPTCVT_TO_GSM, SEPTCVT_UTF8), SEPTCVT_NULL_POINTER);
    /* Each direction and form beside every known and unknown other. */
    for (const int direction : {INT_MIN, -1, 0, SEPTCVT_TO_UNICODE, SEPTCVT_TO_GSM, 3, 0x101})
        for (const int form : {INT_MIN, -1, 0, SEPTCVT_UTF8, SEPTCVT_UCS2, 3, 0x101})
            EXPECT_EQ(septcvt_init(&st, direction, form), direction >= 1 && direction <= 2 && form >= 1 && form <= 2 ? SEPTCVT_OK : SEPTCVT_BAD_ARGUMENT)
                << direction << " " << form;
    EXPECT_EQ(septcvt_init_pair(&st, SEPTCVT_TO_GSM, SEPTCVT_UTF8, SEPTCVT_URDU + 1, 0), SEPTCVT_BAD_ARGUMENT);
    EXPECT_EQ(septcvt_init_pair(&st, SEPTCVT_TO_GSM, SEPTCVT_UTF8, 0, -1), SEPTCVT_BAD_ARGUMENT);
    EXPECT_EQ(septcvt_to_unicode_pair(SEPTCVT_UTF8, 0, SEPTCVT_URDU + 1, "A", 1, out, 16, &n, nullptr), SEPTCVT_BAD_ARGUMENT);
    /* Three bytes a code only where a locking table has such characters;
     * an unknown pair gets the most. At the largest input the room stays
     * at SIZE_MAX rather than wrap. */
    for (int id = 0; id <= SEPTCVT_URDU + 1; ++id) {
        const size_t growth = id == 0 || id == SEPTCVT_SPANISH || id == SEPTCVT_URDU ? 2 : 3, most = (SIZE_MAX - 10) / growth;
        EXPECT_EQ(septcvt_output_room_pair(100, id, 0), growth * 100 + 10) << id;
        EXPECT_EQ(septcvt_output_room_pair(most, id, 0), growth * most + 10) << id;
        EXPECT_EQ(septcvt_output_room_pair(most + 1, id, 0), SIZE_MAX) << id;
    }
    EXPECT_EQ(septcvt_output_room(SIZE_MAX), SIZE_MAX);
    EXPECT_EQ(septcvt_init(&st, SEPTCVT_TO_UNICODE, SEPTCVT_UCS2), SEPTCVT_OK);
    EXPECT_EQ(septcvt_convert(&st, nullptr, 1, &used, out, 16, &n), SEPTCVT_NULL_POINTER);
    EXPECT_EQ(septcvt_convert(&st, "A", 1, &used, nullptr, 16, &n), SEPTCVT_NULL_POINTER);
    used = n = 99;
    EXPECT_EQ(septcvt_convert(&st, "", 0, &used, out, 1, &n), SEPTCVT_NO_ROOM);
    EXPECT_EQ(septcvt_convert(&st, "A", 1, &used, out, 11, &n), SEPTCVT_NO_ROOM);
    EXPECT_EQ(septcvt_convert(&zeroed, "A", 1, &used, out, 16, &n), SEPTCVT_BAD_ARGUMENT);
    EXPECT_EQ(std::make_pair(used, n), std::make_pair(size_t{99}, size_t{99})) << "a refusal changes nothing";
    /* The first call: the mark alone fits its room exactly, and goes once. */
    uint8_t mark[2] = {0};
    EXPECT_EQ(septcvt_convert(&st, "", 0, &used, mark, 2, &n), SEPTCVT_OK);
    EXPECT_EQ(std::make_tuple(n, mark[0], mark[1]), std::make_tuple(size_t{2}, 0xFF, 0xFE));
    EXPECT_EQ(septcvt_convert(&st, "", 0, &used, nullptr, 0, &n), SEPTCVT_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(septcvt_to_gsm(SEPTCVT_UTF8, "A", 1, out, 16, nullptr, nullptr, nullptr), SEPTCVT_NULL_POINTER);
    EXPECT_EQ(septcvt_pack(codes, 1, 7, out, 16, &n), SEPTCVT_BAD_FILL_BITS);
    EXPECT_EQ(septcvt_pack(codes, 2, 0, out, 16, &n), SEPTCVT_NOT_SEPTET);
    EXPECT_EQ(septcvt_pack(codes, 1, 2, out, 1, &n), SEPTCVT_NO_ROOM);
    n = 99;
    EXPECT_EQ(septcvt_unpack_octets(codes, 2, 7, out, 16, &n), SEPTCVT_BAD_FILL_BITS);
    EXPECT_EQ(n, 99u) << "a refusal changes nothing";
    EXPECT_EQ(septcvt_split(codes, 2, &n, 1, &used), SEPTCVT_NOT_SEPTET);
    EXPECT_EQ(septcvt_split(codes, 0, nullptr, 0, &used), SEPTCVT_NO_ROOM); /* no text is one part */
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 16), std::string(16, '\0'));
}

} // namespace
