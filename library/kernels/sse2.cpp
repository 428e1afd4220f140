/* 16-byte windows with SSE2, the baseline of every x86-64 processor. */
#include "kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <emmintrin.h>

#include "gsm_tables.h"
#include "window_rules.h"
#include "window_writes.h"

namespace {

/* Text of one code a byte, with escapes, none after another escape, and
 * nothing above 0x7F. */
size_t forward(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const __m128i escape = _mm_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 16 <= len) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(v));
        const uint32_t escapes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, escape)));
        const unsigned n = forward_window_takes(16, high, escapes);
        if (n == 0)
            break;
        if (escapes == 0) {
            write_gsm_window(forms, in + i, 16, o);
            i += 16;
            continue;
        }
        write_pair_window(forms, forms + FORWARD_ESCAPED, in + i, uint64_t{escapes} << 1, n, o, unmapped);
        i += n;
    }
    out_at = o;
    return i;
}

/* ASCII and well-formed two-byte forms; a lead byte at the window's end is
 * left for the next window. */
size_t reverse_utf8(const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    /* Signed compares: 0x80-0xBF are -128 to -65, 0xC2-0xDF are -62 to -33. */
    const __m128i below_c0 = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i above_c1 = _mm_set1_epi8(static_cast<char>(0xC1));
    const __m128i below_e0 = _mm_set1_epi8(static_cast<char>(0xE0));
    while (i + 17 <= len) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i lead_bytes = _mm_and_si128(_mm_cmpgt_epi8(v, above_c1), _mm_cmpgt_epi8(below_e0, v));
        const __m128i second_bytes = _mm_cmpgt_epi8(below_c0, v);
        const uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(v));
        const uint32_t continuations = static_cast<uint32_t>(_mm_movemask_epi8(second_bytes));
        const uint32_t leads = static_cast<uint32_t>(_mm_movemask_epi8(lead_bytes));
        if (!utf8_window_taken(high, leads, continuations, utf8_second_bytes(16, leads)))
            break;
        /* Each position's unit: a two-byte form's value at its lead byte,
         * GSM_INSIDE at its second byte, the byte itself elsewhere. */
        const __m128i zero = _mm_setzero_si128(), next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 1));
        alignas(16) uint16_t units[16];
        for (int half = 0; half < 2; ++half) {
            const __m128i here16 = half ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero);
            const __m128i next16 = half ? _mm_unpackhi_epi8(next, zero) : _mm_unpacklo_epi8(next, zero);
            const __m128i lead16 = half ? _mm_unpackhi_epi8(lead_bytes, lead_bytes) : _mm_unpacklo_epi8(lead_bytes, lead_bytes);
            const __m128i second16 =
                half ? _mm_unpackhi_epi8(second_bytes, second_bytes) : _mm_unpacklo_epi8(second_bytes, second_bytes);
            const __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(here16, _mm_set1_epi16(0x1F)), 6),
                                             _mm_and_si128(next16, _mm_set1_epi16(0x3F)));
            __m128i unit = _mm_or_si128(_mm_and_si128(lead16, two), _mm_andnot_si128(lead16, here16));
            unit = _mm_or_si128(_mm_andnot_si128(second16, unit), _mm_and_si128(second16, _mm_set1_epi16(GSM_INSIDE)));
            _mm_store_si128(reinterpret_cast<__m128i *>(units + 8 * half), unit);
        }
        const unsigned n = utf8_window_takes(16, leads);
        write_unit_window(units, n, o, unmapped);
        i += n;
    }
    out_at = o;
    return i;
}

} // namespace

extern const kernel_set sse2_kernels = {"sse2",  1,       16,      forward, forward, reverse_utf8,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

#endif
