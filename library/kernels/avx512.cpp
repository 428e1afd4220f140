/* 64-byte windows with AVX-512 (F, BW, VBMI and VBMI2) and BMI2, chosen at
 * run time where the processor and the system have them. Each position of
 * a window writes at most two bytes: a byte lookup (vpermi2b) gives each
 * position its first and its second byte, the two are interleaved, and the
 * bytes a position does not write are squeezed out (vpcompressb on a
 * register, then a plain store: the form that stores to memory is far
 * slower on some processors).
 *
 * Built with target attributes, as the AVX2 kernels are, so that nothing
 * shared with the rest of the library is compiled for AVX-512. Built a
 * second time with SEPTCVT_AVX512_EMULATED against a portable
 * implementation of the same intrinsics (avx512_shim.h): that set,
 * "avx512-emulated", runs the same logic on any x86-64, so the kernel check
 * holds it to the scalar core everywhere; the program never chooses it.
 * Not on 64-bit Windows, whose stack is aligned to 16 bytes only: a
 * spilled 512-bit value would fault. */
#include "kernels.h"

#if defined(SEPTCVT_AVX512_EMULATED)
#include "avx512_shim.h"
#define AVX512
#define KERNEL_SET avx512_emulated_kernels
#define KERNEL_NAME "avx512-emulated"
#elif defined(SEPTCVT_HAS_AVX512_KERNELS)
#include <immintrin.h>
#define AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")))
#define KERNEL_SET avx512_kernels
#define KERNEL_NAME "avx512"
#endif

#ifdef KERNEL_SET

#include "gsm_tables.h"
#include "tables.h"
#include "window_rules.h"

