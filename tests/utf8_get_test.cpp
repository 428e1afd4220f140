#include <gtest/gtest.h>

#include <random>

#include "oracles.h"
#include "reference.h"
#include "test_streams.h"
#include "utf8.h"

namespace {

using namespace std::string_literals;

/* The first call on in: status, stored value and bytes used up. */
RefDecoded first_call(const std::string &in)
{
    FILE *f = memory_stream(in);
    uint32_t value = 0x12345678;
    const int status = utf8_get(f, &value);
    const size_t used = static_cast<size_t>(ftell(f));
    fclose(f);
    return {status, value, used};
}

std::string hex(const std::string &s)
{
    std::string h;
    char buf[4];
    for (unsigned char c : s) {
        snprintf(buf, sizeof buf, "%02X ", c);
        h += buf;
    }
    return h;
}

TEST(Utf8Get, FirstCall)
{
    const struct {
        std::string in;
        int status;
        uint32_t value;
        size_t used;
    } cases[] = {
        {"\x00"s, UTF_OK, 0x0, 1},
        {"\x41", UTF_OK, 0x41, 1},
        {"\xc2\xa3", UTF_OK, 0xA3, 2},
        {"\xe0\xa0\x80", UTF_OK, 0x800, 3},
        {"\xf0\x90\x80\x80", UTF_OK, 0x10000, 4},
        {"\xf4\x90\x80\x80", UTF_OK, 0x110000, 4},
        {"\xf8\x88\x80\x80\x80", UTF_OK, 0x200000, 5},
        {"\xfc\x84\x80\x80\x80\x80", UTF_OK, 0x4000000, 6},
        {"\xfd\xbf\xbf\xbf\xbf\xbf", UTF_OK, 0x7FFFFFFF, 6},
        {"\xc0\x80", UTF_BADSEQ, 0xFFFE, 1},
        {"\xc1\xbf", UTF_BADSEQ, 0xFFFE, 1},
        {"\xe0\x80\x80", UTF_BADSEQ, 0xFFFE, 3},
        {"\xe0\x9f\xbf", UTF_BADSEQ, 0xFFFE, 3},
        {"\xf0\x8f\xbf\xbf", UTF_BADSEQ, 0xFFFE, 4},
        {"\xf8\x87\xbf\xbf\xbf", UTF_BADSEQ, 0xFFFE, 5},
        {"\xfc\x83\xbf\xbf\xbf\xbf", UTF_BADSEQ, 0xFFFE, 6},
        {"\xed\xa0\x80", UTF_SURROGATE, 0xD800, 3},
        {"\xed\xbf\xbf", UTF_SURROGATE, 0xDFFF, 3},
        {"\xef\xbf\xbe", UTF_NONCHAR, 0xFFFE, 3},
        {"\xef\xbf\xbf", UTF_NONCHAR, 0xFFFF, 3},
        {"\xf0\x9f\xbf\xbe", UTF_OK, 0x1FFFE, 4},
        {"\xe2\x82", UTF_IO, 0xFFFE, 2},
        {"\xe2\x41", UTF_IO, 0xFFFE, 2},
        {"\xe2\x41\x42", UTF_BADSEQ, 0xFFFE, 3},
        {"\xc3\xff", UTF_BADSEQ, 0xFFFE, 2},
        {"\xc3\xc3\xa9", UTF_BADSEQ, 0xFFFE, 2},
        {"\xc3\x41" "B", UTF_BADSEQ, 0xFFFE, 2},
        {"\x80", UTF_BADSEQ, 0xFFFE, 1},
        {"\xfe", UTF_BADSEQ, 0xFFFE, 1},
        {"\xff\x41", UTF_BADSEQ, 0xFFFE, 1},
        {"", UTF_IO, 0xFFFE, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(hex(c.in));
        RefDecoded got = first_call(c.in);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.value, c.value);
        EXPECT_EQ(got.next, c.used);
    }
}

TEST(Utf8Get, MissingStreamOrResult)
{
    uint32_t value = 7;
    EXPECT_EQ(utf8_get(nullptr, &value), UTF_NULL);
    EXPECT_EQ(value, 7u);
    FILE *f = memory_stream("A");
    EXPECT_EQ(utf8_get(f, nullptr), UTF_NULL);
    EXPECT_EQ(utf8_get(f, &value), UTF_OK); /* nothing was read */
    EXPECT_EQ(value, 0x41u);
    fclose(f);
}

TEST(Utf8Get, EveryTwoByteInputAgreesWithReference)
{
    for (int i = 0; i < 0x10000; ++i) {
        const std::string in{static_cast<char>(i >> 8), static_cast<char>(i & 0xFF)};
        ASSERT_TRUE(utf8_get_agrees(in)) << hex(in);
    }
}

TEST(Utf8Get, RandomInputsAgreeWithReference)
{
    /* Bytes drawn mostly from the lead and continuation ranges, so that long,
     * nearly valid sequences are common. */
    const unsigned seed = 4242;
    std::mt19937 rng(seed);
    const unsigned char pool[] = {0x00, 0x41, 0x7F, 0x80, 0x84, 0x88, 0x8F, 0x90, 0x9F,
                                  0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0,
                                  0xF4, 0xF7, 0xF8, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
    std::uniform_int_distribution<size_t> pick(0, sizeof pool + 15), len(1, 24);
    for (int round = 0; round < 20000; ++round) {
        std::string in;
        for (size_t n = len(rng); n > 0; --n) {
            size_t k = pick(rng);
            in += static_cast<char>(k < sizeof pool ? pool[k] : 0x80 + (k * 7 + round) % 64);
        }
        ASSERT_TRUE(utf8_get_agrees(in)) << "seed " << seed << ": " << hex(in);
    }
}

TEST(Utf8Get, RoundTripsTheWriter)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<uint32_t> any(0, 0x7FFFFFFF);
    std::vector<uint32_t> points = {0x0, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD,
                                    0x10000, 0x10FFFF, 0x1FFFFF, 0x200000, 0x3FFFFFF,
                                    0x4000000, 0x7FFFFFFF};
    for (int i = 0; i < 100000; ++i)
        points.push_back(any(rng));
    for (uint32_t cp : points) {
        if (ucs_check(cp) != UTF_OK)
            continue;
        std::string bytes;
        FILE *out = output_stream(&bytes);
        ASSERT_EQ(utf8_put(out, cp), UTF_OK);
        fclose(out);
        RefDecoded got = first_call(bytes);
        ASSERT_EQ(got.status, UTF_OK) << std::hex << cp;
        ASSERT_EQ(got.value, cp);
        ASSERT_EQ(got.next, bytes.size());
    }
}

} // namespace
