#include <gtest/gtest.h>

#include "reference.h"
#include "test_streams.h"
#include "utf8.h"

namespace {

struct Written {
    int status;
    std::string bytes;
};

Written put(uint32_t cp, size_t accept = NO_LIMIT)
{
    std::string sink;
    FILE *out = output_stream(&sink, accept);
    int status = utf8_put(out, cp);
    fclose(out);
    return {status, sink};
}

TEST(Utf8Put, FormsAndRefusals)
{
    const struct {
        uint32_t cp;
        int status;
        std::string bytes;
    } cases[] = {
        {0x0, UTF_OK, std::string(1, '\0')},
        {0x41, UTF_OK, "\x41"},
        {0x7F, UTF_OK, "\x7f"},
        {0x80, UTF_OK, "\xc2\x80"},
        {0xA3, UTF_OK, "\xc2\xa3"},
        {0x394, UTF_OK, "\xce\x94"},
        {0x7FF, UTF_OK, "\xdf\xbf"},
        {0x800, UTF_OK, "\xe0\xa0\x80"},
        {0x20AC, UTF_OK, "\xe2\x82\xac"},
        {0xFFFD, UTF_OK, "\xef\xbf\xbd"},
        {0x10000, UTF_OK, "\xf0\x90\x80\x80"},
        {0x1FFFE, UTF_OK, "\xf0\x9f\xbf\xbe"},
        {0x10FFFF, UTF_OK, "\xf4\x8f\xbf\xbf"},
        {0x1FFFFF, UTF_OK, "\xf7\xbf\xbf\xbf"},
        {0x200000, UTF_OK, "\xf8\x88\x80\x80\x80"},
        {0x3FFFFFF, UTF_OK, "\xfb\xbf\xbf\xbf\xbf"},
        {0x4000000, UTF_OK, "\xfc\x84\x80\x80\x80\x80"},
        {0x7FFFFFFF, UTF_OK, "\xfd\xbf\xbf\xbf\xbf\xbf"},
        {0xD7FF, UTF_OK, "\xed\x9f\xbf"},
        {0xD800, UTF_SURROGATE, ""},
        {0xDFFF, UTF_SURROGATE, ""},
        {0xE000, UTF_OK, "\xee\x80\x80"},
        {0xFFFE, UTF_NONCHAR, ""},
        {0xFFFF, UTF_NONCHAR, ""},
        {0x80000000, UTF_NONCHAR, ""},
        {0xFFFFFFFF, UTF_NONCHAR, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "U+" << c.cp);
        Written w = put(c.cp);
        EXPECT_EQ(w.status, c.status);
        EXPECT_EQ(w.bytes, c.bytes);
        EXPECT_EQ(ucs_check(c.cp), c.status);
    }
}

TEST(Utf8Put, MissingStream)
{
    EXPECT_EQ(utf8_put(nullptr, 0x41), UTF_NULL);
    EXPECT_EQ(utf8_put(nullptr, 0xD800), UTF_NULL);
}

TEST(Utf8Put, FailedWriteKeepsEarlierBytes)
{
    for (uint32_t cp : {0x41u, 0xA3u, 0x20ACu, 0x10000u, 0x200000u, 0x7FFFFFFFu}) {
        const std::string full = ref_utf8(cp);
        for (size_t k = 0; k < full.size(); ++k) {
            Written w = put(cp, k);
            EXPECT_EQ(w.status, UTF_IO) << std::hex << cp << " k=" << k;
            EXPECT_EQ(w.bytes, full.substr(0, k)) << std::hex << cp << " k=" << k;
        }
    }
}

} // namespace
