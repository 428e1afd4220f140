/* The reverse conversion on arbitrary bytes, UTF-8 or UCS-2 as the first
 * byte picks, against a small reference written plainly here: same output,
 * same status, and only bytes 0x00-0x7F in the output. */
#include <cstdint>
#include <string>

#include "convert.h"
#include "fuzz_check.h"
#include "reference.h"
#include "test_streams.h"

namespace {

int ref_reverse(const std::string &in, bool ucs2, std::string *out)
{
    int status = 0;
    auto put = [&](uint32_t cp) {
        const std::string gsm = cp > 0xFFFF ? "" : ref_gsm(cp);
        if (gsm.empty())
            status = 1;
        *out += gsm;
    };
    if (ucs2) {
        auto byte = [&in](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(in[i])); };
        if (in.size() < 2)
            return 1;
        const bool little = byte(0) == 0xFF && byte(1) == 0xFE;
        const bool big = byte(0) == 0xFE && byte(1) == 0xFF;
        if (!little && !big)
            return 1;
        for (size_t i = 2; i + 1 < in.size(); i += 2)
            put(little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1));
        return status;
    }
    for (size_t pos = 0;;) {
        const RefDecoded d = ref_utf8_decode(in, pos);
        if (d.status == 1)
            return status; /* the end, also inside a sequence */
        if (d.status != 0)
            return 1;
        put(d.value);
        pos = d.next;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool ucs2 = data[0] & 1;
    const std::string in(reinterpret_cast<const char *>(data) + 1, size - 1);

    opt_ucs2 = ucs2;
    std::string out;
    FILE *i = input_stream(in), *o = output_stream(&out, NO_LIMIT, true);
    const int status = unicode_to_gsm(i, o);
    FUZZ_CHECK(fflush(o) == 0);
    fclose(i);
    fclose(o);
    opt_ucs2 = 0;

    std::string want;
    const int want_status = ref_reverse(in, ucs2, &want);
    for (char c : out)
        FUZZ_CHECK(static_cast<unsigned char>(c) <= 0x7F);
    FUZZ_CHECK(out == want);
    FUZZ_CHECK(status == want_status);
    return 0;
}
