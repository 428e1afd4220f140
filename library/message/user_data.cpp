/* The user data of one part of a plan: its header, then its text packed
 * behind the fill bits, or as UTF-16 big-endian. */
#include "septcvt.h"

#include <cstring>

#include "elements.h"
#include "message.h"
#include "national.h"

bool elements_hold(const septcvt_plan_options &options)
{
    if (options.elements == nullptr)
        return options.elements_len == 0;
    uint8_t iei, size;
    const uint8_t *data;
    for (size_t at = 0; at < options.elements_len;)
        if (!next_element(options.elements, options.elements_len, at, iei, size, data) || iei == CONCATENATION_8 ||
            iei == CONCATENATION_16 || iei == SINGLE_SHIFT || iei == LOCKING_SHIFT)
            return false;
    return true;
}

/* Whether a part may begin or end at offset at of the text r reads: at the
 * end, or where a character starts (past the mark, on a unit's first
 * byte and not on a surrogate pair's second unit, not on a UTF-8
 * continuation byte). A boundary elsewhere would send the mark as text, or
 * read the text out of step. */
static bool character_starts_at(const text_reader &r, size_t at)
{
    if (at == r.end)
        return true;
    if (at > r.end || at < r.pos)
        return false;
    if (!r.ucs2)
        return (r.in[at] & 0xC0) != 0x80;
    if ((at - r.pos) % 2 != 0)
        return false;
    if (at == r.pos || r.end - at < 2)
        return true; /* the first unit, or an odd last octet that the reading refuses */
    const unsigned first = r.swapped ? 0 : 1; /* the octet holding the high bits */
    const bool low_half = (r.in[at + first] & 0xFC) == 0xDC;
    const bool after_high = (r.in[at - 2 + first] & 0xFC) == 0xD8;
    return !(low_half && after_high);
}

bool plan_holds(const septcvt_plan &plan)
{
    return (plan.dcs == SEPTCVT_DCS_7BIT || plan.dcs == SEPTCVT_DCS_UCS2) && plan.locking >= 0 && plan.locking < LANGUAGES &&
           plan.single >= 0 && plan.single < LANGUAGES && (plan.form == SEPTCVT_UTF8 || plan.form == SEPTCVT_UCS2);
}

size_t write_header(const septcvt_plan &plan, const septcvt_plan_options &o, size_t k, unsigned reference,
                    bool concatenation, uint8_t *h)
{
    /* Concatenation, the caller's elements, the single and the locking
     * shift; none without an element. */
    const bool seven_bit = plan.dcs == SEPTCVT_DCS_7BIT, single_shift = seven_bit && plan.single != 0,
               locking_shift = seven_bit && plan.locking != 0;
    const size_t elements = (concatenation ? concatenation_octets(plan.reference_bits) : 0) + o.elements_len +
                            LANGUAGE_OCTETS * (single_shift + locking_shift);
    if (elements == 0)
        return 0;
    /* Elements a plan was not made of may be longer than any header; they
     * are measured, never written past the user data. */
    if (header_octets(elements) >= SEPTCVT_USER_DATA_OCTETS)
        return header_octets(elements);
    uint8_t *at = h + 1;
    if (concatenation) {
        const uint8_t total = static_cast<uint8_t>(plan.parts), sequence = static_cast<uint8_t>(k + 1);
        const uint8_t hi = static_cast<uint8_t>(reference >> 8), lo = static_cast<uint8_t>(reference);
        const uint8_t by_8[] = {CONCATENATION_8, 3, lo, total, sequence};
        const uint8_t by_16[] = {CONCATENATION_16, 4, hi, lo, total, sequence};
        memcpy(at, plan.reference_bits == 16 ? by_16 : by_8, plan.reference_bits == 16 ? sizeof by_16 : sizeof by_8);
        at += plan.reference_bits == 16 ? sizeof by_16 : sizeof by_8;
    }
    if (o.elements_len > 0)
        memcpy(at, o.elements, o.elements_len);
    at += o.elements_len;
    const uint8_t shifts[] = {SINGLE_SHIFT, 1, static_cast<uint8_t>(plan.single),
                              LOCKING_SHIFT, 1, static_cast<uint8_t>(plan.locking)};
    if (single_shift)
        at = static_cast<uint8_t *>(memcpy(at, shifts, LANGUAGE_OCTETS)) + LANGUAGE_OCTETS;
    if (locking_shift)
        memcpy(at, shifts + LANGUAGE_OCTETS, LANGUAGE_OCTETS);
    h[0] = static_cast<uint8_t>(elements);
    return header_octets(elements);
}

