/* The Unicode codec: code point check, UTF-8 writer and reader.
 *
 * UTF-8 in its original six-byte form (31-bit code points up to 0x7FFFFFFF).
 * Every operation returns one of the statuses below; the codec keeps no state
 * and works on any byte stream. */
#ifndef SEPTCVT_UTF8_H
#define SEPTCVT_UTF8_H

#include <cstdint>
#include <cstdio>

constexpr int UTF_OK = 0;        /* done */
constexpr int UTF_IO = 1;        /* a byte could not be written, or the input ended or failed */
constexpr int UTF_NULL = 2;      /* no stream, or no place for the result */
constexpr int UTF_SURROGATE = 3; /* U+D800-U+DFFF */
constexpr int UTF_NONCHAR = 4;   /* U+FFFE, U+FFFF, or 0x80000000 and above */
constexpr int UTF_BADSEQ = 5;    /* the bytes are not a well-formed sequence */

/* UTF_OK, UTF_SURROGATE or UTF_NONCHAR. */
int ucs_check(uint32_t code_point);

/* Writes one code point, byte by byte; on a failed write the bytes before it
 * stay written. Nothing is written for a refused code point. */
int utf8_put(FILE *out, uint32_t code_point);

/* Reads one character. *result holds the value on UTF_OK, UTF_SURROGATE and
 * UTF_NONCHAR, 0xFFFE on UTF_IO and UTF_BADSEQ, and is untouched on UTF_NULL.
 * A bad lead byte uses up one byte; any other refusal the whole announced
 * length; UTF_IO everything up to the end. Overlong forms are refused. */
int utf8_get(FILE *in, uint32_t *result);

#endif
