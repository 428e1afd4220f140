/* Failing streams at every position, in all four modes: nothing lost before
 * a failure, nothing written after it, and every failure in the status. A
 * stream that fails once and then takes writes again shows the latter: the
 * output must still end at the failure, with no hole in it. */
#include <gtest/gtest.h>

#include "convert.h"
#include "test_streams.h"

namespace {

struct Mode {
    const char *name;
    int reverse, ucs2;
    std::string input;
};

/* Every character of each mode's alphabet, with characters that have no
 * mapping (status 1 but no stop) mixed in. */
std::vector<Mode> modes()
{
    std::string gsm;
    for (int code = 0; code < 128; ++code)
        gsm += static_cast<char>(code);                      /* 0x1B eats 0x1C */
    gsm += "\x1b\x0a\x1b\x14\x1b\x28\x1b\x29\x1b\x2f\x1b\x3c\x1b\x3d\x1b\x3e\x1b\x40\x1b\x65";
    gsm += "\x80 \x1b\x41 end";
    std::string utf8, ucs2;
    convert_in_memory(gsm_to_unicode, false, gsm, &utf8);
    convert_in_memory(gsm_to_unicode, true, gsm, &ucs2);
    utf8 += "\xc3\xa7 tail";           /* no mapping, then more */
    ucs2 += std::string("\xe7\0!\0", 4);
    return {{"GSM to UTF-8", 0, 0, gsm},
            {"GSM to UCS-2", 0, 1, gsm},
            {"UTF-8 to GSM", 1, 0, utf8},
            {"UCS-2 to GSM", 1, 1, ucs2}};
}

struct Result {
    int status;
    std::string out;
};

/* The conversion and the final flush, as the program runs them. */
Result run(const Mode &m, size_t accept, bool buffered, bool recovers = false)
{
    opt_reverse = m.reverse;
    opt_ucs2 = m.ucs2;
    std::string sink;
    FILE *in = input_file(m.input), *out = output_stream(&sink, accept, buffered, recovers);
    int status = run_conversion(in, out);
    fclose(in);
    fclose(out);
    opt_reverse = opt_ucs2 = 0;
    return {status, sink};
}

TEST(FaultInjection, WritesFailAfterEveryByte)
{
    size_t positions = 0;
    for (const Mode &m : modes()) {
        const Result full = run(m, NO_LIMIT, false);
        ASSERT_EQ(full.status, 1) << m.name; /* the unmapped characters */
        ASSERT_GT(full.out.size(), 150u) << m.name;
        for (int variant = 0; variant < 4; ++variant) {
            const bool buffered = variant & 1, recovers = variant & 2;
            for (size_t k = 0; k <= full.out.size(); ++k, ++positions) {
                const Result r = run(m, k, buffered, recovers);
                ASSERT_EQ(r.status, 1) << m.name << " variant " << variant << " k=" << k;
                ASSERT_EQ(r.out, full.out.substr(0, k)) << m.name << " variant " << variant << " k=" << k;
            }
        }
    }
    std::printf("%zu write fault positions tried\n", positions);
}

TEST(FaultInjection, SuccessIsExactAtTheWholeLength)
{
    /* Without unmapped characters, a stream that takes exactly the whole
     * output gives status 0: the limit itself is no failure. */
    const Mode clean[] = {{"GSM to UTF-8", 0, 0, "Hi \x1b\x65\x10"},
                          {"GSM to UCS-2", 0, 1, "Hi \x1b\x65\x10"},
                          {"UTF-8 to GSM", 1, 0, "Hi \xe2\x82\xac"},
                          {"UCS-2 to GSM", 1, 1, std::string("\xff\xfeH\0\xac\x20", 6)}};
    for (const Mode &m : clean) {
        for (bool buffered : {false, true}) {
            const Result full = run(m, NO_LIMIT, buffered);
            const Result exact = run(m, full.out.size(), buffered);
            EXPECT_EQ(exact.status, 0) << m.name;
            EXPECT_EQ(exact.out, full.out) << m.name;
            EXPECT_EQ(run(m, full.out.size() - 1, buffered).status, 1) << m.name;
        }
    }
}

} // namespace
