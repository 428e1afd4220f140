#include "block.h"

#include <cstring>

#include "convert.h"
#include "tables.h"
#include "utf8.h"

void reverse_start(block_state &st, bool ucs2)
{
    st = block_state{};
    st.ucs2 = ucs2;
    st.byte_order = ucs2 ? BO_UNKNOWN : BO_AS_READ;
}

int end_status(const block_state &st)
{
    return st.byte_order == BO_UNKNOWN ? 1 : st.status;
}

/* Stores both bytes and advances by the count: an escape pair, one code, or
 * nothing for a unit without mapping, which is left out. */
static inline uint8_t *put_unit(uint8_t *o, uint16_t unit, int &status)
{
    const gsm_form &form = gsm_form_of(unit);
    memcpy(o, form.bytes, sizeof form.bytes);
    status |= form.unmapped;
    return o + form.count;
}

/* Nothing above U+FFFF is in the tables; cutting it to 16 bits would turn it
 * into some unrelated character. */
static inline uint8_t *put_code_point(uint8_t *o, uint32_t code_point, int &status)
{
    if (code_point > 0xFFFF) {
        status = 1;
        return o;
    }
    return put_unit(o, static_cast<uint16_t>(code_point), status);
}

/* Units are taken as they come: surrogates are not paired. */
static inline uint16_t load_unit(const uint8_t *p, int byte_order)
{
    const uint16_t unit = static_cast<uint16_t>(p[0] | p[1] << 8);
    return byte_order == BO_SWAPPED ? swap16(unit) : unit;
}

/* Converts the mark, unit or sequence gathered whole in st.pending. */
static uint8_t *finish_pending(block_state &st, uint8_t *o, int &status)
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
        return o;
    }
    if (st.ucs2)
        return put_unit(o, load_unit(st.pending, st.byte_order), status);
    uint32_t code_point;
    size_t used;
    if (utf8_decode(st.pending, len, &code_point, &used) != UTF_OK) {
        st.stop = true;
        return o;
    }
    return put_code_point(o, code_point, status);
}

static size_t convert_ucs2(block_state &st, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           int &status)
{
    for (; i + 1 < len; i += 2)
        o = put_unit(o, load_unit(in + i, st.byte_order), status);
    if (i < len) /* half a unit waits for the next block, or is dropped */
        st.pending[st.pending_len++] = in[i++];
    return i;
}

static size_t convert_utf8(block_state &st, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                           int &status)
{
    while (i < len) {
        const uint8_t lead = in[i];
        if (lead < 0x80) {
            o = put_unit(o, lead, status);
            ++i;
            continue;
        }
        /* A well-formed two-byte form needs no further check: it holds
         * neither an overlong value nor a surrogate or noncharacter. */
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < len && (in[i + 1] & 0xC0) == 0x80) {
            o = put_unit(o, static_cast<uint16_t>((lead & 0x1F) << 6 | (in[i + 1] & 0x3F)), status);
            i += 2;
            continue;
        }
        uint32_t code_point;
        size_t used;
        const int got = utf8_decode(in + i, len - i, &code_point, &used);
        if (got == UTF_IO) {
            /* Cut by the block end: judged when all announced bytes are in. */
            memcpy(st.pending, in + i, used);
            st.pending_len = used;
            return len;
        }
        i += used;
        if (got != UTF_OK) {
            st.stop = true;
            break;
        }
        o = put_code_point(o, code_point, status);
    }
    return i;
}

size_t reverse_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out)
{
    uint8_t *o = out;
    int status = st.status;
    size_t i = 0;
    /* The UCS-2 mark, and whatever the last block end cut off, are gathered
     * whole before they are judged. */
    if (st.pending_len > 0 || st.byte_order == BO_UNKNOWN) {
        const size_t need = st.ucs2 ? 2 : static_cast<size_t>(utf8_length(st.pending[0]));
        while (st.pending_len < need && i < len)
            st.pending[st.pending_len++] = in[i++];
        if (st.pending_len == need)
            o = finish_pending(st, o, status);
    }
    if (!st.stop && st.pending_len == 0)
        i = st.ucs2 ? convert_ucs2(st, in, len, i, o, status) : convert_utf8(st, in, len, i, o, status);
    if (st.stop)
        status = 1;
    st.status = status;
    *used = i;
    return static_cast<size_t>(o - out);
}
