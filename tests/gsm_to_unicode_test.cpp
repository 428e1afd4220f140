#include <gtest/gtest.h>

#include <set>

#include "convert.h"
#include "gsm_tables.h"
#include "reference.h"
#include "test_streams.h"

namespace {

TEST(GsmTables, MatchThePrintedAlphabet)
{
    for (int code = 0; code < 128; ++code) {
        EXPECT_EQ(gsm_base_table[code], ref_base(code)) << std::hex << code;
        uint32_t esc = ref_escape(code);
        EXPECT_EQ(gsm_escape_table[code], esc == REF_NONE ? NO_MAPPING : esc) << std::hex << code;
    }
}

TEST(GsmTables, NoValueStandsTwice)
{
    std::set<uint16_t> seen;
    for (const uint16_t *table : {gsm_base_table, gsm_escape_table}) {
        for (int code = 0; code < 128; ++code) {
            if (table[code] != NO_MAPPING) {
                EXPECT_TRUE(seen.insert(table[code]).second) << std::hex << table[code];
            }
        }
    }
    EXPECT_EQ(seen.size(), 138u);
}

struct Result {
    int status;
    std::string out;
};

Result forward(const std::string &in, bool ucs2)
{
    std::string out;
    const int status = convert_in_memory(gsm_to_unicode, ucs2, in, &out);
    return {status, out};
}

std::string encode(uint32_t cp, bool ucs2)
{
    return ucs2 ? ref_ucs2le(cp) : ref_utf8(cp);
}

/* Every single byte and every byte after an escape, in both output forms. */
TEST(GsmToUnicode, EveryByteAndEveryEscapePair)
{
    for (bool ucs2 : {false, true}) {
        const std::string mark = ucs2 ? "\xff\xfe" : "";
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE(testing::Message() << "ucs2=" << ucs2 << std::hex << " byte " << b);
            uint32_t base = ref_base(b);
            Result alone = forward(std::string(1, static_cast<char>(b)), ucs2);
            if (b == 0x1B)
                EXPECT_EQ(alone.status, 0); /* a trailing escape is dropped */
            else
                EXPECT_EQ(alone.status, base == REF_NONE ? 1 : 0);
            EXPECT_EQ(alone.out, mark + (base == REF_NONE || b == 0x1B ? "" : encode(base, ucs2)));

            uint32_t esc = ref_escape(b);
            Result pair = forward(std::string{'\x1b', static_cast<char>(b), 'A'}, ucs2);
            EXPECT_EQ(pair.status, esc == REF_NONE ? 1 : 0);
            EXPECT_EQ(pair.out, mark + (esc == REF_NONE ? "" : encode(esc, ucs2)) + encode('A', ucs2));
        }
    }
}

} // namespace
