#include "convert.h"

#include "gsm_tables.h"
#include "stream_io.h"
#include "utf8.h"

/* Byte order of UCS-2 input, as its mark showed. */
constexpr int BO_AS_READ = 0; /* FF FE: little-endian units */
constexpr int BO_SWAPPED = 1; /* FE FF: big-endian units */
constexpr int BO_UNKNOWN = 2; /* no mark read */

uint16_t swap16(uint16_t unit)
{
    return static_cast<uint16_t>((unit >> 8) | (unit << 8));
}

int gsm_put(FILE *out, uint16_t unit)
{
    /* One lookup instead of a search of both tables; U+001B is the base
     * code 0x1B, a single byte. */
    const uint8_t form = gsm_unit_form[unit];
    if (form == GSM_NO_FORM)
        return 1;
    if ((form & GSM_ESCAPED) != 0 && write_byte(out, GSM_ESCAPE) != 0)
        return 1;
    return write_byte(out, form & 0x7F);
}

/* 0 with the byte order in *byte_order, or 1 when the input has no mark. */
static int read_byte_order_mark(FILE *in, int *byte_order)
{
    unsigned char mark[2];
    *byte_order = BO_UNKNOWN;
    if (read_pair(in, mark) == 0) {
        if (mark[0] == 0xFF && mark[1] == 0xFE)
            *byte_order = BO_AS_READ;
        else if (mark[0] == 0xFE && mark[1] == 0xFF)
            *byte_order = BO_SWAPPED;
    }
    return *byte_order == BO_UNKNOWN ? 1 : 0;
}

int unicode_to_gsm(FILE *in, FILE *out)
{
    int status = 0;
    int byte_order = BO_UNKNOWN;
    if (opt_ucs2 && read_byte_order_mark(in, &byte_order) != 0)
        return 1;

    for (;;) {
        uint32_t code_point;
        if (opt_ucs2) {
            /* Units are taken as they come: surrogates are not paired. An odd
             * byte at the end is dropped. */
            unsigned char pair[2];
            if (read_pair(in, pair) != 0)
                return read_failed(in) ? 1 : status;
            uint16_t unit = static_cast<uint16_t>(pair[0] | (pair[1] << 8));
            code_point = byte_order == BO_SWAPPED ? swap16(unit) : unit;
        } else {
            const int got = utf8_get(in, &code_point);
            /* A sequence cut off by the end of the input is dropped. */
            if (got == UTF_IO)
                return read_failed(in) ? 1 : status;
            if (got != UTF_OK)
                return 1; /* malformed input: stop, keep what was written */
        }
        /* Nothing above U+FFFF is in the tables; cutting it to 16 bits
         * would turn it into some unrelated character. */
        if (code_point > 0xFFFF || gsm_put(out, static_cast<uint16_t>(code_point)) != 0) {
            /* A character without mapping is left out and the conversion
             * goes on. A failed write stops it, as in the other direction:
             * writing on would leave a hole in the output, and a closed
             * pipe would cost a failing call for the rest of the input. */
            if (write_failed(out))
                return 1;
            status = 1;
        }
    }
}