namespace {

/* What the positions of a GSM window write, by byte, in two planes: a
 * code's first and second byte. In UTF-8 a position writes each byte that
 * is not 0 (no character of the alphabet has a 0 byte in its form); in
 * UCS-2 a position writes both or neither. The escape itself writes
 * nothing, or, before a character of three UTF-8 bytes (the euro sign),
 * that character's first byte, and the code after it the other two: so no
 * position writes more than two. */
struct byte_planes {
    uint8_t first[128], second[128];
};
struct forward_planes {
    byte_planes base, escaped;
    uint8_t escape_writes[128]; /* by the code after the escape */
};

constexpr forward_planes derive_planes(bool ucs2)
{
    forward_planes p{};
    for (int code = 0; code < 128; ++code) {
        const unicode_form base = unicode_form_of(gsm_base_table[code], ucs2);
        const unicode_form escaped = unicode_form_of(gsm_escape_table[code], ucs2);
        if (gsm_base_table[code] != GSM_ESCAPE) {
            p.base.first[code] = base.bytes[0];
            p.base.second[code] = base.bytes[1];
        }
        const int split = escaped.count == 3 ? 1 : 0;
        p.escape_writes[code] = split == 1 ? escaped.bytes[0] : 0;
        p.escaped.first[code] = escaped.bytes[split];
        p.escaped.second[code] = escaped.bytes[split + 1];
    }
    return p;
}

/* The planes hold the alphabet only if no character of the base table
 * takes more than two UTF-8 bytes and none of the escape table more than
 * three, and no mapped character writes a first byte of 0. */
constexpr bool planes_hold()
{
    for (int code = 0; code < 128; ++code) {
        const unicode_form base = unicode_form_of(gsm_base_table[code], false);
        const unicode_form escaped = unicode_form_of(gsm_escape_table[code], false);
        if (base.count > 2 || escaped.count > 3 || (base.count > 0 && base.bytes[0] == 0) ||
            (escaped.count > 0 && escaped.bytes[0] == 0))
            return false;
    }
    return true;
}
static_assert(planes_hold(), "a position of a GSM window writes at most two bytes, none of them 0");

constexpr forward_planes utf8_planes = derive_planes(false), ucs2_planes = derive_planes(true);
static_assert(utf8_planes.escape_writes[GSM_ESCAPE] == 0, "an escape before an escape writes nothing");

/* The reverse kernel decodes the two-byte forms of U+0080-U+00FF and of
 * U+0380-U+03BF (with the Greek capitals), and the euro sign's three
 * bytes; every other two-byte form has no mapping. */
constexpr bool short_forms_held()
{
    for (const auto *table : {gsm_base_table, gsm_escape_table})
        for (int code = 0; code < 128; ++code) {
            const uint16_t c = table[code];
            if (c != NO_MAPPING && c >= 0x80 && c < 0x800 && !(c <= 0xFF || (c >= 0x380 && c <= 0x3BF)))
                return false;
        }
    return true;
}
static_assert(short_forms_held(), "every two-byte character of the alphabet is one the reverse kernel decodes");

constexpr uint8_t escaped_code_of(uint16_t c)
{
    for (int code = 0; code < 128; ++code)
        if (gsm_escape_table[code] == c)
            return static_cast<uint8_t>(code);
    return 0;
}
constexpr uint16_t EURO = 0x20AC;
static_assert(escaped_code_of(EURO) != 0, "the euro sign is in the escape table");

/* Byte positions for vpermi2b, which takes bytes 0-63 from its first
 * register and 64-127 from its second. */
struct index_vectors {
    uint8_t pairs_low[64], pairs_high[64]; /* a0 b0 a1 b1 ..., for positions 0-31 and 32-63 */
    uint8_t previous[64];                  /* the last window's byte 63, then bytes 0-62 */
    uint8_t previous2[64];                 /* the last window's bytes 62 and 63, then bytes 0-61 */
    uint8_t next[64];                      /* bytes 1-63, then 63 again */
    uint8_t even[64], odd[64];             /* bytes 0, 2, ..., 126 and 1, 3, ..., 127: a unit's two bytes */
};
constexpr index_vectors derive_indexes()
{
    index_vectors x{};
    for (int k = 0; k < 64; ++k) {
        x.pairs_low[k] = static_cast<uint8_t>((k & 1) * 64 + k / 2);
        x.pairs_high[k] = static_cast<uint8_t>((k & 1) * 64 + 32 + k / 2);
        x.previous[k] = static_cast<uint8_t>(k == 0 ? 63 : 64 + k - 1);
        x.previous2[k] = static_cast<uint8_t>(k < 2 ? 62 + k : 64 + k - 2);
        x.next[k] = static_cast<uint8_t>(k < 63 ? k + 1 : 63);
        x.even[k] = static_cast<uint8_t>(2 * k);
        x.odd[k] = static_cast<uint8_t>(2 * k + 1);
    }
    return x;
}
constexpr index_vectors indexes = derive_indexes();

AVX512 inline __m512i load(const uint8_t *p)
{
    return _mm512_loadu_si512(p);
}

/* A 128-byte table in two registers, looked up by the low seven bits. */
struct table128 {
    __m512i low, high;
};
AVX512 inline table128 load_table(const uint8_t *t)
{
    return {load(t), load(t + 64)};
}
AVX512 inline __m512i lookup(const table128 &t, __m512i index)
{
    return _mm512_permutex2var_epi8(t.low, index, t.high);
}

AVX512 inline uint64_t nonzero(__m512i v)
{
    return _mm512_test_epi8_mask(v, v);
}

/* Writes a[k] where bit k of keep_a is set and then b[k] where bit k of
 * keep_b is, for k = 0-63 in turn. Stores 128 bytes from o whatever it
 * keeps: a window's output room. */
AVX512 inline void write_pairs(__m512i a, __m512i b, uint64_t keep_a, uint64_t keep_b, uint8_t *&o)
{
    const __m512i low = _mm512_permutex2var_epi8(a, load(indexes.pairs_low), b);
    const __m512i high = _mm512_permutex2var_epi8(a, load(indexes.pairs_high), b);
    const uint64_t even = 0x5555555555555555u, odd = ~even;
    const uint64_t keep_low = _pdep_u64(keep_a, even) | _pdep_u64(keep_b, odd);
    const uint64_t keep_high = _pdep_u64(keep_a >> 32, even) | _pdep_u64(keep_b >> 32, odd);
    _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(keep_low, low));
    o += _mm_popcnt_u64(keep_low);
    _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(keep_high, high));
    o += _mm_popcnt_u64(keep_high);
}

/* GSM text with escapes, none after another, and nothing above 0x7F. The
 * planes stand for the forward table, so forms is not read. */
