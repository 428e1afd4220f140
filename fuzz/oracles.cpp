#include "oracles.h"

#include <memory>
#include <random>

#include "block.h"
#include "convert.h"
#include "kernels.h"
#include "reference.h"
#include "test_streams.h"
#include "utf8.h"

bool operator==(const Converted &a, const Converted &b)
{
    return a.status == b.status && a.out == b.out && a.used == b.used;
}

namespace {

using Stream = std::unique_ptr<FILE, int (*)(FILE *)>;

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

} // namespace

Converted ref_forward(const std::string &in, bool ucs2)
{
    Converted r{0, ucs2 ? "\xff\xfe" : "", in.size()};
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t cp = ref_base(static_cast<unsigned char>(in[i]));
        if (cp == 0x1B) {
            if (++i == in.size())
                break;
            cp = ref_escape(static_cast<unsigned char>(in[i]));
        }
        if (cp == REF_NONE)
            r.status = 1;
        else
            r.out += ucs2 ? ref_ucs2le(cp) : ref_utf8(cp);
    }
    return r;
}

Converted ref_reverse(const std::string &in, bool ucs2)
{
    Converted r{0, "", in.size()};
    auto put = [&r](uint32_t cp) {
        const std::string gsm = cp > 0xFFFF ? "" : ref_gsm(cp);
        if (gsm.empty())
            r.status = 1;
        r.out += gsm;
    };
    if (ucs2) {
        auto byte = [&in](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(in[i])); };
        const bool little = in.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
        const bool big = in.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
        if (!little && !big)
            return {1, "", std::min<size_t>(in.size(), 2)};
        for (size_t i = 2; i + 1 < in.size(); i += 2)
            put(little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1));
        return r;
    }
    for (size_t pos = 0;;) {
        const RefDecoded d = ref_utf8_decode(in, pos);
        if (d.status == 1)
            return r; /* the end, also inside a sequence */
        if (d.status != 0)
            return {1, r.out, d.next};
        put(d.value);
        pos = d.next;
    }
}

Converted core_convert(const kernel_set *kernels, bool reverse, bool ucs2, const std::string &in,
                       const std::vector<size_t> &cuts)
{
    block_state st;
    std::vector<uint8_t> out(output_room(0));
    Converted r{0, "", in.size()};
    if (reverse)
        reverse_start(st, ucs2);
    else
        r.out.assign(reinterpret_cast<char *>(out.data()), forward_start(st, ucs2, out.data()));
    st.kernels = kernels;
    size_t pos = 0;
    for (size_t end : cuts) {
        if (end <= pos)
            continue;
        /* Buffers of exactly the promised size, so that a sanitizer sees a
         * read past the piece or a store past the room. */
        std::vector<uint8_t> piece(in.begin() + static_cast<long>(pos), in.begin() + static_cast<long>(end));
        out.assign(output_room(piece.size()), 0);
        size_t used = 0;
        const size_t n = (reverse ? reverse_block : forward_block)(st, piece.data(), piece.size(), &used,
                                                                   out.data());
        r.out.append(reinterpret_cast<char *>(out.data()), n);
        if (st.stop)
            return {1, r.out, pos + used};
        pos = end;
    }
    r.status = end_status(st);
    return r;
}

bool core_agrees(bool reverse, bool ucs2, const std::string &in, unsigned seed)
{
    const Converted want = reverse ? ref_reverse(in, ucs2) : ref_forward(in, ucs2);
    std::vector<size_t> whole = {in.size()}, bytes, random;
    std::mt19937 rng(seed);
    for (size_t i = 1; i <= in.size(); ++i) {
        bytes.push_back(i);
        if (i == in.size() || rng() % 4 == 0)
            random.push_back(i);
    }
    std::vector<const kernel_set *> sets = {nullptr};
    for (const kernel_set *const *k = runnable_kernels(); *k != nullptr; ++k)
        sets.push_back(*k);
    for (const kernel_set *k : sets)
        if (!(core_convert(k, reverse, ucs2, in, whole) == want && core_convert(k, reverse, ucs2, in, bytes) == want &&
              core_convert(k, reverse, ucs2, in, random) == want))
            return false;
    return true;
}

bool utf8_get_agrees(const std::string &in)
{
    Stream f(memory_stream(in), fclose);
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
