/* The two conversions between GSM text and Unicode, and the options they read. */
#ifndef SEPTCVT_CONVERT_H
#define SEPTCVT_CONVERT_H

#include <cstdint>
#include <cstdio>

/* Process-wide, 0 at start, set to 1 by parse_options and never cleared. */
extern int opt_unbuffered; /* -n: both standard streams unbuffered */
extern int opt_ucs2;       /* -u: the Unicode side is UCS-2, not UTF-8 */
extern int opt_reverse;    /* -r: Unicode to GSM instead of GSM to Unicode */

/* Both conversions read their input a block at a time from the descriptor
 * under `in` (one byte at a time with opt_unbuffered) and write each block's
 * output to the descriptor under `out` before they read again, past the
 * stream's buffer.
 *
 * GSM text from in, to its end, as UTF-8 or (opt_ucs2) little-endian UCS-2
 * behind a byte-order mark. 0 when every code was converted and written;
 * 1 when a code had no mapping (the conversion goes on), when a write failed
 * (it stops there) or when the input could not be read. */
int gsm_to_unicode(FILE *in, FILE *out);

/* UTF-8, or (opt_ucs2) UCS-2 in either byte order behind a byte-order mark,
 * from in to its end, as GSM text. 1 when a character had no mapping (it is
 * left out and the conversion goes on), when a write failed or the input is
 * malformed (the conversion stops there), when UCS-2 input has no mark, or
 * when the input could not be read; else 0. When malformed input stops it and
 * the input is a regular file, the file is left just after the faulty
 * sequence for whoever reads it next. */
int unicode_to_gsm(FILE *in, FILE *out);

/* Writes the GSM form of one unit: its base code, or 0x1B and its code in the
 * escape table. 0 when written; 1 when the unit has no mapping (nothing is
 * written) or a byte could not be written. */
int gsm_put(FILE *out, uint16_t unit);

/* The conversion that the options select, followed by a close of the
 * descriptor under out: a write that fails only then is a failure too.
 * 0 or 1. */
int run_conversion(FILE *in, FILE *out);

#endif
