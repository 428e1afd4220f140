#include "convert.h"

#include "gsm_tables.h"
#include "stream_io.h"
#include "utf8.h"

/* 0 when written, 1 when not. UCS-2 goes out least significant byte first. */
static int write_code_point(FILE *out, uint16_t code_point)
{
    if (opt_ucs2) {
        const unsigned char unit[2] = {static_cast<unsigned char>(code_point & 0xFF),
                                       static_cast<unsigned char>(code_point >> 8)};
        return write_pair(out, unit);
    }
    return utf8_put(out, code_point) == UTF_OK ? 0 : 1;
}

int gsm_to_unicode(FILE *in, FILE *out)
{
    int status = 0;
    if (opt_ucs2 && write_code_point(out, 0xFEFF) != 0)
        return 1;

    int byte;
    while ((byte = read_byte(in)) != EOF) {
        /* The tables end at 0x7F; a higher byte is a code without mapping. */
        if (byte > 0x7F) {
            status = 1;
            continue;
        }
        uint16_t code_point = gsm_base_table[byte];
        if (code_point == GSM_ESCAPE) {
            /* An escape covers exactly one byte, so a second 0x1B is looked
             * up in the escape table, where it has no mapping. An escape
             * at the end of the input is dropped. */
            byte = read_byte(in);
            if (byte == EOF)
                break;
            if (byte > 0x7F || gsm_escape_table[byte] == NO_MAPPING) {
                status = 1;
                continue;
            }
            code_point = gsm_escape_table[byte];
        }
        if (write_code_point(out, code_point) != 0)
            return 1; /* what was written before stays written */
    }
    return read_failed(in) ? 1 : status;
}
