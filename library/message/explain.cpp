/* Why a plan is what it is: the characters that no 7-bit pair the caller
 * allows can hold, which ruled the 7-bit encodings out where they stand,
 * and the look-alikes that went out replaced. */
#include "septcvt.h"

#include "message.h"
#include "national.h"

namespace {

constexpr uint16_t LANGUAGE_BITS = 0x3FFE; /* ids 1-13 */

/* Whether some allowed pair holds a code point: a locking table or a single
 * table of the masks (bit 0, the default tables, always allowed). U+001B
 * would turn the next character into one of the extension, and nothing
 * above U+FFFF is in a table. */
bool held(uint32_t code_point, uint16_t locking, uint16_t single)
{
    if (code_point > 0xFFFF || code_point == GSM_ESCAPE)
        return false;
    const uint16_t unit = static_cast<uint16_t>(code_point);
    return (national_holders(LOCKING, unit) & locking) != 0 || (national_holders(SINGLE, unit) & single) != 0;
}

/* Stores item i where there is room; the count goes on regardless. */
template <typename T>
void keep(T *out, size_t max_out, size_t &n, const T &item)
{
    if (n < max_out)
        out[n] = item;
    ++n;
}

} // namespace

int septcvt_plan_ruled_out(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
                           septcvt_char *out, size_t max_out, size_t *count, uint64_t *error_offset)
{
    if (count == nullptr || (text == nullptr && text_len > 0) || (out == nullptr && max_out > 0))
        return SEPTCVT_NULL_POINTER;
    const septcvt_plan_options o = options != nullptr ? *options : septcvt_plan_options{};
    if ((form != SEPTCVT_UTF8 && form != SEPTCVT_UCS2) || (o.locking_languages & ~LANGUAGE_BITS) != 0 ||
        (o.single_languages & ~LANGUAGE_BITS) != 0)
        return SEPTCVT_BAD_ARGUMENT;
    /* A locking id without a table of its own (Spanish) is the default. */
    uint16_t locking = 1;
    for (int id = 1; id < LANGUAGES; ++id)
        if ((o.locking_languages >> id & 1) != 0)
            locking = static_cast<uint16_t>(locking | 1u << locking_table_of(id));
    const uint16_t single = static_cast<uint16_t>(o.single_languages | 1u);
    text_reader r;
    if (reader_start(r, form, text, text_len) != SEPTCVT_OK) {
        if (error_offset != nullptr)
            *error_offset = 0;
        return SEPTCVT_NO_MARK;
    }
    /* Counted first and stored after, so that a refusal leaves out as it was. */
    size_t n = 0;
    for (int store = 0; store < 2; ++store) {
        r.pos = r.ucs2 ? 2 : 0;
        n = 0;
        text_char c;
        int got;
        while ((got = reader_next(r, c)) > 0) {
            /* With replacement, a character is judged by what it becomes. */
            uint32_t pieces[3] = {c.code_point};
            int k = o.replace_lookalikes ? lookalike(c.code_point, pieces) : -1;
            k = k < 0 ? 1 : k;
            bool all = true;
            for (int i = 0; i < k; ++i)
                all = all && held(pieces[i], locking, single);
            if (!all)
                keep(out, store ? max_out : 0, n, septcvt_char{c.begin, c.end - c.begin, c.code_point});
        }
        if (got < 0) {
            if (error_offset != nullptr)
                *error_offset = r.pos;
            return SEPTCVT_MALFORMED;
        }
        if (n > max_out) {
            *count = n;
            return SEPTCVT_NO_ROOM;
        }
    }
    *count = n;
    if (error_offset != nullptr)
        *error_offset = SEPTCVT_NO_OFFSET;
    return SEPTCVT_OK;
}

int septcvt_plan_replaced(const void *text, size_t text_len, const septcvt_plan *plan, septcvt_replacement *out,
                          size_t max_out, size_t *count)
{
    if (plan == nullptr || count == nullptr || (text == nullptr && text_len > 0) || (out == nullptr && max_out > 0))
        return SEPTCVT_NULL_POINTER;
    text_reader r;
    if (reader_start(r, plan->form, text, text_len) != SEPTCVT_OK)
        return SEPTCVT_NO_MARK;
    size_t n = 0;
    /* The original text went out: nothing was replaced. */
    for (int store = 0; store < 2 && plan->replaced > 0; ++store) {
        r.pos = r.ucs2 ? 2 : 0;
        n = 0;
        text_char c;
        int got;
        while ((got = reader_next(r, c)) > 0) {
            septcvt_replacement rep{{c.begin, c.end - c.begin, c.code_point}, {0, 0, 0}, 0};
            const int k = lookalike(c.code_point, rep.became);
            if (k >= 0) {
                rep.became_count = static_cast<size_t>(k);
                keep(out, store ? max_out : 0, n, rep);
            }
        }
        if (got < 0)
            return SEPTCVT_MALFORMED;
        if (n > max_out) {
            *count = n;
            return SEPTCVT_NO_ROOM;
        }
    }
    *count = n;
    return SEPTCVT_OK;
}