template <bool UCS2>
AVX512 size_t forward(const unicode_form *, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const forward_planes &p = UCS2 ? ucs2_planes : utf8_planes;
    const table128 base_first = load_table(p.base.first), base_second = load_table(p.base.second);
    const table128 escaped_first = load_table(p.escaped.first), escaped_second = load_table(p.escaped.second);
    const table128 escape_writes = load_table(p.escape_writes);
    const __m512i escape = _mm512_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 64 <= len) {
        const __m512i v = load(in + i);
        const uint64_t high = _mm512_movepi8_mask(v), escapes = _mm512_cmpeq_epi8_mask(v, escape);
        const unsigned n = forward_window_takes(64, high, escapes);
        if (n == 0)
            break;
        __m512i first = lookup(base_first, v), second = lookup(base_second, v);
        if (escapes == 0) {
            if (UCS2) {
                _mm512_storeu_si512(o, _mm512_permutex2var_epi8(first, load(indexes.pairs_low), second));
                _mm512_storeu_si512(o + 64, _mm512_permutex2var_epi8(first, load(indexes.pairs_high), second));
                o += 128;
            } else if (nonzero(second) == 0) {
                _mm512_storeu_si512(o, first);
                o += 64;
            } else {
                write_pairs(first, second, ~uint64_t{0}, nonzero(second), o);
            }
            i += 64;
            continue;
        }
        const uint64_t after = escapes << 1;
        const __m512i escaped1 = lookup(escaped_first, v), escaped2 = lookup(escaped_second, v);
        first = _mm512_mask_blend_epi8(after, first, escaped1);
        second = _mm512_mask_blend_epi8(after, second, escaped2);
        const uint64_t without = after & ~nonzero(_mm512_or_si512(escaped1, escaped2));
        unmapped += static_cast<uint64_t>(_mm_popcnt_u64(without));
        /* An escape that ends the window (n is 63) writes nothing here: it
         * is the next window's first byte, and the code after it unseen. */
        if (UCS2) {
            const uint64_t keep = ~escapes & ~without;
            write_pairs(first, second, keep, keep, o);
        } else {
            /* Seen as its own next byte, that escape finds 0 in escape_writes. */
            const __m512i next = _mm512_permutex2var_epi8(v, load(indexes.next), v);
            first = _mm512_mask_blend_epi8(escapes, first, lookup(escape_writes, next));
            write_pairs(first, second, nonzero(first), nonzero(second), o);
        }
        i += n;
    }
    out_at = o;
    return i;
}

/* Writes the GSM forms of the positions in ends: a code, GSM_ESCAPED plus
 * a code for an escape pair; those in without have none and are counted. */
AVX512 inline void write_forms(__m512i forms, uint64_t ends, uint64_t without, uint8_t *&o, uint64_t &unmapped)
{
    unmapped += static_cast<uint64_t>(_mm_popcnt_u64(without));
    const uint64_t pairs = ends & _mm512_movepi8_mask(forms) & ~without;
    const __m512i first = _mm512_mask_blend_epi8(pairs, forms, _mm512_set1_epi8(static_cast<char>(GSM_ESCAPE)));
    write_pairs(first, _mm512_and_si512(forms, _mm512_set1_epi8(0x7F)), ends & ~without, pairs, o);
}

/* Where a reverse kernel stops, a character the last window began and did
 * not end is the scalar core's: it starts 1 or 2 bytes back, by the last
 * window's lead bytes of two bytes (twos) and of three (threes). */
inline size_t started_back(uint64_t twos, uint64_t threes)
{
    return (twos >> 63 | threes >> 63) != 0 ? 1 : (threes >> 62 & 1) != 0 ? 2 : 0;
}

/* UTF-8 of one and two bytes and the euro sign. A character is written at
 * its last byte, decoded with the bytes before it, which may lie in the
 * last window: the kernel advances a whole window every time and reads
 * nothing past it. Where it stops, a character the last window began is
 * left to the scalar core with the rest. */
