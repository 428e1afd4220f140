#include "oracles.h"

#include <memory>

#include "convert.h"
#include "reference.h"
#include "test_streams.h"
#include "utf8.h"

namespace {

using Stream = std::unique_ptr<FILE, int (*)(FILE *)>;

Stream reading(const std::string &in)
{
    return Stream(input_stream(in), fclose);
}

/* The GSM text that survives a conversion, and whether anything was lost. */
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
        const bool little = in.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
        const bool big = in.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
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

bool utf8_get_agrees(const std::string &in)
{
    Stream f = reading(in);
    for (size_t pos = 0;;) {
        uint32_t value = 0x12345678;
        const int status = utf8_get(f.get(), &value);
        const RefDecoded want = ref_utf8_decode(in, pos);
        if (status != want.status || value != want.value ||
            static_cast<size_t>(ftell(f.get())) != want.next)
            return false;
        if (status == UTF_IO)
            return true;
        pos = want.next;
    }
}

bool round_trip_agrees(bool ucs2, const std::string &gsm)
{
    bool lost;
    const std::string kept = kept_codes(gsm, &lost);
    std::string unicode, back;
    return convert_in_memory(gsm_to_unicode, ucs2, gsm, &unicode) == (lost ? 1 : 0) &&
           convert_in_memory(unicode_to_gsm, ucs2, unicode, &back) == 0 && back == kept;
}

bool reverse_agrees(bool ucs2, const std::string &in)
{
    std::string out, want;
    const int status = convert_in_memory(unicode_to_gsm, ucs2, in, &out);
    for (char c : out)
        if (static_cast<unsigned char>(c) > 0x7F)
            return false;
    return status == ref_reverse(in, ucs2, &want) && out == want;
}
