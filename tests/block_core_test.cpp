/* The conversion core: the result must not depend on where the blocks end. */
#include <gtest/gtest.h>

#include <random>

#include "oracles.h"

namespace {

using namespace std::string_literals;

struct Case {
    const char *name;
    bool reverse, ucs2;
    std::string in;
};

/* Short inputs with each kind of sequence a block end can cut. */
const Case cases[] = {
    {"escape pair", false, false, "A\x1b\x65" "B"},
    {"escape pair in UCS-2", false, true, "A\x1b\x3c\x10"},
    {"escape after escape", false, false, "\x1b\x1b\x65\x1b\x1b\x1b\x28"},
    {"escape without mapping, byte above 0x7F", false, true, "\x1b\x41\x80" "B\x1b\xff" "C"},
    {"trailing escape", false, false, "AB\x1b"},
    {"two, three and four bytes", true, false, "\xc2\xa3\xe2\x82\xac\xf0\x90\x80\xae" "A"},
    {"five and six bytes", true, false, "\xf8\x88\x80\x80\x80\xfc\x84\x80\x80\x80\x80" "A"},
    {"U+10041 has no mapping", true, false, "\xf0\x90\x81\x81" "A"},
    {"brace: one byte, two out", true, false, "{\xce\x94}"},
    {"bad lead byte uses one byte", true, false, "A\xc0\x80REST"},
    {"bad continuation uses the whole length", true, false, "A\xe2\x41\x42REST"},
    {"overlong three bytes", true, false, "A\xe0\x80\x80REST"},
    {"surrogate", true, false, "A\xed\xa0\x80REST"},
    {"U+FFFF", true, false, "A\xef\xbf\xbfREST"},
    {"cut off at the end, ASCII inside", true, false, "A\xe2\x41"},
    {"cut off six-byte form", true, false, "A\xfc\x84\x80\x80\x80"},
    {"UCS-2 little-endian", true, true, "\xff\xfe" "A\0\xac\x20\x94\x03"s},
    {"UCS-2 big-endian", true, true, "\xfe\xff\0A\x20\xac\x03\x94"s},
    {"UCS-2 later FF FE is a unit", true, true, "\xff\xfe" "A\0\xff\xfe" "B\0"s},
    {"UCS-2 odd byte at the end", true, true, "\xfe\xff\0A\0"s},
    {"UCS-2 without a mark uses two bytes", true, true, "A\0REST"s},
    {"UCS-2 only one byte", true, true, "\xff"},
};

TEST(BlockCore, EveryCutOfEachKindOfSequence)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Converted want = c.reverse ? ref_reverse(c.in, c.ucs2) : ref_forward(c.in, c.ucs2);
        const size_t n = c.in.size();
        for (size_t a = 0; a <= n; ++a) {
            for (size_t b = a; b <= n; ++b) {
                const Converted got = core_convert(nullptr, c.reverse, c.ucs2, c.in, {a, b, n});
                ASSERT_TRUE(got == want) << "cut at " << a << " and " << b << ": status " << got.status
                                         << ", used " << got.used << ", out " << testing::PrintToString(got.out);
            }
        }
        ASSERT_TRUE(core_agrees(c.reverse, c.ucs2, c.in, 1));
    }
}

/* Longer inputs from the bytes that matter, in random pieces. */
TEST(BlockCore, RandomInputsInRandomPieces)
{
    const std::string gsm_bytes = "\x1b\x1b\x1b\x65\x28\x41\x10\x80\xff\x00 aZ"s;
    const std::string utf8_bytes = "\xc2\xa3\xce\x94\xe2\x82\xac\xf0\x90\xfc\x80\xbf\xc0\xed\xa0{A "s;
    const std::string ucs2_bytes = "\xff\xfe\x00\x20\xac\x03\x94\x41\xd8"s;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        for (int mode = 0; mode < 4; ++mode) {
            const bool reverse = mode & 2, ucs2 = mode & 1;
            const std::string &alphabet = !reverse ? gsm_bytes : ucs2 ? ucs2_bytes : utf8_bytes;
            std::string in = reverse && ucs2 ? (seed % 2 ? "\xff\xfe" : "\xfe\xff") : "";
            for (size_t len = rng() % 200; in.size() < len;)
                in += alphabet[rng() % alphabet.size()];
            ASSERT_TRUE(core_agrees(reverse, ucs2, in, seed)) << "seed " << seed << " mode " << mode;
        }
    }
}

} // namespace
