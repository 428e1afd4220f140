/* Arbitrary bytes through GSM to Unicode and back: exactly the codes that had
 * a mapping come back, escape pairs kept, and the forward status is 1 exactly
 * when something had none. The first byte picks UTF-8 or UCS-2. */
#include <cstdint>
#include <string>

#include "convert.h"
#include "fuzz_check.h"
#include "reference.h"
#include "test_streams.h"

namespace {

/* The GSM text that survives, and whether anything was left out. */
std::string kept_codes(const std::string &in, bool *lost)
{
    std::string kept;
    *lost = false;
    for (size_t i = 0; i < in.size(); ++i) {
        const int b = static_cast<unsigned char>(in[i]);
        if (b == 0x1B) {
            if (++i == in.size())
                break; /* a trailing escape is dropped, and is no loss */
            const int next = static_cast<unsigned char>(in[i]);
            if (ref_escape(next) == REF_NONE)
                *lost = true;
            else
                kept += std::string{'\x1b', static_cast<char>(next)};
        } else if (ref_base(b) == REF_NONE) {
            *lost = true;
        } else {
            kept += static_cast<char>(b);
        }
    }
    return kept;
}

int convert(int (*conversion)(FILE *, FILE *), const std::string &in, std::string *out)
{
    FILE *i = input_stream(in), *o = output_stream(out, NO_LIMIT, true);
    int status = conversion(i, o);
    FUZZ_CHECK(fflush(o) == 0);
    fclose(i);
    fclose(o);
    return status;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    opt_ucs2 = data[0] & 1;
    const std::string gsm(reinterpret_cast<const char *>(data) + 1, size - 1);
    bool lost;
    const std::string kept = kept_codes(gsm, &lost);

    std::string unicode, back;
    FUZZ_CHECK(convert(gsm_to_unicode, gsm, &unicode) == (lost ? 1 : 0));
    FUZZ_CHECK(convert(unicode_to_gsm, unicode, &back) == 0);
    FUZZ_CHECK(back == kept);
    opt_ucs2 = 0;
    return 0;
}
