#include <gtest/gtest.h>

#include "convert.h"
#include "reference.h"
#include "test_streams.h"

namespace {

TEST(GsmPut, EveryUnitAgreesWithTableSearch)
{
    std::string sink;
    FILE *out = output_stream(&sink);
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        sink.clear();
        const std::string want = ref_gsm(unit);
        ASSERT_EQ(gsm_put(out, static_cast<uint16_t>(unit)), want.empty() ? 1 : 0) << std::hex << unit;
        ASSERT_EQ(sink, want) << std::hex << unit;
    }
    fclose(out);
}

TEST(GsmPut, FailedWrites)
{
    const struct {
        uint16_t unit;
        size_t accept;
        std::string written;
    } cases[] = {
        {0x0041, 0, ""},
        {0x20AC, 0, ""},     /* no escape byte, so no code after it */
        {0x20AC, 1, "\x1b"}, /* the escape byte stays written */
    };
    for (const auto &c : cases) {
        std::string sink;
        FILE *out = output_stream(&sink, c.accept);
        EXPECT_EQ(gsm_put(out, c.unit), 1) << std::hex << c.unit << " accept " << c.accept;
        EXPECT_EQ(sink, c.written) << std::hex << c.unit << " accept " << c.accept;
        fclose(out);
    }
}

/* After a failed write nothing more reaches the output, even where the
 * stream would take it again: the output is a clean prefix, never one with a
 * hole in it. Unmapped characters in between do not stop the conversion. */
TEST(UnicodeToGsm, StopsAtTheFirstFailedWrite)
{
    const std::string text = "a\xc3\xa7" "bc\xe2\x82\xac" "d\xc3\xa7" "e";
    const std::string full = "ab" "c\x1b\x65" "de";
    for (size_t k = 0; k < full.size(); ++k) {
        std::string sink;
        FILE *in = input_stream(text), *out = output_stream(&sink, k, false, true);
        EXPECT_EQ(unicode_to_gsm(in, out), 1) << "k=" << k;
        EXPECT_EQ(sink, full.substr(0, k)) << "k=" << k;
        fclose(in);
        fclose(out);
    }
}

TEST(UnicodeToGsm, ReadErrorIsNotTheEnd)
{
    const struct {
        bool ucs2;
        std::string in;
    } inputs[] = {
        {false, "Hi \xe2\x82\xac!"},
        {true, std::string("\xff\xfeH\0i\0\xac\x20", 8)},
    };
    for (const auto &c : inputs) {
        for (size_t k = 0; k < c.in.size(); ++k) {
            opt_ucs2 = c.ucs2;
            std::string sink;
            FILE *in = input_stream(c.in, k), *out = output_stream(&sink);
            EXPECT_EQ(unicode_to_gsm(in, out), 1) << "ucs2=" << c.ucs2 << " k=" << k;
            fclose(in);
            fclose(out);
            opt_ucs2 = 0;
        }
    }
}

} // namespace
