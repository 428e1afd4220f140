/* What the planner and the writer of a part's user data share: a text read
 * a character at a time with the place of its bytes, look-alike
 * replacement, and the room a header leaves. */
#ifndef SEPTCVT_MESSAGE_H
#define SEPTCVT_MESSAGE_H

#include <cstddef>
#include <cstdint>

#include "elements.h"
#include "septcvt.h"

/* A character of the input, and where its bytes lie. */
struct text_char {
    uint32_t code_point;
    size_t begin, end;
};

/* A text read a character at a time: UTF-8 up to U+10FFFF in at most four
 * bytes, or UCS-2 in the order its mark gave, surrogates paired. */
struct text_reader {
    const uint8_t *in;
    size_t end, pos;
    bool ucs2, swapped;
};

/* Starts before the first character, after the mark of UCS-2 (whose order
 * r.swapped keeps): SEPTCVT_OK, or SEPTCVT_NO_MARK where it has none. */
int reader_start(text_reader &r, int form, const void *text, size_t len);

/* The next character: 1 with *c; 0 at the end; -1 when the bytes at r.pos
 * are refused (malformed, a lone surrogate, a cut last character). ASCII,
 * most of most text, is read here without a call, and so are well-formed
 * characters of two and three bytes, those of most other scripts; the call
 * judges all else. */
int reader_next_decoded(text_reader &r, text_char &c);
inline int reader_next_multibyte(text_reader &r, text_char &c)
{
    const uint8_t *in = r.in + r.pos;
    const size_t left = r.end - r.pos;
    uint32_t code_point = in[0];
    size_t used;
    if (code_point >= 0xC2 && code_point <= 0xDF && left >= 2 && (in[1] & 0xC0) == 0x80) {
        code_point = (code_point & 0x1F) << 6 | (in[1] & 0x3Fu);
        used = 2;
    } else if (code_point >= 0xE0 && code_point <= 0xEF && left >= 3 && (in[1] & 0xC0) == 0x80 &&
               (in[2] & 0xC0) == 0x80) {
        code_point = (code_point & 0x0F) << 12 | (in[1] & 0x3Fu) << 6 | (in[2] & 0x3Fu);
        used = 3;
        /* Overlong forms, surrogates and the two noncharacters are refused there. */
        if (code_point < 0x800 || (code_point >= 0xD800 && code_point <= 0xDFFF) || code_point >= 0xFFFE)
            return reader_next_decoded(r, c);
    } else {
        return reader_next_decoded(r, c);
    }
    c.begin = r.pos;
    c.code_point = code_point;
    r.pos += used;
    c.end = r.pos;
    return 1;
}
inline int reader_next(text_reader &r, text_char &c)
{
    if (r.ucs2 || r.pos >= r.end)
        return reader_next_decoded(r, c);
    if (r.in[r.pos] >= 0x80)
        return reader_next_multibyte(r, c);
    c.begin = r.pos;
    c.code_point = r.in[r.pos++];
    c.end = r.pos;
    return 1;
}

/* The UTF-16 units of the rest of the text, added to units: 0 at its end,
 * or -1 with r.pos where reader_next refuses the bytes. */
int reader_count_units(text_reader &r, size_t &units);

/* Whether a code point is of the grapheme cluster class Other and no
 * pictograph: printable ASCII, and the letters and signs of Latin-1 and
 * Latin Extended up to the combining marks, but the soft hyphen, a
 * control, and the two pictographs, copyright and registered. Between two
 * such there is always a cluster boundary, and after one the state of the
 * boundary rules is that of such a character. */
inline bool cluster_plain(uint32_t code_point)
{
    return (code_point >= 0x20 && code_point < 0x7F) ||
           (code_point >= 0xA0 && code_point < 0x300 && code_point != 0xAD && code_point != 0xA9 && code_point != 0xAE);
}

/* The plain form of a look-alike: -1 where the character stays as it is,
 * else how many code points (0 to 3) replace it, in out. */
int lookalike(uint32_t code_point, uint32_t out[3]);

/* Octets of elements a header holds: the concatenation element, by the
 * size of its reference, and a language element. */
constexpr size_t concatenation_octets(int reference_bits)
{
    return reference_bits == 16 ? 6 : 5;
}
constexpr size_t LANGUAGE_OCTETS = 3;

/* The octets of a header with elements of that many octets: its length
 * octet and theirs, none without elements. */
constexpr size_t header_octets(size_t elements)
{
    return elements == 0 ? 0 : elements + 1;
}

/* The fill bits that align septets after a header of h octets: the rest
 * of the last septet the header takes. */
constexpr unsigned fill_bits_after(size_t h)
{
    return static_cast<unsigned>(7 * header_septets(h) - 8 * h);
}

/* The septets, or the UTF-16 units, behind a header of h octets: a part's
 * 160 septets (140 octets) but those the header takes; 0 where it leaves
 * none. */
constexpr size_t septet_room(size_t h)
{
    return header_septets(h) >= SEPTCVT_SINGLE_SEPTETS ? 0 : SEPTCVT_SINGLE_SEPTETS - header_septets(h);
}
constexpr size_t unit_room(size_t h)
{
    return h >= SEPTCVT_USER_DATA_OCTETS ? 0 : (SEPTCVT_USER_DATA_OCTETS - h) / 2;
}

/* The caller's elements hold together (each IEI with its length and data
 * inside the bytes) and none is one the library writes. */
bool elements_hold(const septcvt_plan_options &options);

/* A plan's fields are in range: its encoding, language ids and form. */
bool plan_holds(const septcvt_plan &plan);

/* The header of part k of plan (its length octet first) into
 * h[0..SEPTCVT_USER_DATA_OCTETS) as septcvt_part_user_data writes it, the
 * concatenation element left out where `concatenation` is false; its
 * octets, 0 where it has no element. A header of SEPTCVT_USER_DATA_OCTETS
 * or more (elements the plan was not made of) is counted, not written. */
size_t write_header(const septcvt_plan &plan, const septcvt_plan_options &o, size_t k, unsigned reference,
                    bool concatenation, uint8_t *h);

/* The text r reads, through the plan's encoding: 7-bit codes one a byte
 * (look-alikes replaced where the plan replaced them) or UTF-16
 * big-endian, into out[0..size); n the bytes it takes, also past size.
 * SEPTCVT_OK; SEPTCVT_NO_ROOM where they are more than size;
 * SEPTCVT_BAD_ARGUMENT for a character the plan's tables lack (not the
 * text the plan was made of); SEPTCVT_MALFORMED. */
int encode_text(text_reader &r, const septcvt_plan &plan, uint8_t *out, size_t size, size_t &n);

#endif
