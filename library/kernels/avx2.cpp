/* 32-byte windows with AVX2, chosen at run time where the processor has it.
 * Built with target attributes rather than a flag for the whole file, so no
 * code shared with the rest of the program is compiled for AVX2; every
 * function that handles a 256-bit value carries the attribute. No 256-bit
 * value lives in memory of its own: spilled to a stack that is aligned to
 * 16 bytes only, as on 64-bit Windows, it would fault. */
#include "kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "gsm_tables.h"
#include "window_rules.h"
#include "window_writes.h"

#define AVX2 __attribute__((target("avx2")))

namespace {

/* All 32 bytes are codes below 0x80 that stand for themselves, as the
 * lookup by low nibble `identity` holds them (gsm_identity_by_low_nibble
 * for the default pair). */
AVX2 inline bool all_identity(__m256i v, const uint8_t *identity = gsm_identity_by_low_nibble.data())
{
    const __m256i by_low = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(identity)));
    /* 1 << (byte >> 4) for the high nibbles 0-7; bytes above 0x7F find 0. */
    const __m256i bit_of_high = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8,
                                                 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i low = _mm256_and_si256(v, nibble);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
    const __m256i hit = _mm256_and_si256(_mm256_shuffle_epi8(by_low, low), _mm256_shuffle_epi8(bit_of_high, high));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256())) == 0;
}

/* Writes 32 bytes that stand for themselves: as they are into UTF-8, or
 * widened to little-endian units. */
template <bool UCS2>
AVX2 inline void write_identity(__m256i v, uint8_t *&o)
{
    if (UCS2) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i a = _mm256_unpacklo_epi8(v, zero), b = _mm256_unpackhi_epi8(v, zero);
        /* Within each 128-bit lane: a holds units 0-7 and 16-23, b 8-15 and 24-31. */
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o), _mm256_permute2x128_si256(a, b, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o + 32), _mm256_permute2x128_si256(a, b, 0x31));
        o += 64;
    } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o), v);
        o += 32;
    }
}

/* As the SSE2 kernel, and a window of codes that stand for themselves is
 * copied whole: as it is into UTF-8, or widened to little-endian units. */
template <bool UCS2>
AVX2 size_t forward(const unicode_form *forms, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const __m256i escape = _mm256_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 32 <= len) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(v));
        const uint32_t escapes = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, escape)));
        const unsigned n = forward_window_takes(32, high, escapes);
        if (n == 0)
            break;
        if (escapes == 0 && all_identity(v)) {
            write_identity<UCS2>(v, o);
            i += 32;
            continue;
        }
        if (escapes == 0) {
            write_gsm_window(forms, in + i, 32, o);
            i += 32;
            continue;
        }
        write_pair_window(forms, forms + FORWARD_ESCAPED, in + i, uint64_t{escapes} << 1, n, o, unmapped);
        i += n;
    }
    out_at = o;
    return i;
}

/* Each position's unit of a window of UTF-8 of one and two bytes: a
 * two-byte form's value at its lead byte, GSM_INSIDE at its second byte,
 * the byte itself elsewhere. */
AVX2 inline void units_of(const uint8_t *in, __m256i v, __m256i lead_bytes, __m256i second_bytes, uint16_t *units)
{
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + 1));
    for (int half = 0; half < 2; ++half) {
        const __m128i h = half ? _mm256_extracti128_si256(v, 1) : _mm256_castsi256_si128(v);
        const __m128i n8 = half ? _mm256_extracti128_si256(next, 1) : _mm256_castsi256_si128(next);
        const __m128i l8 = half ? _mm256_extracti128_si256(lead_bytes, 1) : _mm256_castsi256_si128(lead_bytes);
        const __m128i s8 = half ? _mm256_extracti128_si256(second_bytes, 1) : _mm256_castsi256_si128(second_bytes);
        const __m256i here = _mm256_cvtepu8_epi16(h), after = _mm256_cvtepu8_epi16(n8);
        const __m256i two = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(here, _mm256_set1_epi16(0x1F)), 6),
                                            _mm256_and_si256(after, _mm256_set1_epi16(0x3F)));
        __m256i unit = _mm256_blendv_epi8(here, two, _mm256_cvtepi8_epi16(l8));
        unit = _mm256_blendv_epi8(unit, _mm256_set1_epi16(GSM_INSIDE), _mm256_cvtepi8_epi16(s8));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(units + 16 * half), unit);
    }
}

