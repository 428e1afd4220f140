/* The Unicode codec: code point check, UTF-8 writer and reader.
 *
 * UTF-8 in its original six-byte form (31-bit code points up to 0x7FFFFFFF).
 * Every operation returns one of the statuses below and keeps no state. The
 * rules live in the encoder and decoder over memory; the stream functions
 * are thin wrappers over them. */
#ifndef SEPTCVT_UTF8_H
#define SEPTCVT_UTF8_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int UTF_OK = 0;        /* done */
constexpr int UTF_IO = 1;        /* a byte could not be written, or the input ended or failed */
constexpr int UTF_NULL = 2;      /* no stream, or no place for the result */
constexpr int UTF_SURROGATE = 3; /* U+D800-U+DFFF */
constexpr int UTF_NONCHAR = 4;   /* U+FFFE, U+FFFF, or 0x80000000 and above */
constexpr int UTF_BADSEQ = 5;    /* the bytes are not a well-formed sequence */

/* The longest form: a lead byte and five continuation bytes. */
constexpr int UTF8_MAX_LENGTH = 6;

/* A UCS-2 unit with its two bytes exchanged. */
inline uint16_t swap16(uint16_t unit)
{
    return static_cast<uint16_t>((unit >> 8) | (unit << 8));
}

/* UTF_OK, UTF_SURROGATE or UTF_NONCHAR. */
constexpr int ucs_check(uint32_t code_point)
{
    if (code_point >= 0xD800 && code_point <= 0xDFFF)
        return UTF_SURROGATE;
    /* Only the two in the first plane; xxFFFE and xxFFFF elsewhere pass. */
    if (code_point == 0xFFFE || code_point == 0xFFFF || code_point >= 0x80000000u)
        return UTF_NONCHAR;
    return UTF_OK;
}

/* The UTF-8 form of a code point below 0x80000000 in bytes[0..n); returns n,
 * 1 to 6. Constant, so that tables can be derived from it at compile time. */
constexpr int utf8_encode(uint32_t code_point, uint8_t bytes[UTF8_MAX_LENGTH])
{
    if (code_point <= 0x7F) {
        bytes[0] = static_cast<uint8_t>(code_point);
        return 1;
    }
    /* n continuation bytes carry six bits each; the lead byte carries the
     * rest under a marker of n + 1 high one bits. */
    const uint32_t more_bytes_from[4] = {0x800, 0x10000, 0x200000, 0x4000000};
    int n = 1;
    for (uint32_t bound : more_bytes_from)
        if (code_point >= bound)
            ++n;
    const uint32_t payload_mask = (1u << (6 - n)) - 1;
    const uint32_t marker = 0xFFu - (2 * payload_mask + 1);
    bytes[0] = static_cast<uint8_t>(marker + ((code_point >> (6 * n)) & payload_mask));
    /* Bounded by the array too, which GCC's vectorizer otherwise cannot
     * see: for wide vectors it would warn of stores past it. */
    for (int i = 1; i < UTF8_MAX_LENGTH && i <= n; ++i)
        bytes[i] = static_cast<uint8_t>(0x80u + ((code_point >> (6 * (n - i))) & 0x3Fu));
    return n + 1;
}

/* How many bytes the sequence that starts with lead announces: 2 to 6, or 1
 * for ASCII and for a byte that cannot lead (refused on its own). */
int utf8_length(uint8_t lead);

/* Decodes the sequence at in[0..avail). Returns UTF_OK, UTF_SURROGATE or
 * UTF_NONCHAR with the value in *result; UTF_BADSEQ or, when avail holds
 * fewer bytes than the lead byte announces, UTF_IO, with 0xFFFE in *result.
 * *used: one byte for a bad lead byte, the whole announced length for every
 * other refusal; nothing is judged until all announced bytes are in. */
int utf8_decode(const uint8_t *in, size_t avail, uint32_t *result, size_t *used);

/* Writes one code point, byte by byte; on a failed write the bytes before it
 * stay written. Nothing is written for a refused code point. */
int utf8_put(FILE *out, uint32_t code_point);

/* Reads one character. *result holds the value on UTF_OK, UTF_SURROGATE and
 * UTF_NONCHAR, 0xFFFE on UTF_IO and UTF_BADSEQ, and is untouched on UTF_NULL.
 * A bad lead byte uses up one byte; any other refusal the whole announced
 * length; UTF_IO everything up to the end. Overlong forms are refused. */
int utf8_get(FILE *in, uint32_t *result);

#endif
