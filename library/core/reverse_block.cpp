#include "block.h"

#include <cstring>

#include "kernels.h"
#include "national.h"
#include "tables.h"
#include "utf8.h"

void reverse_start(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                   const kernel_set *kernels)
{
    start_block(st, ucs2, locking, single, national, kernels);
    st.byte_order = ucs2 ? BO_UNKNOWN : BO_AS_READ;
}

namespace {

/* Where a unit's GSM form is found: the default pair's table of every
 * unit, or a national pair's inverted tables. The loops below are built
 * for each, so the default pair pays nothing for the other; they hold it
 * by value, so that no store through a byte pointer makes them load it
 * again. one_code is a unit's code where it takes one code, else a value
 * with GSM_ESCAPED set. */
struct default_forms {
    const gsm_form &operator()(uint16_t unit) const { return gsm_form_of(unit); }
    uint8_t one_code(uint16_t unit) const { return gsm_unit_form[unit]; }
    /* Eight forms again cost less than finding the one that differs. */
    static constexpr bool REDO_ALL = true;
};
struct pair_forms {
    national_table locking, single;
    const gsm_form *forms;
    const uint8_t *blocks, *identity; /* for the kernels */
    const gsm_form &operator()(uint16_t unit) const { return national_gsm_form(locking, single, unit, forms); }
    /* A unit past the direct codes is left to operator(): rare in text,
     * and the loop over eight units then needs no branch. */
    uint8_t one_code(uint16_t unit) const
    {
        return locking.direct[unit < NATIONAL_DIRECT ? unit : NATIONAL_DIRECT];
    }
    static constexpr bool REDO_ALL = false;
};

} // namespace

/* Whether a kernel set has a kernel for the tables in force. */
static bool has_kernel(const kernel_set &k, default_forms, bool ucs2)
{
    return ucs2 ? k.reverse_ucs2 != nullptr : k.reverse_utf8 != nullptr;
}
static bool has_kernel(const kernel_set &k, const pair_forms &, bool ucs2)
{
    return ucs2 ? k.pair_reverse_ucs2 != nullptr : k.pair_reverse_utf8 != nullptr;
}

/* The kernel of the tables in force, on the windows it takes from in[i]. */
static size_t kernel_of(const kernel_set *k, default_forms, bool ucs2, const uint8_t *in, size_t len, size_t i,
                        bool swapped, uint8_t *&o, uint64_t &unmapped)
{
    return ucs2 ? k->reverse_ucs2(in, len, i, swapped, o, unmapped) : k->reverse_utf8(in, len, i, o, unmapped);
}
static size_t kernel_of(const kernel_set *k, const pair_forms &forms, bool ucs2, const uint8_t *in, size_t len,
                        size_t i, bool swapped, uint8_t *&o, uint64_t &unmapped)
{
    const pair_kernel_tables t = {nullptr, nullptr, nullptr, nullptr, forms.locking, forms.single, forms.blocks,
                                  forms.identity};
    return ucs2 ? k->pair_reverse_ucs2(t, in, len, i, swapped, o, unmapped)
                : k->pair_reverse_utf8(t, in, len, i, o, unmapped);
}

/* Stores both bytes and advances by the count: an escape pair, one code, or
 * nothing for a unit without mapping, which is left out. */
template <typename Forms>
static inline uint8_t *put_unit(uint8_t *o, uint16_t unit, uint64_t &unmapped, Forms forms)
{
    const gsm_form form = forms(unit);
    memcpy(o, form.bytes, sizeof form.bytes);
    unmapped += form.unmapped;
    return o + form.count;
}

/* Nothing above U+FFFF is in the tables; cutting it to 16 bits would turn it
 * into some unrelated character. */
template <typename Forms>
static inline uint8_t *put_code_point(uint8_t *o, uint32_t code_point, uint64_t &unmapped, Forms forms)
{
    if (code_point > 0xFFFF) {
        ++unmapped;
        return o;
    }
    return put_unit(o, static_cast<uint16_t>(code_point), unmapped, forms);
}

/* Units are taken as they come: surrogates are not paired. */
static inline uint16_t load_unit(const uint8_t *p, int byte_order)
{
    const uint16_t unit = static_cast<uint16_t>(p[0] | p[1] << 8);
    return byte_order == BO_SWAPPED ? swap16(unit) : unit;
}