AVX2 size_t reverse_utf8(const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const __m256i below_c0 = _mm256_set1_epi8(static_cast<char>(0xC0));
    const __m256i above_c1 = _mm256_set1_epi8(static_cast<char>(0xC1));
    const __m256i below_e0 = _mm256_set1_epi8(static_cast<char>(0xE0));
    while (i + 33 <= len) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(v));
        if (high == 0 && all_identity(v)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(o), v);
            o += 32;
            i += 32;
            continue;
        }
        /* Signed compares, as in the SSE2 kernel. */
        const __m256i lead_bytes = _mm256_and_si256(_mm256_cmpgt_epi8(v, above_c1), _mm256_cmpgt_epi8(below_e0, v));
        const __m256i second_bytes = _mm256_cmpgt_epi8(below_c0, v);
        const uint32_t continuations = static_cast<uint32_t>(_mm256_movemask_epi8(second_bytes));
        const uint32_t leads = static_cast<uint32_t>(_mm256_movemask_epi8(lead_bytes));
        if (!utf8_window_taken(high, leads, continuations, utf8_second_bytes(32, leads)))
            break;
        const unsigned n = utf8_window_takes(32, leads);
        uint16_t units[32];
        units_of(in + i, v, lead_bytes, second_bytes, units);
        write_unit_window(units, n, o, unmapped);
        i += n;
    }
    out_at = o;
    return i;
}

/* GSM text through a national pair: a window of codes that stand for
 * themselves in its locking table is copied whole, any other is written
 * entry by entry from the locking and the single table's forms. */
template <bool UCS2>
AVX2 size_t pair_forward(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at,
                         uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const __m256i escape = _mm256_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 32 <= len) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(v));
        const uint32_t escapes = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, escape)));
        const unsigned n = forward_window_takes(32, high, escapes);
        if (n == 0)
            break;
        if (escapes == 0 && all_identity(v, t.identity))
            write_identity<UCS2>(v, o);
        else
            write_pair_window(t.locking_forms, t.single_forms, in + i, uint64_t{escapes} << 1, n, o, unmapped);
        i += n;
    }
    out_at = o;
    return i;
}

/* UCS-2, 32 units a window in either byte order: a window of units below
 * 0x80 that stand for themselves, through the tables in force, is packed
 * to bytes. Any other window is the scalar core's, whose loop over eight
 * units is as fast as a loop here would be without byte lookups. */
AVX2 size_t reverse_ucs2_with(const uint8_t *identity, const uint8_t *in, size_t len, size_t i, bool swapped,
                              uint8_t *&out_at)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    /* The byte of each unit that is its high one in the order read. */
    const __m256i high_byte = _mm256_set1_epi16(static_cast<short>(swapped ? 0x00FF : 0xFF00));
    while (i + 64 <= len) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i + 32));
        if (!_mm256_testz_si256(_mm256_or_si256(a, b), high_byte))
            break;
        /* Units 0-31 in order, a byte each: the pack works within 128-bit lanes. */
        const __m256i units = swapped ? _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8))
                                      : _mm256_packus_epi16(a, b);
        const __m256i codes = _mm256_permute4x64_epi64(units, 0xD8);
        if (!all_identity(codes, identity))
            break;
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o), codes);
        o += 32;
        i += 64;
    }
    out_at = o;
    return i;
}

AVX2 size_t reverse_ucs2(const uint8_t *in, size_t len, size_t i, bool swapped, uint8_t *&o, uint64_t &)
{
    return reverse_ucs2_with(gsm_identity_by_low_nibble.data(), in, len, i, swapped, o);
}

AVX2 size_t pair_reverse_ucs2(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, bool swapped,
                              uint8_t *&o, uint64_t &)
{
    return reverse_ucs2_with(t.identity, in, len, i, swapped, o);
}

/* Windows of codes that stand for themselves, which go out as they came;
 * the escape, which all_identity holds as itself for Unicode's U+001B, is
 * not one here. */
AVX2 size_t as_is(const uint8_t *in, size_t len, size_t i)
{
    const __m256i escape = _mm256_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 32 <= len) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        if (!all_identity(v) || _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, escape)) != 0)
            break;
        i += 32;
    }
    return i;
}

} // namespace

extern const kernel_set avx2_kernels = {"avx2",       2,                   32,
                                        forward<false>, forward<true>,      reverse_utf8,
                                        reverse_ucs2,   pair_forward<false>, pair_forward<true>,
                                        nullptr,        pair_reverse_ucs2,  as_is};

#endif
