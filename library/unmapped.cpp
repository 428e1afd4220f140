/* Where the characters without a mapping stand in a conversion: what the
 * whole-buffer calls count as unmapped and leave out, one character at a
 * time, for a caller that must say where (a codec's error handler, a
 * message naming the character). */
#include "septcvt.h"

#include "national.h"
#include "tables.h"
#include "utf8.h"

namespace {

constexpr uint64_t NONE = SEPTCVT_NO_OFFSET;

/* GSM text from `at`: a code the locking table lacks (a byte above 0x7F
 * among them), an escape and a code the single table lacks, or an escape
 * with nothing after it. */
void next_in_gsm(const uint8_t *in, size_t len, int locking, int single, size_t at, uint64_t *offset, size_t *length)
{
    const unicode_form *base = national_forms[locking][0].entries;
    const unicode_form *escaped = national_forms[single][0].entries + FORWARD_ESCAPED;
    for (size_t i = at; i < len;) {
        const unicode_form &form = base[in[i]];
        const bool escape = (form.flags & FORM_ESCAPE) != 0;
        const size_t n = escape && i + 1 < len ? 2 : 1;
        if ((form.flags & FORM_UNMAPPED) != 0 || (escape && (n == 1 || (escaped[in[i + 1]].flags & FORM_UNMAPPED) != 0))) {
            *offset = i;
            *length = n;
            return;
        }
        i += n;
    }
    *offset = NONE;
    *length = 0;
}

/* Unicode text from `at`: a unit of UCS-2 (surrogates are not paired) or a
 * UTF-8 character that the pair lacks; input the conversion refuses stops
 * the walk with the refusal. */
int next_in_unicode(const uint8_t *in, size_t len, bool ucs2, int locking, int single, size_t at, uint64_t *offset,
                    size_t *length)
{
    const national_table lock = national_table_of(locking, LOCKING), shift = national_table_of(single, SINGLE);
    bool swapped = false;
    if (ucs2) {
        if (len < 2 || !((in[0] == 0xFF && in[1] == 0xFE) || (in[0] == 0xFE && in[1] == 0xFF))) {
            *offset = 0;
            return SEPTCVT_NO_MARK;
        }
        swapped = in[0] == 0xFE;
        at = at < 2 ? 2 : at;
    }
    for (size_t i = at; i < len;) {
        uint32_t code_point = 0;
        size_t used = 0;
        if (ucs2) {
            if (len - i < 2) {
                *offset = i; /* an odd final byte: a whole buffer ends with whole units */
                return SEPTCVT_MALFORMED;
            }
            code_point = swapped ? static_cast<uint32_t>(in[i] << 8 | in[i + 1]) : static_cast<uint32_t>(in[i] | in[i + 1] << 8);
            used = 2;
        } else if (utf8_decode(in + i, len - i, &code_point, &used) != UTF_OK) {
            *offset = i;
            return SEPTCVT_MALFORMED;
        }
        if (code_point > 0xFFFF || national_gsm_form(lock, shift, static_cast<uint16_t>(code_point)).count == 0) {
            *offset = i;
            *length = used;
            return SEPTCVT_OK;
        }
        i += used;
    }
    *offset = NONE;
    *length = 0;
    return SEPTCVT_OK;
}

bool known_language(int id)
{
    return id >= 0 && id < LANGUAGES;
}

} // namespace

int septcvt_next_unmapped(int direction, int form, int locking, int single, const void *in, size_t in_len,
                          uint64_t from, uint64_t *offset, size_t *length)
{
    if (offset == nullptr || length == nullptr || (in == nullptr && in_len > 0))
        return SEPTCVT_NULL_POINTER;
    if ((direction != SEPTCVT_TO_UNICODE && direction != SEPTCVT_TO_GSM) ||
        (form != SEPTCVT_UTF8 && form != SEPTCVT_UCS2) || !known_language(locking) || !known_language(single))
        return SEPTCVT_BAD_ARGUMENT;
    const uint8_t *bytes = static_cast<const uint8_t *>(in);
    /* Past the end there is nothing more to find. */
    const size_t at = from < in_len ? static_cast<size_t>(from) : in_len;
    locking = locking_table_of(locking);
    if (direction == SEPTCVT_TO_UNICODE) {
        next_in_gsm(bytes, in_len, locking, single, at, offset, length);
        return SEPTCVT_OK;
    }
    return next_in_unicode(bytes, in_len, form == SEPTCVT_UCS2, locking, single, at, offset, length);
}
