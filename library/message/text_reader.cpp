#include "message.h"

#include "utf8.h"

int reader_start(text_reader &r, int form, const void *text, size_t len)
{
    const uint8_t *in = static_cast<const uint8_t *>(text);
    r = text_reader{in, len, 0, form == SEPTCVT_UCS2, false};
    if (!r.ucs2)
        return SEPTCVT_OK;
    if (len < 2 || !((in[0] == 0xFF && in[1] == 0xFE) || (in[0] == 0xFE && in[1] == 0xFF)))
        return SEPTCVT_NO_MARK;
    r.swapped = in[0] == 0xFE;
    r.pos = 2;
    return SEPTCVT_OK;
}

static uint16_t unit_at(const text_reader &r, size_t at)
{
    return static_cast<uint16_t>(r.swapped ? r.in[at] << 8 | r.in[at + 1] : r.in[at] | r.in[at + 1] << 8);
}

int reader_next_decoded(text_reader &r, text_char &c)
{
    if (r.pos >= r.end)
        return 0;
    c.begin = r.pos;
    if (r.ucs2) {
        if (r.end - r.pos < 2)
            return -1; /* an odd final byte */
        const uint16_t unit = unit_at(r, r.pos);
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return -1;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const uint16_t low = r.end - r.pos >= 4 ? unit_at(r, r.pos + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return -1;
            c.code_point = 0x10000 + ((unit - 0xD800u) << 10 | (low - 0xDC00u));
            r.pos += 4;
        } else {
            c.code_point = unit;
            r.pos += 2;
        }
    } else {
        size_t used = 0;
        /* Beyond what the conversions refuse: the five- and six-byte forms
         * and values above U+10FFFF, which no SMS encoding carries. */
        if (utf8_decode(r.in + r.pos, r.end - r.pos, &c.code_point, &used) != UTF_OK || used > 4 ||
            c.code_point > 0x10FFFF)
            return -1;
        r.pos += used;
    }
    c.end = r.pos;
    return 1;
}

int reader_count_units(text_reader &r, size_t &units)
{
    /* ASCII counted a byte at a time, the rest as reader_next reads it. */
    text_char c;
    int got = 1;
    while (got > 0) {
        if (!r.ucs2 && r.pos < r.end && r.in[r.pos] < 0x80) {
            ++units, ++r.pos;
            continue;
        }
        if ((got = reader_next(r, c)) > 0)
            units += c.code_point > 0xFFFF ? 2 : 1;
    }
    return got;
}