AVX512 size_t reverse_utf8(const uint8_t *in, size_t len, size_t i, uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    /* GSM forms by unit as gsm_unit_form holds them: a code, GSM_ESCAPED
     * plus the code after an escape, or GSM_NO_FORM. */
    const table128 ascii = load_table(gsm_unit_form.data()), latin1 = load_table(gsm_unit_form.data() + 0x80);
    const table128 greek = {load(gsm_unit_form.data() + 0x380), load(gsm_unit_form.data() + 0x380)};
    const __m512i low6 = _mm512_set1_epi8(0x3F), bit6 = _mm512_set1_epi8(0x40);
    const __m512i no_form = _mm512_set1_epi8(static_cast<char>(GSM_NO_FORM));
    const __m512i euro = _mm512_set1_epi8(static_cast<char>(GSM_ESCAPED | escaped_code_of(EURO)));
    __m512i last = _mm512_setzero_si512(); /* the last window's bytes */
    uint64_t last_leads = 0, last_euros = 0; /* its two-byte leads and euro signs' E2 */
    while (i + 64 <= len) {
        const __m512i v = load(in + i);
        const uint64_t high = _mm512_movepi8_mask(v);
        const uint64_t carried = last_leads >> 63 | last_euros >> 62;
        if ((high | carried) == 0) {
            const __m512i forms = lookup(ascii, v);
            if (_mm512_movepi8_mask(forms) == 0) { /* one code each */
                _mm512_storeu_si512(o, forms);
                o += 64;
                i += 64;
                last = v;
                last_leads = last_euros = 0;
                continue;
            }
        }
        const uint64_t continuations = high & _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xBF)));
        const uint64_t leads = _mm512_cmpge_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xC2))) &
                               _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xDF)));
        const uint64_t euros = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(0xE2)));
        const uint64_t seconds = leads << 1 | last_leads >> 63;   /* a two-byte form ends here */
        const uint64_t euro_82 = euros << 1 | last_euros >> 63;   /* the euro's 82 */
        const uint64_t euro_ac = euros << 2 | last_euros >> 62;   /* the euro's AC, where it ends */
        if (!utf8_window_taken(high, leads | euros, continuations, seconds | euro_82 | euro_ac) ||
            (euro_82 & ~_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(0x82)))) != 0 ||
            (euro_ac & ~_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(0xAC)))) != 0)
            break;
        /* Each ending position's GSM form: an ASCII byte's own, a two-byte
         * form's by its lead, the euro sign's. */
        const __m512i before = _mm512_permutex2var_epi8(last, load(indexes.previous), v);
        const __m512i low = _mm512_and_si512(v, low6);
        const uint64_t c3 = _mm512_cmpeq_epi8_mask(before, _mm512_set1_epi8(static_cast<char>(0xC3)));
        const uint64_t in_latin1 = seconds & (c3 | _mm512_cmpeq_epi8_mask(before, _mm512_set1_epi8(static_cast<char>(0xC2))));
        const uint64_t in_greek = seconds & _mm512_cmpeq_epi8_mask(before, _mm512_set1_epi8(static_cast<char>(0xCE)));
        __m512i forms = lookup(ascii, v);
        const __m512i latin1_index = _mm512_mask_blend_epi8(c3, low, _mm512_or_si512(low, bit6)); /* the unit less 0x80 */
        forms = _mm512_mask_blend_epi8(in_latin1, forms, lookup(latin1, latin1_index));
        forms = _mm512_mask_blend_epi8(in_greek, forms, lookup(greek, low));
        forms = _mm512_mask_blend_epi8(seconds & ~(in_latin1 | in_greek), forms, no_form);
        forms = _mm512_mask_blend_epi8(euro_ac, forms, euro);
        const uint64_t ends = ~high | seconds | euro_ac;
        write_forms(forms, ends, ends & _mm512_cmpeq_epi8_mask(forms, no_form), o, unmapped);
        i += 64;
        last = v;
        last_leads = leads;
        last_euros = euros;
    }
    out_at = o;
    return i - started_back(last_leads, last_euros);
}

/* The 192 bytes a0 b0 c0 a1 b1 c1 ... of three planes, as three registers
 * of 64: for register q, each byte's position in a or b (b's from 64) and
 * in c, the bytes that come from c, and for each plane the first position
 * it gives there and the bytes it fills. */
struct triple_layout {
    uint8_t ab[3][64], c[3][64];
    uint64_t from_c[3];
    unsigned first[3][3];
    uint64_t fills[3][3];
};
constexpr triple_layout derive_triples()
{
    triple_layout x{};
    for (int q = 0; q < 3; ++q) {
        for (int t = 0; t < 64; ++t) {
            const int slot = 64 * q + t, position = slot / 3, plane = slot % 3;
            x.ab[q][t] = static_cast<uint8_t>(plane == 1 ? 64 + position : position);
            x.c[q][t] = static_cast<uint8_t>(position);
            x.from_c[q] |= static_cast<uint64_t>(plane == 2) << t;
            if (x.fills[q][plane] == 0)
                x.first[q][plane] = static_cast<unsigned>(position);
            x.fills[q][plane] |= uint64_t{1} << t;
        }
    }
    return x;
}
constexpr triple_layout triples = derive_triples();

/* Writes a[k], b[k] and c[k] where bits k of keep_a, keep_b and keep_c are
 * set, for k = 0-63 in turn: gathered into three registers, each squeezed
 * and stored whole. Stores 192 bytes from o whatever it keeps: a window's
 * output room at three bytes a position. */
AVX512 inline void write_triples(__m512i a, __m512i b, __m512i c, uint64_t keep_a, uint64_t keep_b, uint64_t keep_c,
                                 uint8_t *&o)
{
    const uint64_t keep[3] = {keep_a, keep_b, keep_c};
    for (int q = 0; q < 3; ++q) {
        __m512i bytes = _mm512_permutex2var_epi8(a, load(triples.ab[q]), b);
        bytes = _mm512_mask_permutexvar_epi8(bytes, triples.from_c[q], load(triples.c[q]), c);
        uint64_t kept = 0;
        for (int plane = 0; plane < 3; ++plane)
            kept |= _pdep_u64(keep[plane] >> triples.first[q][plane], triples.fills[q][plane]);
        _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(kept, bytes));
        o += _mm_popcnt_u64(kept);
    }
}

