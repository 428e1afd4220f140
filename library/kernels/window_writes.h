/* The writes of a window the kernels have classified: loops over every
 * position with no branch in them, so mixed text costs no mispredicted
 * branches. Each position stores its entry whole and the output advances
 * by its count. Plain code, shared by the kernels of every width. */
#ifndef SEPTCVT_WINDOW_WRITES_H
#define SEPTCVT_WINDOW_WRITES_H

#include <cstring>

#include "tables.h"

/* GSM text with no escape and nothing above 0x7F, in[0..n) with n a
 * multiple of 8: every code has a character, so the count stays. forms is
 * a forward_table's row of entries, stored whole and advanced by count. */
static inline void write_gsm_window(const unicode_form *forms, const uint8_t *in, unsigned n, uint8_t *&o)
{
    uint8_t *p = o;
    for (unsigned k = 0; k < n; k += 8) {
#pragma GCC unroll 8
        for (unsigned j = k; j < k + 8; ++j) {
            const unicode_form &form = forms[in[j]];
            memcpy(p, form.bytes, sizeof form.bytes);
            p += form.count;
        }
    }
    o = p;
}

/* GSM text with escapes, none after another, and nothing above 0x7F,
 * in[0..n): a code read in the forms of the base (or locking) table, or,
 * where bit k of after is set, in those of the escape (or single) table;
 * the escape itself writes nothing. Codes without a form are counted,
 * where a window has some: rare in text. */
static inline void write_pair_window(const unicode_form *locking, const unicode_form *single, const uint8_t *in,
                                     uint64_t after, unsigned n, uint8_t *&o, uint64_t &unmapped)
{
    uint8_t *p = o;
    unsigned flags = 0;
#pragma GCC unroll 8
    for (unsigned k = 0; k < n; ++k) {
        const unicode_form &form = ((after >> k & 1) != 0 ? single : locking)[in[k]];
        memcpy(p, form.bytes, sizeof form.bytes);
        p += form.count;
        flags |= form.flags;
    }
    o = p;
    if ((flags & FORM_UNMAPPED) != 0)
        for (unsigned k = 0; k < n; ++k)
            unmapped += ((after >> k & 1) != 0 ? single : locking)[in[k]].flags & FORM_UNMAPPED;
}

/* UTF-8 of one and two bytes, as one unit a position worked out by the
 * kernel: a character's unit where it starts, GSM_INSIDE inside it. */
static inline void write_unit_window(const uint16_t *units, unsigned n, uint8_t *&o, uint64_t &unmapped)
{
    uint8_t *p = o;
    uint32_t all = 0;
#pragma GCC unroll 8
    for (unsigned k = 0; k < n; ++k) {
        const uint32_t form = gsm_short_forms[units[k]];
        p[0] = static_cast<uint8_t>(form);
        p[1] = static_cast<uint8_t>(form >> 8);
        p += (form >> 16) & 0xFF;
        all |= form;
    }
    o = p;
    if ((all & GSM_SHORT_UNMAPPED) != 0)
        for (unsigned k = 0; k < n; ++k)
            unmapped += gsm_short_forms[units[k]] >> 24;
}

#endif
