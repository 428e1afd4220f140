#include "block.h"

#include <cstring>

#include "gsm_tables.h"
#include "kernels.h"
#include "national.h"
#include "tables.h"

void start_block(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                 const kernel_set *kernels)
{
    st = block_state{};
    st.ucs2 = ucs2;
    st.byte_order = BO_AS_READ;
    st.national = national;
    st.locking = static_cast<uint8_t>(locking);
    st.single = static_cast<uint8_t>(single);
    st.growth = static_cast<uint8_t>(national != nullptr ? national->growth[locking] : MAX_GROWTH);
    st.kernels = kernels;
}

size_t forward_start(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                     const kernel_set *kernels, uint8_t *out)
{
    start_block(st, ucs2, locking, single, national, kernels);
    if (!ucs2)
        return 0;
    /* The byte-order mark goes out before anything is read, also when the
     * input turns out to be empty. */
    out[0] = 0xFF;
    out[1] = 0xFE;
    return 2;
}

/* Stores the whole form and advances by its count: no branch on the length. */
static inline uint8_t *put(uint8_t *o, const unicode_form &form, uint64_t &unmapped)
{
    memcpy(o, form.bytes, sizeof form.bytes);
    unmapped += form.flags & FORM_UNMAPPED;
    return o + form.count;
}

/* The forms of the tables in force: by byte in the locking (or base) table,
 * and by the byte after an escape in the single (or escape) table. */
struct forward_rows {
    const unicode_form *base;
    const unicode_form *escaped;
};

/* Converts the code at in[i], or the escape pair it begins; returns where the
 * next code starts. */
static size_t convert_one(const forward_rows &rows, const uint8_t *in, size_t len, size_t i, uint8_t *&o,
                          uint64_t &unmapped, block_state &st)
{
    const unicode_form &form = rows.base[in[i]];
    if ((form.flags & FORM_ESCAPE) == 0) {
        o = put(o, form, unmapped);
        return i + 1;
    }
    if (i + 1 == len) {
        st.escape_pending = true; /* dropped if the input ends here */
        return len;
    }
    o = put(o, rows.escaped[in[i + 1]], unmapped);
    return i + 2;
}

/* The scalar core from in[i] until at least `until`, ending on a character
 * boundary; returns where it ended. */
static size_t forward_scalar(const forward_rows &rows, const uint8_t *in, size_t len, size_t i, size_t until,
                             uint8_t *&out_at, uint64_t &unmapped_at, block_state &st)
{
    /* Local copies: a store through a byte pointer could change the pointer
     * or the count, as far as the compiler knows, so it would reload them. */
    uint8_t *o = out_at;
    uint64_t unmapped = unmapped_at;
    /* Eight codes at a time while none of them is special: an escape, or a
     * byte above 0x7F; those take the careful path below. In the default
     * alphabet every other code has a mapping; a locking table may lack
     * some, which are counted where a word has any. The test treats each
     * byte of the word alike, so the host's byte order does not matter. */
    const uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    while (i + 8 <= until) {
        uint64_t word;
        memcpy(&word, in + i, sizeof word);
        const uint64_t escapes = word ^ (ones * GSM_ESCAPE); /* zero bytes where the escapes are */
        if (((word | ((escapes - ones) & ~escapes)) & highs) != 0) {
            i = convert_one(rows, in, len, i, o, unmapped, st);
            continue;
        }
        unsigned flags = 0;
        for (int k = 0; k < 8; ++k) {
            const unicode_form &form = rows.base[in[i + k]];
            memcpy(o, form.bytes, 4);
            o += form.count;
            flags |= form.flags;
        }
        if (flags != 0)
            for (int k = 0; k < 8; ++k)
                unmapped += rows.base[in[i + k]].flags & FORM_UNMAPPED;
        i += 8;
    }
    while (i < until)
        i = convert_one(rows, in, len, i, o, unmapped, st);
    out_at = o;
    unmapped_at = unmapped;
    return i;
}

size_t forward_as_is(const block_state &st, const uint8_t *in, size_t len)
{
    if (st.ucs2 || !default_pair(st) || st.escape_pending)
        return 0;
    size_t i = st.kernels != nullptr && st.kernels->as_is != nullptr ? st.kernels->as_is(in, len, 0) : 0;
    for (; i < len; ++i) {
        const unicode_form &form = forward_utf8.entries[in[i]];
        if (form.count != 1 || form.bytes[0] != in[i] || form.flags != 0)
            break;
    }
    return i;
}

size_t forward_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out)
{
    const forward_table &table = !default_pair(st) ? (*st.national->forms)[st.locking][st.ucs2]
                                 : st.ucs2                ? forward_ucs2
                                                          : forward_utf8;
    const forward_table &single = default_pair(st) ? table : (*st.national->forms)[st.single][st.ucs2];
    const forward_rows rows = {table.entries, single.entries + FORWARD_ESCAPED};
    uint8_t *o = out;
    uint64_t unmapped = st.unmapped;
    size_t i = 0;
    /* An escape covers exactly one byte, so a second 0x1B is looked up in
     * the escape table, where it has no mapping. */
    if (st.escape_pending && len > 0) {
        o = put(o, rows.escaped[in[0]], unmapped);
        st.escape_pending = false;
        i = 1;
    }
    const auto pair_kernel = st.kernels == nullptr || default_pair(st) ? nullptr
                             : st.ucs2                                 ? st.kernels->pair_forward_ucs2
                                                                       : st.kernels->pair_forward_utf8;
    if (st.kernels == nullptr || (!default_pair(st) && pair_kernel == nullptr)) {
        i = forward_scalar(rows, in, len, i, len, o, unmapped, st);
    } else {
        /* The kernel converts the windows it handles; the scalar core takes
         * each window it leaves, and the tail. */
        const auto kernel = st.ucs2 ? st.kernels->forward_ucs2 : st.kernels->forward_utf8;
        const size_t window = st.kernels->window;
        pair_kernel_tables pair{};
        if (!default_pair(st)) {
            const national_plane_set &planes = *st.national->planes;
            pair.locking_planes = &planes.of[st.locking][LOCKING][st.ucs2];
            pair.single_planes = &planes.of[st.single][SINGLE][st.ucs2];
            pair.locking_forms = table.entries;
            pair.single_forms = single.entries + FORWARD_ESCAPED;
            pair.identity = st.national->identity[st.locking].data();
        }
        while (i < len) {
            i = pair_kernel != nullptr ? pair_kernel(pair, in, len, i, o, unmapped)
                                       : kernel(table.entries, in, len, i, o, unmapped);
            i = forward_scalar(rows, in, len, i, i + window < len ? i + window : len, o, unmapped, st);
        }
    }
    st.unmapped = unmapped;
    *used = len;
    return static_cast<size_t>(o - out);
}