/* A plane of the locking table and of the single table, in registers. */
struct plane_pair {
    table128 locking, single;
};
AVX512 inline plane_pair load_planes(const uint8_t *locking, const uint8_t *single)
{
    return {load_table(locking), load_table(single)};
}
/* Each GSM code of v looked up in the locking plane, or in the single one
 * where the code follows an escape. */
AVX512 inline __m512i pair_lookup(const plane_pair &p, uint64_t after, __m512i v)
{
    return _mm512_mask_blend_epi8(after, lookup(p.locking, v), lookup(p.single, v));
}

/* GSM text through a national pair, as forward() but for planes of three
 * bytes (two in UCS-2): an escape writes nothing, the code after it all of
 * its character. */
template <bool UCS2>
AVX512 size_t pair_forward(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at,
                           uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const code_planes &l = *t.locking_planes, &s = *t.single_planes;
    const plane_pair count = load_planes(l.count, s.count), first = load_planes(l.bytes[0], s.bytes[0]);
    const plane_pair second = load_planes(l.bytes[1], s.bytes[1]), third = load_planes(l.bytes[2], s.bytes[2]);
    const __m512i escape = _mm512_set1_epi8(static_cast<char>(GSM_ESCAPE));
    while (i + 64 <= len) {
        const __m512i v = load(in + i);
        const uint64_t high = _mm512_movepi8_mask(v), escapes = _mm512_cmpeq_epi8_mask(v, escape);
        const unsigned n = forward_window_takes(64, high, escapes);
        if (n == 0)
            break;
        const uint64_t after = escapes << 1, writes = window_bits(n) & ~escapes;
        /* Windows without an escape, the most in text, read the locking
         * table alone. */
        const __m512i counts = after == 0 ? lookup(count.locking, v) : pair_lookup(count, after, v);
        const __m512i a = after == 0 ? lookup(first.locking, v) : pair_lookup(first, after, v);
        const __m512i b = after == 0 ? lookup(second.locking, v) : pair_lookup(second, after, v);
        const uint64_t one = writes & nonzero(counts);
        unmapped += static_cast<uint64_t>(_mm_popcnt_u64(writes & ~one));
        if (UCS2 && one == ~uint64_t{0}) { /* every code of the window has its unit: no squeezing */
            _mm512_storeu_si512(o, _mm512_permutex2var_epi8(a, load(indexes.pairs_low), b));
            _mm512_storeu_si512(o + 64, _mm512_permutex2var_epi8(a, load(indexes.pairs_high), b));
            o += 128;
        } else if (UCS2) {
            write_pairs(a, b, one, one, o);
        } else {
            const uint64_t two = one & _mm512_cmpgt_epu8_mask(counts, _mm512_set1_epi8(1));
            const uint64_t three = one & _mm512_cmpgt_epu8_mask(counts, _mm512_set1_epi8(2));
            if (three == 0)
                write_pairs(a, b, one, two, o);
            else
                write_triples(a, b, after == 0 ? lookup(third.locking, v) : pair_lookup(third, after, v), one, two,
                              three, o);
        }
        i += n;
    }
    out_at = o;
    return i;
}

/* Every byte b. */
AVX512 inline __m512i bits(int b)
{
    return _mm512_set1_epi8(static_cast<char>(b));
}

/* A pair's tables in registers: ASCII and the blocks of national_blocks,
 * each as the forms of its 128 units: the code in the locking table, else
 * GSM_ESCAPED plus the code in the single table, else NATIONAL_NONE. Block
 * j holds the units whose high byte is high[j] and whose low byte has its
 * top bit as upper[j]. An escape pair of the single table's code 0x7F
 * would read as none too: where a block has one, exact is false. */