int encode_text(text_reader &r, const septcvt_plan &plan, uint8_t *out, size_t size, size_t &n)
{
    /* 7-bit: the codes through the plan's tables, each piece replaced where
     * the plan replaced look-alikes; UCS-2: UTF-16 big-endian. */
    const national_table locking = national_table_of(locking_table_of(plan.locking), LOCKING);
    const national_table single = national_table_of(plan.single, SINGLE);
    const bool seven_bit = plan.dcs == SEPTCVT_DCS_7BIT;
    text_char c;
    int got;
    n = 0;
    while ((got = reader_next(r, c)) > 0) {
        if (!seven_bit) {
            const uint32_t cp = c.code_point;
            const uint32_t units[2] = {cp > 0xFFFF ? 0xD800 + ((cp - 0x10000) >> 10) : cp, 0xDC00 + ((cp - 0x10000) & 0x3FF)};
            for (int u = 0; u < (cp > 0xFFFF ? 2 : 1); ++u, n += 2)
                if (n + 2 <= size) {
                    out[n] = static_cast<uint8_t>(units[u] >> 8);
                    out[n + 1] = static_cast<uint8_t>(units[u]);
                }
            continue;
        }
        uint32_t pieces[3] = {c.code_point};
        int count = plan.replaced > 0 ? lookalike(c.code_point, pieces) : -1;
        count = count < 0 ? 1 : count;
        for (int i = 0; i < count; ++i) {
            const gsm_form &form = national_gsm_form(locking, single, static_cast<uint16_t>(pieces[i]));
            if (pieces[i] > 0xFFFF || pieces[i] == GSM_ESCAPE || form.count == 0)
                return SEPTCVT_BAD_ARGUMENT; /* not the text the plan was made of */
            /* One code or an escape pair: two stores, not a call. */
            if (n + form.count <= size) {
                out[n] = form.bytes[0];
                if (form.count > 1)
                    out[n + 1] = form.bytes[1];
            }
            n += form.count;
        }
    }
    if (got < 0)
        return SEPTCVT_MALFORMED;
    return n > size ? SEPTCVT_NO_ROOM : SEPTCVT_OK;
}

int septcvt_part_user_data(const void *text, size_t text_len, const septcvt_plan_options *options,
                           const septcvt_plan *plan, const septcvt_part *parts, size_t k, unsigned reference,
                           septcvt_user_data *out)
{
    if (plan == nullptr || parts == nullptr || out == nullptr || (text == nullptr && text_len > 0))
        return SEPTCVT_NULL_POINTER;
    const septcvt_plan_options o = options != nullptr ? *options : septcvt_plan_options{};
    if (k >= plan->parts || !plan_holds(*plan) || reference > (plan->reference_bits == 16 ? 0xFFFFu : 0xFFu) ||
        plan->parts > SEPTCVT_MOST_PARTS || parts[k].begin > parts[k].end || parts[k].end > text_len || !elements_hold(o))
        return SEPTCVT_BAD_ARGUMENT;
    text_reader r;
    if (reader_start(r, plan->form, text, text_len) != SEPTCVT_OK)
        return SEPTCVT_NO_MARK;
    if (!character_starts_at(r, parts[k].begin) || !character_starts_at(r, parts[k].end))
        return SEPTCVT_BAD_ARGUMENT;
    r.pos = parts[k].begin;
    r.end = parts[k].end;

    /* Built here and copied out only when it is whole: a refusal changes
     * nothing of *out. */
    septcvt_user_data built;
    const size_t h = write_header(*plan, o, k, reference, plan->parts > 1, built.ud);
    if (h >= SEPTCVT_USER_DATA_OCTETS)
        return SEPTCVT_BAD_ARGUMENT; /* no plan leaves such a header */
    built.dcs = plan->dcs;
    built.udhi = h > 0;
    const bool seven_bit = plan->dcs == SEPTCVT_DCS_7BIT;
    uint8_t codes[SEPTCVT_SINGLE_SEPTETS];
    size_t n = 0;
    const int got = encode_text(r, *plan, seven_bit ? codes : built.ud + h,
                                seven_bit ? sizeof codes : SEPTCVT_USER_DATA_OCTETS - h, n);
    if (got != SEPTCVT_OK)
        return got == SEPTCVT_NO_ROOM ? SEPTCVT_BAD_ARGUMENT : got; /* more than the plan's part holds */
    if (!seven_bit) {
        built.length = h + n;
        built.udl = static_cast<int>(built.length);
        memcpy(out, &built, sizeof built);
        return SEPTCVT_OK;
    }
    uint8_t *ud = built.ud;
    const unsigned fill = fill_bits_after(h);
    size_t packed = 0;
    const int status = septcvt_pack(codes, n, fill, ud + h, SEPTCVT_USER_DATA_OCTETS - h, &packed);
    if (status != SEPTCVT_OK)
        return status == SEPTCVT_NO_ROOM ? SEPTCVT_BAD_ARGUMENT : status;
    built.udl = static_cast<int>(header_septets(h) + n);
    /* A header with no septets after it still takes whole septets, its fill
     * bits among them: TP-UDL counts them, so the octets must hold them. */
    built.length = septcvt_packed_size(static_cast<size_t>(built.udl), 0);
    if (built.length > h + packed)
        ud[h + packed] = 0;
    memcpy(out, &built, sizeof built);
    return SEPTCVT_OK;
}
