/* A received part read back: its TP-DCS, its user-data header, and its
 * text as UTF-8. */
#include "septcvt.h"

#include <cstring>

#include "elements.h"
#include "national.h"
#include "received.h"
#include "utf8.h"

/* The alphabet TP-DCS names, by its coding group (the high four bits).
 * Reserved values are read as the default alphabet, which is what a
 * receiver shows of a text it cannot place. */
coding coding_of(int dcs)
{
    const int group = dcs >> 4;
    if (group < 8) { /* general data coding; bit 5 is compression */
        if ((dcs & 0x20) != 0)
            return NOT_TEXT;
        const int alphabet = (dcs >> 2) & 3;
        return alphabet == 1 ? NOT_TEXT : alphabet == 2 ? UCS2 : SEVEN_BIT;
    }
    if (group == 0xE)
        return UCS2;
    if (group == 0xF && (dcs & 0x04) != 0)
        return NOT_TEXT;
    return SEVEN_BIT;
}

bool read_header(const uint8_t *h, size_t len, septcvt_received &out, size_t &at, int *reference_bits)
{
    uint8_t iei, size;
    const uint8_t *d;
    for (at = 0; at < len;) {
        if (!next_element(h, len, at, iei, size, d))
            return false;
        unsigned reference = 0, total = 0, sequence = 0;
        if (iei == CONCATENATION_8 && size == 3) {
            reference = d[0], total = d[1], sequence = d[2];
        } else if (iei == CONCATENATION_16 && size == 4) {
            reference = static_cast<unsigned>(d[0] << 8 | d[1]), total = d[2], sequence = d[3];
        } else if (iei == SINGLE_SHIFT && size == 1) {
            out.single = d[0];
        } else if (iei == LOCKING_SHIFT && size == 1) {
            out.locking = d[0];
        }
        /* A total or a sequence number of 0, or a sequence beyond the
         * total, places the part nowhere. */
        if (total > 0 && sequence > 0 && sequence <= total) {
            out.concatenated = 1;
            out.reference = reference, out.total = total, out.sequence = sequence;
            if (reference_bits != nullptr)
                *reference_bits = iei == CONCATENATION_16 ? 16 : 8;
        }
    }
    return true;
}

size_t utf16_to_utf8(const uint8_t *u, size_t len, uint8_t *out, size_t size, uint64_t &unmapped)
{
    auto unit = [u](size_t i) { return static_cast<uint32_t>(u[i] << 8 | u[i + 1]); };
    size_t n = 0;
    for (size_t i = 0; i + 1 < len; i += 2) {
        uint32_t cp = unit(i);
        const bool high = cp >= 0xD800 && cp <= 0xDBFF;
        if (high && i + 3 < len && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            ++unmapped;
            continue;
        }
        uint8_t bytes[UTF8_MAX_LENGTH];
        const size_t k = static_cast<size_t>(utf8_encode(cp, bytes));
        if (n + k <= size)
            memcpy(out + n, bytes, k);
        n += k;
    }
    unmapped += len % 2;
    return n;
}

int septcvt_read_part(int dcs, int udhi, int udl, const uint8_t *ud, size_t ud_len, septcvt_received *out)
{
    if (out == nullptr || (ud == nullptr && ud_len > 0))
        return SEPTCVT_NULL_POINTER;
    if (dcs < 0 || dcs > 0xFF)
        return SEPTCVT_BAD_ARGUMENT;
    memset(out, 0, sizeof *out);
    const coding code = coding_of(dcs);
    if (code == NOT_TEXT)
        return SEPTCVT_NOT_TEXT;
    /* TP-UDL counts septets of 7-bit text, octets of UCS-2, the header's
     * included; it, not the octets a network hands over, says where the
     * text ends, since the last octet of septets may hold spare bits. */
    const bool seven = code == SEVEN_BIT;
    if (udl < 0 || udl > (seven ? SEPTCVT_SINGLE_SEPTETS : SEPTCVT_USER_DATA_OCTETS) || (udhi != 0 && ud_len == 0))
        return SEPTCVT_BAD_USER_DATA;
    const size_t units = static_cast<size_t>(udl);
    /* The header's octets, its length octet included, and the septets or
     * octets it takes. */
    const size_t header = udhi != 0 ? ud[0] + 1u : 0;
    const size_t header_units = seven ? header_septets(header) : header;
    /* The octets hold the header and the text; a header with no text
     * after it needs no octet for its fill bits. */
    const size_t need = !seven ? units : units > header_units ? septcvt_packed_size(units, 0) : header;
    size_t at;
    if (header_units > units || ud_len < need || (header > 0 && !read_header(ud + 1, header - 1, *out, at))) {
        memset(out, 0, sizeof *out);
        return SEPTCVT_BAD_USER_DATA;
    }
    if (seven) {
        /* Septet j lies at bit 7j of the user data: the text begins at the
         * first whole septet after the header, its fill bits before it. */
        uint8_t codes[SEPTCVT_SINGLE_SEPTETS];
        septcvt_unpack(ud, ud_len, 0, units, codes, sizeof codes);
        /* An id without tables of its own reads through the default ones. */
        const int locking = out->locking < LANGUAGES ? out->locking : SEPTCVT_DEFAULT;
        const int single = out->single < LANGUAGES ? out->single : SEPTCVT_DEFAULT;
        septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, codes + header_units, units - header_units, out->text,
                                sizeof out->text, &out->text_len, &out->unmapped);
    } else {
        out->text_len = utf16_to_utf8(ud + header, units - header, out->text, sizeof out->text, out->unmapped);
    }
    return out->unmapped > 0 ? SEPTCVT_UNMAPPED : SEPTCVT_OK;
}