/* Converts the mark, unit or sequence gathered whole in st.pending. */
template <typename Forms>
static uint8_t *finish_pending(block_state &st, uint8_t *o, uint64_t &unmapped, Forms forms)
{
    const size_t len = st.pending_len;
    st.pending_len = 0;
    if (st.ucs2 && st.byte_order == BO_UNKNOWN) {
        /* The mark is looked for only at the very start; later FF FE is an
         * ordinary unit without mapping. */
        if (st.pending[0] == 0xFF && st.pending[1] == 0xFE)
            st.byte_order = BO_AS_READ;
        else if (st.pending[0] == 0xFE && st.pending[1] == 0xFF)
            st.byte_order = BO_SWAPPED;
        else
            st.stop = true;
        st.fault_length = 2;
        return o;
    }
    if (st.ucs2)
        return put_unit(o, load_unit(st.pending, st.byte_order), unmapped, forms);
    uint32_t code_point;
    size_t used;
    if (utf8_decode(st.pending, len, &code_point, &used) != UTF_OK) {
        st.stop = true;
        st.fault_length = static_cast<uint8_t>(len);
        return o;
    }
    return put_code_point(o, code_point, unmapped, forms);
}

/* UCS-2 from in[i] until `until`, which is len or a whole number of units
 * on, in one byte order: a loop for each, so that no unit waits for a
 * choice of order. */
template <int BYTE_ORDER, typename Forms>
static size_t convert_ucs2_as(block_state &st, const uint8_t *in, size_t len, size_t i, size_t until,
                              uint8_t *&out_at, uint64_t &unmapped_at, Forms forms)
{
    /* Local copies: a store through a byte pointer could change the pointer
     * or the count, as far as the compiler knows, so it would reload them. */
    uint8_t *o = out_at;
    uint64_t unmapped = unmapped_at;
    /* Eight units at a time, each code stored at its own place, while every
     * unit has a form of one code: in text, most units do, and the stores
     * then wait for no count. Otherwise the default pair's eight go again
     * one by one, and a pair's go on from the first unit of another form. */
    for (; i + 16 <= until; i += 16) {
        unsigned all = 0;
        for (int k = 0; k < 8; ++k) {
            const uint8_t code = forms.one_code(load_unit(in + i + 2 * k, BYTE_ORDER));
            o[k] = code;
            all |= code;
        }
        if ((all & GSM_ESCAPED) == 0) {
            o += 8;
            continue;
        }
        if (Forms::REDO_ALL) {
            for (int k = 0; k < 8; ++k)
                o = put_unit(o, load_unit(in + i + 2 * k, BYTE_ORDER), unmapped, forms);
            continue;
        }
        /* The codes before the first unit of another form stand; that unit
         * goes on its own, and the next eight start after it. */
        unsigned others = 0;
        for (unsigned k = 0; k < 8; ++k)
            others |= static_cast<unsigned>(o[k] >> 7) << k;
        const unsigned first = static_cast<unsigned>(__builtin_ctz(others));
        o = put_unit(o + first, load_unit(in + i + 2 * first, BYTE_ORDER), unmapped, forms);
        i = i + 2 * first + 2 - 16; /* the loop adds 16 */
    }
    for (; i + 1 < until; i += 2)
        o = put_unit(o, load_unit(in + i, BYTE_ORDER), unmapped, forms);
    if (i + 1 == len) /* half a unit waits for the next block, or is dropped */
        st.pending[st.pending_len++] = in[i++];
    out_at = o;
    unmapped_at = unmapped;
    return i;
}

template <typename Forms>
static size_t convert_ucs2(block_state &st, const uint8_t *in, size_t len, size_t i, size_t until, uint8_t *&o,
                           uint64_t &unmapped, Forms forms)
{
    return st.byte_order == BO_SWAPPED ? convert_ucs2_as<BO_SWAPPED>(st, in, len, i, until, o, unmapped, forms)
                                       : convert_ucs2_as<BO_AS_READ>(st, in, len, i, until, o, unmapped, forms);
}

/* UTF-8 from in[i] until at least `until`; returns where it ended, which is
 * len once a block end cut a sequence off. */