struct pair_blocks {
    table128 forms[1 + NATIONAL_BLOCKS];
    uint8_t high[1 + NATIONAL_BLOCKS];
    bool upper[1 + NATIONAL_BLOCKS];
    int count; /* the blocks there are: national_blocks ends with block 0 where a table has fewer */
    bool exact;
};
AVX512 inline __m512i block_forms(const uint8_t *locking, const uint8_t *single, bool &exact)
{
    const __m512i none = bits(NATIONAL_NONE), l = load(locking), s = load(single);
    const uint64_t not_locking = _mm512_cmpeq_epi8_mask(l, none);
    exact = exact && (not_locking & _mm512_cmpeq_epi8_mask(s, bits(0x7F))) == 0;
    return _mm512_mask_blend_epi8(not_locking, l, _mm512_or_si512(s, bits(GSM_ESCAPED)));
}
AVX512 inline pair_blocks load_blocks(const pair_kernel_tables &t)
{
    pair_blocks b;
    b.exact = true;
    b.count = 1;
    for (int j = 0; j <= NATIONAL_BLOCKS; ++j) {
        const unsigned at = 128 * (j == 0 ? 0 : t.blocks[j - 1]);
        b.count += j > 0 && at > 0;
        b.forms[j] = {block_forms(t.locking.direct + at, t.single.direct + at, b.exact),
                      block_forms(t.locking.direct + at + 64, t.single.direct + at + 64, b.exact)};
        b.high[j] = static_cast<uint8_t>(at >> 8);
        b.upper[j] = (at & 0x80) != 0;
    }
    return b;
}

/* The forms of the units lo | hi << 8 at the positions of ends that the
 * blocks hold; covered gets those positions. A form NATIONAL_NONE is none
 * where the blocks are exact; elsewhere the caller looks such units up
 * again. */
AVX512 inline __m512i pair_block_forms(const pair_blocks &b, __m512i lo, __m512i hi, uint64_t ends, uint64_t &covered)
{
    const uint64_t upper = _mm512_movepi8_mask(lo);
    __m512i forms = _mm512_setzero_si512();
    covered = 0;
    /* No branch on a block's positions, which text mixes at random. */
    for (int j = 0; j < b.count; ++j) {
        const uint64_t in_block = ends & (b.upper[j] ? upper : ~upper) & _mm512_cmpeq_epi8_mask(hi, bits(b.high[j]));
        forms = _mm512_mask_blend_epi8(in_block, forms, lookup(b.forms[j], lo));
        covered |= in_block;
    }
    return forms;
}

/* The positions of covered whose form is NATIONAL_NONE: where the blocks
 * are exact they have none; else they are looked up one at a time. */
AVX512 inline uint64_t none_or_again(const pair_blocks &b, __m512i forms, uint64_t &covered)
{
    const uint64_t none = covered & _mm512_cmpeq_epi8_mask(forms, bits(NATIONAL_NONE));
    if (b.exact)
        return none;
    covered &= ~none;
    return 0;
}

/* The forms of the positions in others, looked up one at a time through
 * the scalar core's tables: unit_at(k) is the unit at position k, and
 * form_of(unit) its form, 0x100 where it has none. */
template <typename UnitAt, typename FormOf>
AVX512 inline __m512i patch_forms(__m512i forms, uint64_t others, UnitAt unit_at, FormOf form_of, uint64_t &without)
{
    alignas(64) uint8_t codes[64];
    _mm512_store_si512(codes, forms);
    for (; others != 0; others &= others - 1) {
        const unsigned k = static_cast<unsigned>(__builtin_ctzll(others));
        const unsigned form = form_of(unit_at(k));
        codes[k] = static_cast<uint8_t>(form);
        without |= uint64_t{form >> 8} << k;
    }
    return _mm512_load_si512(codes);
}

/* The forms that the default pair's tables in registers give for units
 * lo | hi << 8: ASCII, Latin-1, Greek and the euro sign; covered gets the
 * positions they hold, whose form GSM_NO_FORM is none. */
struct default_unit_tables {
    table128 ascii, latin1, greek;
};
AVX512 inline __m512i default_unit_forms(const default_unit_tables &t, __m512i lo, __m512i hi, uint64_t &covered)
{
    const uint64_t upper = _mm512_movepi8_mask(lo);
    const uint64_t latin1 = _mm512_cmpeq_epi8_mask(hi, _mm512_setzero_si512());
    const uint64_t greek = _mm512_cmpeq_epi8_mask(hi, _mm512_set1_epi8(0x03)) & upper;
    const uint64_t euro = _mm512_cmpeq_epi8_mask(hi, _mm512_set1_epi8(static_cast<char>(EURO >> 8))) &
                          _mm512_cmpeq_epi8_mask(lo, _mm512_set1_epi8(static_cast<char>(EURO & 0xFF)));
    __m512i forms = _mm512_mask_blend_epi8(upper, lookup(t.ascii, lo), lookup(t.latin1, lo));
    forms = _mm512_mask_blend_epi8(greek, forms, lookup(t.greek, lo));
    forms = _mm512_mask_blend_epi8(euro, forms, _mm512_set1_epi8(static_cast<char>(GSM_ESCAPED | escaped_code_of(EURO))));
    covered = latin1 | greek | euro;
    return forms;
}

