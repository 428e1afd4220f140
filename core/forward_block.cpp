#include "block.h"

#include <cstring>

#include "tables.h"

size_t forward_start(block_state &st, bool ucs2, uint8_t *out)
{
    st = block_state{};
    st.ucs2 = ucs2;
    st.byte_order = BO_AS_READ;
    if (!ucs2)
        return 0;
    /* The byte-order mark goes out before anything is read, also when the
     * input turns out to be empty. */
    out[0] = 0xFF;
    out[1] = 0xFE;
    return 2;
}

/* Stores the whole form and advances by its count: no branch on the length. */
static inline uint8_t *put(uint8_t *o, const unicode_form &form, int &status)
{
    memcpy(o, form.bytes, sizeof form.bytes);
    status |= form.flags & FORM_UNMAPPED;
    return o + form.count;
}

size_t forward_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out)
{
    const forward_table &table = st.ucs2 ? forward_ucs2 : forward_utf8;
    uint8_t *o = out;
    int status = st.status;
    size_t i = 0;
    /* An escape covers exactly one byte, so a second 0x1B is looked up in
     * the escape table, where it has no mapping. */
    if (st.escape_pending && len > 0) {
        o = put(o, table.escaped[in[0]], status);
        st.escape_pending = false;
        i = 1;
    }
    for (; i < len; ++i) {
        const unicode_form &form = table.base[in[i]];
        if ((form.flags & FORM_ESCAPE) != 0) {
            if (++i == len) {
                st.escape_pending = true; /* dropped if the input ends here */
                break;
            }
            o = put(o, table.escaped[in[i]], status);
            continue;
        }
        o = put(o, form, status);
    }
    st.status = status;
    *used = len;
    return static_cast<size_t>(o - out);
}
