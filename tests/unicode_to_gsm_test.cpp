#include <gtest/gtest.h>

#include "convert.h"
#include "oracles.h"
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

/* Each unit in all three forms, cut at every byte, through the core and
 * through the reference conversion. */
TEST(UnicodeToGsm, EveryUnitInEveryForm)
{
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
        const std::string le = ref_ucs2le(unit), be{le[1], le[0]};
        ASSERT_TRUE(core_agrees(true, true, "\xff\xfe" + le + "A\0", unit)) << std::hex << unit;
        ASSERT_TRUE(core_agrees(true, true, "\xfe\xff" + be + "\0A", unit)) << std::hex << unit;
        ASSERT_TRUE(core_agrees(true, false, ref_utf8(unit) + "A", unit)) << std::hex << unit;
    }
}

} // namespace