template <typename Forms>
static size_t convert_utf8(block_state &st, const uint8_t *in, size_t len, size_t i, size_t until, uint8_t *&out_at,
                           uint64_t &unmapped_at, Forms forms)
{
    uint8_t *o = out_at; /* local copies, as in convert_ucs2 */
    uint64_t unmapped = unmapped_at;
    while (i < until) {
        const uint8_t lead = in[i];
        if (lead < 0x80) {
            o = put_unit(o, lead, unmapped, forms);
            ++i;
            continue;
        }
        /* A well-formed two-byte form needs no further check: it holds
         * neither an overlong value nor a surrogate or noncharacter. */
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < len && (in[i + 1] & 0xC0) == 0x80) {
            o = put_unit(o, static_cast<uint16_t>((lead & 0x1F) << 6 | (in[i + 1] & 0x3F)), unmapped, forms);
            i += 2;
            continue;
        }
        /* Three bytes, the form of the Indian scripts and the euro sign: a
         * value from U+0800 that is no surrogate and below U+FFFE; the
         * decoder below judges every other. */
        if ((lead & 0xF0) == 0xE0 && i + 2 < len && (in[i + 1] & 0xC0) == 0x80 && (in[i + 2] & 0xC0) == 0x80) {
            const uint32_t value = (lead & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 | (in[i + 2] & 0x3Fu);
            if (value >= 0x800 && (value < 0xD800 || value > 0xDFFF) && value < 0xFFFE) {
                o = put_unit(o, static_cast<uint16_t>(value), unmapped, forms);
                i += 3;
                continue;
            }
        }
        uint32_t code_point;
        size_t used;
        const int got = utf8_decode(in + i, len - i, &code_point, &used);
        if (got == UTF_IO) {
            /* Cut by the block end: judged when all announced bytes are in. */
            memcpy(st.pending, in + i, used);
            st.pending_len = used;
            i = len;
            break;
        }
        i += used;
        if (got != UTF_OK) {
            st.stop = true;
            st.fault_length = static_cast<uint8_t>(used);
            break;
        }
        o = put_code_point(o, code_point, unmapped, forms);
    }
    out_at = o;
    unmapped_at = unmapped;
    return i;
}

template <typename Forms>
static size_t reverse_with(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out,
                           Forms forms)
{
    uint8_t *o = out;
    uint64_t unmapped = st.unmapped;
    size_t i = 0;
    /* The UCS-2 mark, and whatever the last block end cut off, are gathered
     * whole before they are judged. */
    if (st.pending_len > 0 || st.byte_order == BO_UNKNOWN) {
        const size_t need = st.ucs2 ? 2 : static_cast<size_t>(utf8_length(st.pending[0]));
        while (st.pending_len < need && i < len)
            st.pending[st.pending_len++] = in[i++];
        if (st.pending_len == need)
            o = finish_pending(st, o, unmapped, forms);
    }
    const kernel_set *k = st.kernels;
    const bool fast = k != nullptr && has_kernel(*k, forms, st.ucs2);
    /* The kernel converts the windows it handles; the scalar core takes
     * each window it leaves, and the tail. */
    const size_t window = k != nullptr ? (st.ucs2 ? 2 * k->window : k->window) : len;
    const bool swapped = st.byte_order == BO_SWAPPED;
    unsigned missed = 0; /* the kernel's calls in a row that took nothing */
    while (i < len && !st.stop && st.pending_len == 0) {
        const size_t from = i;
        if (fast)
            i = kernel_of(k, forms, st.ucs2, in, len, i, swapped, o, unmapped);
        /* The scalar core takes the window that stopped the kernel. A
         * kernel that keeps taking nothing (the AVX2 one for UCS-2 takes
         * only ASCII) is asked again after twice as many windows each
         * time, up to 64; one that stopped at a single hard character in
         * mixed text is asked again at the next window. */
        missed = i == from ? missed + 1 : 0;
        const size_t stretch = window << (missed < 2 ? 0 : missed < 8 ? missed - 1 : 6);
        const size_t until = fast && stretch < len - i ? i + stretch : len;
        i = st.ucs2 ? convert_ucs2(st, in, len, i, until, o, unmapped, forms)
                    : convert_utf8(st, in, len, i, until, o, unmapped, forms);
    }
    st.unmapped = unmapped;
    *used = i;
    return static_cast<size_t>(o - out);
}

size_t reverse_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out)
{
    if (default_pair(st))
        return reverse_with(st, in, len, used, out, default_forms{});
    const table_set &set = *st.national;
    return reverse_with(st, in, len, used, out,
                        pair_forms{national_table_of(*set.codes, st.locking, LOCKING),
                                   national_table_of(*set.codes, st.single, SINGLE), set.gsm_forms,
                                   set.blocks[st.locking].data(), set.identity[st.locking].data()});
}