/* UCS-2, 64 units a window in either byte order: each unit's form from the
 * tables in registers, those they do not hold one at a time through the
 * scalar core's tables, then written as in the UTF-8 kernels. The default
 * pair (t null) or a national one. */
template <bool PAIR>
AVX512 size_t reverse_ucs2_with(const pair_kernel_tables *t, const uint8_t *in, size_t len, size_t i, bool swapped,
                                uint8_t *&out_at, uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const __m512i low_bytes = load(swapped ? indexes.odd : indexes.even), high_bytes = load(swapped ? indexes.even : indexes.odd);
    const default_unit_tables d = {load_table(gsm_unit_form.data()), load_table(gsm_unit_form.data() + 0x80),
                                   load_table(gsm_unit_form.data() + 0x380)};
    pair_blocks blocks{};
    if (PAIR)
        blocks = load_blocks(*t);
    while (i + 128 <= len) {
        const uint8_t *window = in + i;
        const __m512i a = load(window), b = load(window + 64);
        const __m512i lo = _mm512_permutex2var_epi8(a, low_bytes, b), hi = _mm512_permutex2var_epi8(a, high_bytes, b);
        uint64_t covered = 0, without = 0;
        __m512i forms;
        if (PAIR) {
            forms = pair_block_forms(blocks, lo, hi, ~uint64_t{0}, covered);
            without = none_or_again(blocks, forms, covered);
        } else {
            forms = default_unit_forms(d, lo, hi, covered);
            without = covered & _mm512_cmpeq_epi8_mask(forms, _mm512_set1_epi8(static_cast<char>(GSM_NO_FORM)));
        }
        if (~covered != 0) {
            const auto unit_at = [window, swapped](unsigned k) {
                const uint8_t *p = window + 2 * k;
                return static_cast<uint16_t>(swapped ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
            };
            if (PAIR)
                forms = patch_forms(forms, ~covered, unit_at, [t](uint16_t unit) { return pair_unit_form(*t, unit); }, without);
            else
                forms = patch_forms(forms, ~covered, unit_at, [](uint16_t unit) {
                    return gsm_unit_form[unit] == GSM_NO_FORM ? 0x100u : unsigned{gsm_unit_form[unit]};
                }, without);
        }
        write_forms(forms, ~uint64_t{0}, without, o, unmapped);
        i += 128;
    }
    out_at = o;
    return i;
}

AVX512 size_t reverse_ucs2(const uint8_t *in, size_t len, size_t i, bool swapped, uint8_t *&o, uint64_t &unmapped)
{
    return reverse_ucs2_with<false>(nullptr, in, len, i, swapped, o, unmapped);
}

AVX512 size_t pair_reverse_ucs2(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, bool swapped,
                                uint8_t *&o, uint64_t &unmapped)
{
    return reverse_ucs2_with<true>(&t, in, len, i, swapped, o, unmapped);
}

/* UTF-8 of one to three bytes through a national pair. As reverse_utf8, a
 * character is written at its last byte, decoded with the bytes before it,
 * and the kernel advances a whole window every time; the units the blocks
 * in registers do not hold are looked up one at a time. A value that three
 * bytes must not hold leaves the window to the scalar core. */
AVX512 size_t pair_reverse_utf8(const pair_kernel_tables &t, const uint8_t *in, size_t len, size_t i, uint8_t *&out_at,
                                uint64_t &unmapped)
{
    uint8_t *o = out_at; /* a local copy, which stores through it cannot change */
    const pair_blocks blocks = load_blocks(t);
    __m512i last = _mm512_setzero_si512();   /* the last window's bytes */
    uint64_t last_twos = 0, last_threes = 0; /* and its lead bytes */
    while (i + 64 <= len) {
        const __m512i v = load(in + i);
        const uint64_t high = _mm512_movepi8_mask(v);
        const uint64_t continuations = high & _mm512_cmple_epu8_mask(v, bits(0xBF));
        const uint64_t twos = _mm512_cmpge_epu8_mask(v, bits(0xC2)) & _mm512_cmple_epu8_mask(v, bits(0xDF));
        const uint64_t threes = _mm512_cmpge_epu8_mask(v, bits(0xE0)) & _mm512_cmple_epu8_mask(v, bits(0xEF));
        const uint64_t seconds = twos << 1 | last_twos >> 63;     /* a two-byte form ends here */
        const uint64_t middles = threes << 1 | last_threes >> 63;
        const uint64_t thirds = threes << 2 | last_threes >> 62;  /* a three-byte form ends here */
        if (!utf8_window_taken(high, twos | threes, continuations, seconds | middles | thirds))
            break;
        /* Each ending position's unit, as its low and high byte: masked
         * before each shift, so no bit crosses into the next byte. */
        const __m512i before = _mm512_permutex2var_epi8(last, load(indexes.previous), v);
        const __m512i before2 = _mm512_permutex2var_epi8(last, load(indexes.previous2), v);
        const __m512i low6 = _mm512_and_si512(v, bits(0x3F));
        /* The low byte comes alike from the last two bytes of either form. */
        const __m512i lo23 = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(before, bits(0x03)), 6), low6);
        const __m512i hi2 = _mm512_srli_epi16(_mm512_and_si512(before, bits(0x1C)), 2);
        const __m512i hi3 = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(before2, bits(0x0F)), 4),
                                            _mm512_srli_epi16(_mm512_and_si512(before, bits(0x3C)), 2));
        /* Three bytes must hold U+0800-U+FFFD and no surrogate. */
        const uint64_t bad = thirds & (_mm512_cmplt_epu8_mask(hi3, bits(0x08)) |
                                       (_mm512_cmpge_epu8_mask(hi3, bits(0xD8)) & _mm512_cmple_epu8_mask(hi3, bits(0xDF))) |
                                       (_mm512_cmpeq_epi8_mask(hi3, bits(0xFF)) & _mm512_cmpge_epu8_mask(lo23, bits(0xFE))));
        if (bad != 0)
            break;
        const __m512i lo = _mm512_mask_blend_epi8(seconds | thirds, v, lo23);
        const __m512i hi = _mm512_mask_blend_epi8(thirds, _mm512_maskz_mov_epi8(seconds, hi2), hi3);
        const uint64_t ends = ~high | seconds | thirds;
        uint64_t covered = 0;
        __m512i forms = pair_block_forms(blocks, lo, hi, ends, covered);
        uint64_t without = none_or_again(blocks, forms, covered);
        if ((ends & ~covered) != 0) {
            alignas(64) uint8_t low_bytes[64], high_bytes[64];
            _mm512_store_si512(low_bytes, lo);
            _mm512_store_si512(high_bytes, hi);
            forms = patch_forms(forms, ends & ~covered,
                                [&](unsigned k) { return static_cast<uint16_t>(high_bytes[k] << 8 | low_bytes[k]); },
                                [&t](uint16_t unit) { return pair_unit_form(t, unit); }, without);
        }
        write_forms(forms, ends, without, o, unmapped);
        i += 64;
        last = v;
        last_twos = twos;
        last_threes = threes;
    }
    out_at = o;
    return i - started_back(last_twos, last_threes);
}

/* Windows of codes that stand for themselves, which go out as they came:
 * each byte's bit in the lookup by low nibble of the codes that do both
 * ways, where a byte above 0x7F finds none; the escape, which stands for
 * itself from Unicode's U+001B, is not one here. */
AVX512 size_t as_is(const uint8_t *in, size_t len, size_t i)
{
    /* The lookups in each 16-byte lane: by the low nibble, the high
     * nibbles that stand for themselves, as bits; by the high nibble, its
     * bit. */
    alignas(64) uint8_t lanes[2][64];
    for (unsigned k = 0; k < 64; ++k) {
        lanes[0][k] = gsm_identity_by_low_nibble[k % 16];
        lanes[1][k] = static_cast<uint8_t>(k % 16 < 8 ? 1u << k % 16 : 0);
    }
    const __m512i by_low = load(lanes[0]), bit_of_high = load(lanes[1]);
    const __m512i escape = _mm512_set1_epi8(static_cast<char>(GSM_ESCAPE));
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    while (i + 64 <= len) {
        const __m512i v = load(in + i);
        const __m512i low = _mm512_and_si512(v, nibble), high = _mm512_and_si512(_mm512_srli_epi16(v, 4), nibble);
        const __m512i hit = _mm512_and_si512(_mm512_shuffle_epi8(by_low, low), _mm512_shuffle_epi8(bit_of_high, high));
        if (_mm512_test_epi8_mask(hit, hit) != ~uint64_t{0} || _mm512_cmpeq_epi8_mask(v, escape) != 0)
            break;
        i += 64;
    }
    return i;
}

} // namespace

extern const kernel_set KERNEL_SET = {KERNEL_NAME,       3,                   64,
                                      forward<false>,    forward<true>,       reverse_utf8,
                                      reverse_ucs2,      pair_forward<false>, pair_forward<true>,
                                      pair_reverse_utf8, pair_reverse_ucs2,   as_is};

#endif
