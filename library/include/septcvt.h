/* libseptcvt: text between the GSM 03.38 default alphabet and Unicode.
 *
 * GSM text here is one code 0x00-0x7F a byte, 0x1B announcing a code of the
 * escape table; Unicode is UTF-8, or UCS-2 behind a byte-order mark. The
 * rules are those of the septcvt program, which is built on this library:
 * the same input gives the same bytes and the same verdicts.
 *
 * Every function returns one of the statuses below. None allocates, none
 * keeps state of its own: a conversion's state is the caller's. Arguments
 * that cannot be right (null pointers, output too small, codes above 0x7F
 * for packing, fill bits outside 0-6) give a status of their own and change
 * nothing, rather than undefined behaviour. */
#ifndef SEPTCVT_H
#define SEPTCVT_H

#include <stddef.h>
#include <stdint.h>

#include "septcvt_version.h"

#if defined(_WIN32) && defined(SEPTCVT_BUILDING)
#define SEPTCVT_API __declspec(dllexport)
#elif defined(__GNUC__) && !defined(_WIN32)
#define SEPTCVT_API __attribute__((visibility("default")))
#else
#define SEPTCVT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses. */
#define SEPTCVT_OK 0             /* done */
#define SEPTCVT_UNMAPPED 1       /* characters had no mapping; each was left out, and the rest converted */
#define SEPTCVT_MALFORMED 2      /* input that cannot be read (malformed UTF-8, a cut or odd last character, a lone surrogate) */
#define SEPTCVT_NO_MARK 3        /* UCS-2 input does not start with a byte-order mark */
#define SEPTCVT_NULL_POINTER 4   /* a pointer that must not be null is */
#define SEPTCVT_NO_ROOM 5        /* a buffer is shorter than the data needs */
#define SEPTCVT_NOT_SEPTET 6     /* a code above 0x7F where septets are packed or split */
#define SEPTCVT_BAD_FILL_BITS 7  /* fill bits outside 0-6 */
#define SEPTCVT_BAD_ARGUMENT 8   /* an argument out of range or not made for the others (each call says which) */
#define SEPTCVT_TOO_MANY_PARTS 9 /* a text takes more than SEPTCVT_MOST_PARTS parts in every encoding */
#define SEPTCVT_BAD_USER_DATA 10 /* a part's user data does not hold together */
#define SEPTCVT_NOT_TEXT 11      /* a part holds 8-bit or compressed data, not text */

/* Directions and Unicode forms. */
#define SEPTCVT_TO_UNICODE 1 /* GSM text to Unicode */
#define SEPTCVT_TO_GSM 2     /* Unicode to GSM text */
#define SEPTCVT_UTF8 1
#define SEPTCVT_UCS2 2 /* written little-endian behind FF FE; read in the order its mark gives */

/* Language ids of the national language tables. Each language has a
 * locking shift table, which replaces the default alphabet for a whole
 * message, and a single shift table, which replaces the escape extension
 * (the code after 0x1B); a message names each in its user-data header, and
 * the two are chosen each on its own. SEPTCVT_DEFAULT is the default
 * alphabet or its escape extension. Spanish has no locking table: as a
 * locking id it is the default alphabet, as a receiver treats it. */
#define SEPTCVT_DEFAULT 0
#define SEPTCVT_TURKISH 1
#define SEPTCVT_SPANISH 2
#define SEPTCVT_PORTUGUESE 3
#define SEPTCVT_BENGALI 4
#define SEPTCVT_GUJARATI 5
#define SEPTCVT_HINDI 6
#define SEPTCVT_KANNADA 7
#define SEPTCVT_MALAYALAM 8
#define SEPTCVT_ORIYA 9
#define SEPTCVT_PUNJABI 10
#define SEPTCVT_TAMIL 11
#define SEPTCVT_TELUGU 12
#define SEPTCVT_URDU 13

/* A streaming conversion, owned by the caller. The counters are for reading;
 * the rest is private. */
typedef struct septcvt_state {
    uint64_t total_in;     /* input bytes taken so far */
    uint64_t total_out;    /* output bytes written so far, the mark included */
    uint64_t unmapped;     /* characters without a mapping so far */
    uint64_t error_offset; /* after SEPTCVT_MALFORMED or SEPTCVT_NO_MARK: where the faulty bytes begin */
    uint64_t internal[8];
} septcvt_state;

/* The library's version as text, such as "1.3.1": SEPTCVT_VERSION_STRING
 * of the build that made it. */
SEPTCVT_API const char *septcvt_version(void);

/* 1 where this build of the library has the planner (septcvt_plan_text and
 * septcvt_part_user_data), else 0: SEPTCVT_HAS_PLANNER, for callers that
 * load the library at run time. */
SEPTCVT_API int septcvt_has_planner(void);

/* The version of Unicode whose grapheme cluster rules the planner follows,
 * such as "15.0.0", from the utf8proc it runs with: an update of utf8proc
 * can move part boundaries, and so what a text costs, without a new
 * libseptcvt. "" where the library has no planner. */
SEPTCVT_API const char *septcvt_unicode_version(void);

/* A short English text for a status, never null. */
SEPTCVT_API const char *septcvt_strerror(int status);

/* Starts a conversion in a direction and form, with the default alphabet
 * and its escape extension. */
SEPTCVT_API int septcvt_init(septcvt_state *state, int direction, int form);

/* Starts a conversion with the locking table and the single shift table of
 * the languages given (SEPTCVT_DEFAULT for the default tables; an id above
 * 13 is SEPTCVT_BAD_ARGUMENT). GSM text reads a code through the locking
 * table and 0x1B plus a code through the single table; a code with no
 * character there is counted as unmapped and left out, with the byte after
 * an escape. A Unicode character becomes one code where the locking table
 * has it, else an escape and its code in the single table (the lower code
 * where the table has it twice), else it is counted as unmapped and left
 * out; U+001B becomes the code 0x1B. Where a single table has no character
 * for a code, a receiver may show the locking table's character instead;
 * this library counts the pair as unmapped, so a verdict never rests on a
 * guess. With (SEPTCVT_DEFAULT, SEPTCVT_DEFAULT) it is septcvt_init. */
SEPTCVT_API int septcvt_init_pair(septcvt_state *state, int direction, int form, int locking, int single);

/* The output room that septcvt_convert needs to take in_len bytes of input
 * whole: twice the input and 10 bytes (SIZE_MAX where that is more). */
SEPTCVT_API size_t septcvt_output_room(size_t in_len);

/* The same for a conversion with a pair of tables: three times the input
 * and 10 bytes where the locking table holds characters of three UTF-8
 * bytes (Turkish, Portuguese and the Indian languages but Urdu), else what
 * septcvt_output_room gives. It holds for either direction and form; an
 * unknown id gets the room of the largest pair. */
SEPTCVT_API size_t septcvt_output_room_pair(size_t in_len, int locking, int single);

/* Converts in[0..in_len) into out[0..out_size). *in_used is the input taken
 * and *out_written the output written. With less room than
 * septcvt_output_room(in_len) (septcvt_output_room_pair for a pair) it
 * takes only as much input as the room is sure to hold, so a loop that
 * hands the rest over again converts it all; room too small for one byte is
 * SEPTCVT_NO_ROOM (the room for 1 byte is always enough). The state holds no pointers into the caller's memory,
 * so it may be copied to resume the conversion from there. A character that
 * spans two calls is carried in the state. The first call writes the UCS-2
 * mark, also one with no input.
 *
 * SEPTCVT_OK or SEPTCVT_UNMAPPED as the conversion goes; SEPTCVT_MALFORMED
 * or SEPTCVT_NO_MARK when the input was refused: the conversion stops, the
 * output before it stays, error_offset tells where the refused bytes begin,
 * and *in_used ends just after them. The status stays, so a later call
 * takes nothing and returns it again. */
SEPTCVT_API int septcvt_convert(septcvt_state *state, const void *in, size_t in_len, size_t *in_used, void *out,
                                size_t out_size, size_t *out_written);

/* The conversion's status at the end of the input. An escape, a UTF-8
 * sequence or half a UCS-2 unit that the end cut off is dropped without
 * changing it; UCS-2 input that ends before its mark is SEPTCVT_NO_MARK.
 * That is the program's rule for the end of a stream, which may stop at
 * any byte; the whole-buffer calls below are handed a complete text and
 * judge such an end. */
SEPTCVT_API int septcvt_finish(septcvt_state *state);

/* A whole buffer converted at once, into out[0..out_size); *out_len is the
 * output's length. When it is longer than the room (out may then be null
 * with out_size 0), its first out_size bytes are written (the last
 * character may be cut), *out_len is the length it needs and the status is
 * SEPTCVT_NO_ROOM. unmapped and error_offset, where not null, receive the
 * state's counters. The buffer is a complete text: a UTF-8 sequence that
 * its end cuts, or an odd final byte of UCS-2 (behind its mark), is
 * SEPTCVT_MALFORMED with error_offset where it begins, and a final escape
 * with no code after it is counted as unmapped. */
SEPTCVT_API int septcvt_to_unicode(int form, const void *gsm, size_t gsm_len, void *out, size_t out_size,
                                   size_t *out_len, uint64_t *unmapped);
SEPTCVT_API int septcvt_to_gsm(int form, const void *text, size_t text_len, void *out, size_t out_size,
                               size_t *out_len, uint64_t *unmapped, uint64_t *error_offset);
/* The same with a pair of tables, as septcvt_init_pair takes them. */
SEPTCVT_API int septcvt_to_unicode_pair(int form, int locking, int single, const void *gsm, size_t gsm_len,
                                        void *out, size_t out_size, size_t *out_len, uint64_t *unmapped);
SEPTCVT_API int septcvt_to_gsm_pair(int form, int locking, int single, const void *text, size_t text_len,
                                    void *out, size_t out_size, size_t *out_len, uint64_t *unmapped,
                                    uint64_t *error_offset);

/* Where the next character without a mapping stands, for a caller that
 * must say where each is (a codec's error handler, a message): in
 * in[0..in_len), read as the whole-buffer calls read it in the direction,
 * form and pair given, from the offset `from` on, which is 0 or where an
 * earlier call's character ended. *offset and *length are the bytes of
 * the next character that the conversion counts as unmapped and leaves
 * out: in GSM text a code the locking table lacks (a byte above 0x7F
 * among them), an escape and a code the single table lacks (two bytes),
 * or a final escape (one byte); in Unicode text a UCS-2 unit (surrogates
 * are not paired) or a UTF-8 character the pair lacks, every character
 * above U+FFFF among them. *offset is SEPTCVT_NO_OFFSET (and *length 0)
 * where none is left. Input that the conversion refuses at or after
 * `from` gives its status, SEPTCVT_MALFORMED or SEPTCVT_NO_MARK, with
 * *offset where the refused bytes begin. */
SEPTCVT_API int septcvt_next_unmapped(int direction, int form, int locking, int single, const void *in,
                                      size_t in_len, uint64_t from, uint64_t *offset, size_t *length);

/* Packed septets, the form of SMS user data: codes 0x00-0x7F, seven bits
 * each, low bits first, behind fill_bits (0-6) zero bits that align them
 * after a user-data header. */

/* The octets count septets take behind fill_bits (none for no septets);
 * SIZE_MAX where size_t cannot hold them. */
SEPTCVT_API size_t septcvt_packed_size(size_t count, unsigned fill_bits);

/* Packs codes[0..count) into out; *out_len = septcvt_packed_size(count,
 * fill_bits). Where the last octet would keep seven spare bits, they hold
 * a carriage return (0x0D), so a reader that knows only the octet count
 * does not take them for a final "@". */
SEPTCVT_API int septcvt_pack(const uint8_t *codes, size_t count, unsigned fill_bits, uint8_t *out, size_t out_size,
                             size_t *out_len);

/* Unpacks count septets (the user-data length in septets) from
 * octets[0..octet_len) into out[0..count). Needed, since 8n-1 septets and 8n
 * septets take the same octets: octet_len must hold
 * septcvt_packed_size(count, fill_bits), or it is SEPTCVT_NO_ROOM. */
SEPTCVT_API int septcvt_unpack(const uint8_t *octets, size_t octet_len, unsigned fill_bits, size_t count,
                               uint8_t *out, size_t out_size);

/* For a reader that knows only the octet count: every whole septet in the
 * octets, except a final carriage return that exactly fills the last octet,
 * which is taken for padding. A text that really ends in a carriage return
 * on an octet boundary must therefore carry a second one, which a reader
 * shows as a line end. *count is the septets written to out; where out is
 * too short for them, SEPTCVT_NO_ROOM, nothing written, and *count the room
 * they need. Any other refusal changes nothing. */
SEPTCVT_API int septcvt_unpack_octets(const uint8_t *octets, size_t octet_len, unsigned fill_bits, uint8_t *out,
                                      size_t out_size, size_t *count);

/* Counting and splitting for SMS. */
#define SEPTCVT_SINGLE_SEPTETS 160 /* the septets of one message */
#define SEPTCVT_PART_SEPTETS 153   /* of each part behind a concatenation header */

/* The septets a Unicode text takes as GSM text: an escape pair counts two.
 * SEPTCVT_UNMAPPED when a character has no mapping: the text does not fit
 * the alphabet (*septets then counts the rest); SEPTCVT_MALFORMED or
 * SEPTCVT_NO_MARK as for septcvt_to_gsm (a cut last character among them),
 * with *error_offset where not null. */
SEPTCVT_API int septcvt_count_septets(int form, const void *text, size_t text_len, size_t *septets,
                                      uint64_t *error_offset);
/* The same with a pair of tables: a character of the locking table counts
 * one, of the single table two. */
SEPTCVT_API int septcvt_count_septets_pair(int form, int locking, int single, const void *text, size_t text_len,
                                           size_t *septets, uint64_t *error_offset);

/* Where GSM text gsm[0..len) is split into messages: one when it has
 * SEPTCVT_SINGLE_SEPTETS codes or fewer, else parts of at most
 * SEPTCVT_PART_SEPTETS, none of which ends between an escape and the code
 * it announces. ends[k] is the offset where part k ends; *parts is the
 * number of parts (1 for an empty text). With more parts than max_parts
 * (ends may then be null with max_parts 0), SEPTCVT_NO_ROOM and *parts the
 * number needed. */
SEPTCVT_API int septcvt_split(const uint8_t *gsm, size_t len, size_t *ends, size_t max_parts, size_t *parts);

/* How a text goes out as SMS.
 *
 * septcvt_plan_text chooses the encoding of a Unicode text: the default
 * alphabet, a pair of national tables among those the caller allows, or
 * UCS-2, whichever takes the fewest parts (on a tie the default alphabet,
 * then UCS-2, which every handset reads, then the national pairs: the
 * smaller header, the most septets left in the last part, the lower locking
 * id, the lower single id). It says where each part begins and ends in the
 * input; septcvt_part_user_data gives each part's TP-DCS, TP-UDHI, TP-UDL and
 * TP-UD. septcvt_read_part reads a received part back. Nothing is
 * allocated; the text is read a fixed number of times. The planner takes
 * grapheme clusters from utf8proc: a library built without it (as for
 * Windows) has the reader but neither septcvt_plan_text nor
 * septcvt_part_user_data.
 *
 * A part holds SEPTCVT_USER_DATA_OCTETS octets of user data; the room for
 * text is what its header leaves: 7-bit text behind the header's fill bits
 * in whole septets, UCS-2 in whole UTF-16 units. No part ends inside an
 * escape pair, a surrogate pair or a grapheme cluster (a letter with its
 * combining marks, an emoji sequence, a flag, CR LF): a cluster that does
 * not fit in the room left starts the next part, and one longer than a
 * part is then cut between code points.
 *
 * Look-alike replacement, where the caller asks for it, touches only
 * characters that are the same thing in another typographic form, and
 * only where it saves parts (the 7-bit encodings are judged on the
 * replaced text, UCS-2 on the original, and the replaced text goes out
 * only when it takes fewer parts than the original's best plan):
 *   U+2018 U+2019 U+201A U+201B U+2032 U+2035 U+00B4 U+0060   become '
 *   U+201C U+201D U+201E U+201F U+2033 U+2036 U+00AB U+00BB   become "
 *   U+2010-U+2015, U+2212 (dashes, the minus sign)            become -
 *   U+2026 (the ellipsis)                                     becomes ...
 *   U+00A0, U+2000-U+200A, U+202F, U+205F, U+3000 (spaces)    become a space
 *   U+200B, U+2060, U+FEFF, U+00AD                            are dropped
 *   U+FF01-U+FF5E (full-width forms)                          become U+0021-U+007E
 *                                                             (U+FF40 becomes ')
 * ZWNJ and ZWJ stay: they shape Indian scripts.
 *
 * U+001B is no character of the alphabet here, since it would turn the
 * next character into one of the escape extension: a text with it goes out
 * in UCS-2. (septcvt_count_septets counts it as one septet, as the program
 * writes it.) */

#define SEPTCVT_MOST_PARTS 255       /* an 8-bit sequence number counts no further */
#define SEPTCVT_USER_DATA_OCTETS 140 /* the user data of one part */
#define SEPTCVT_PART_TEXT_BYTES 480  /* the most UTF-8 one part's text gives: 160 septets of three bytes */
#define SEPTCVT_DCS_7BIT 0x00        /* TP-DCS of the default alphabet, national tables included */
#define SEPTCVT_DCS_UCS2 0x08        /* TP-DCS of UCS-2 */
#define SEPTCVT_NO_OFFSET UINT64_MAX /* no such place in the text */

/* What the caller allows. All zero is the default alphabet alone (and
 * UCS-2), no replacement, an 8-bit reference and no elements of its own. */
typedef struct septcvt_plan_options {
    uint16_t locking_languages; /* bit n allows the locking table of language n, 1-13 */
    uint16_t single_languages;  /* bit n allows the single shift table of language n, 1-13 */
    int replace_lookalikes;     /* nonzero: look-alikes may be replaced, as above */
    int reference_bits;         /* 16 for a 16-bit concatenation reference; 0 or 8 for 8 bits */
    const uint8_t *elements;    /* the caller's header elements (IEI, length, data, ...), in every part */
    size_t elements_len;
} septcvt_plan_options;

/* Where a part lies in the input (the mark of UCS-2 input not included,
 * the parts one after the other covering all the rest) and its length in
 * the encoding's own unit: septets, or UTF-16 units. */
typedef struct septcvt_part {
    size_t begin, end;
    size_t length;
} septcvt_part;

/* The plan of a text. */
typedef struct septcvt_plan {
    int dcs;            /* SEPTCVT_DCS_7BIT or SEPTCVT_DCS_UCS2 */
    int locking;        /* 7-bit: the language id of the locking table, 0 the default alphabet */
    int single;         /* 7-bit: of the single shift table, 0 the default escape extension */
    size_t parts;       /* the parts it takes */
    size_t room_left;   /* septets or units still free in the last part */
    size_t replaced;    /* characters replaced or dropped; 0 when the original text goes out */
    uint64_t ran_out;   /* the offset of the first character at which no allowed pair holds all
                         * the text up to it (after replacement, where it is on), or SEPTCVT_NO_OFFSET */
    int form;           /* for septcvt_part_user_data: the form of the text planned */
    int reference_bits; /* 8 or 16 */
} septcvt_plan;

/* Plans text[0..text_len), UTF-8 or UCS-2 behind its mark (form), as
 * options allow (null: all zero), into *plan and parts[0..max_parts).
 * SEPTCVT_MALFORMED or SEPTCVT_NO_MARK with *error_offset (where not null)
 * for input that septcvt_to_gsm refuses, and also for UTF-8 of five or six
 * bytes or above U+10FFFF, and for UCS-2 with a lone surrogate or an odd
 * final byte; SEPTCVT_BAD_ARGUMENT for an unknown form, a language bit
 * outside 1-13, a reference size other than 0, 8 and 16, or elements that
 * do not hold together or that the library writes itself (IEIs 00, 08, 24
 * and 25), with *error_offset untouched (else it is SEPTCVT_NO_OFFSET
 * unless the text is refused); SEPTCVT_NO_ROOM when the header leaves too
 * little room in every encoding (plan->parts is then 0), or when the parts
 * are more than max_parts (parts may then be null with max_parts 0;
 * plan->parts is the count), as with septcvt_split;
 * SEPTCVT_TOO_MANY_PARTS, with plan->parts what the best encoding needs,
 * when every encoding needs more than SEPTCVT_MOST_PARTS. An empty text is
 * one part in the default alphabet. */
SEPTCVT_API int septcvt_plan_text(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
                                  septcvt_plan *plan, septcvt_part *parts, size_t max_parts, uint64_t *error_offset);

/* The user data of one part. */
typedef struct septcvt_user_data {
    int dcs;        /* TP-DCS */
    int udhi;       /* TP-UDHI: 1 when the user data begins with a header */
    int udl;        /* TP-UDL: septets, header included, for 7-bit; octets for UCS-2 */
    size_t length;  /* the octets of ud */
    uint8_t ud[SEPTCVT_USER_DATA_OCTETS]; /* TP-UD */
} septcvt_user_data;

/* Part k of plan (the parts septcvt_plan_text gave, and the same text and
 * options): its header holds, in this order, the concatenation element
 * where there is more than one part (with reference, total and k + 1), the
 * caller's elements, and the single and locking shift elements of a
 * national pair; then 7-bit text behind the fill bits, packed, or UCS-2 as
 * UTF-16 big-endian. A part with no element has no header; a 7-bit part
 * with a header and no septets of text still has the octet that holds the
 * header's last septet. A part index past the last, a reference above 255
 * with an 8-bit size, or a part that does not begin and end where a
 * character does (inside the UCS-2 mark, at an odd offset of UCS-2,
 * between the halves of a surrogate pair, inside a UTF-8 sequence) is
 * SEPTCVT_BAD_ARGUMENT, and so are a text, options or parts that the plan
 * was not made of, where they show; text that septcvt_plan_text would
 * refuse is refused as it would be. A refusal leaves *out as it was. */
SEPTCVT_API int septcvt_part_user_data(const void *text, size_t text_len, const septcvt_plan_options *options,
                                       const septcvt_plan *plan, const septcvt_part *parts, size_t k,
                                       unsigned reference, septcvt_user_data *out);

/* A character of a text and where it stands: its first byte in the input
 * (the UCS-2 mark counted) and its bytes. */
typedef struct septcvt_char {
    uint64_t offset;
    size_t length;
    uint32_t code_point;
} septcvt_char;

/* What a look-alike became: up to three code points, none where it was
 * dropped. */
typedef struct septcvt_replacement {
    septcvt_char original;
    uint32_t became[3];
    size_t became_count;
} septcvt_replacement;

/* Why a text left the 7-bit encodings: each character of text[0..text_len)
 * that no pair the options allow holds (in no allowed locking table, the
 * default alphabet included, and in no allowed single table, the default
 * extension included; U+001B and everything above U+FFFF in none), in
 * order, into out[0..max_out); with replace_lookalikes on, a character is
 * judged by what it becomes, as the 7-bit candidates read it. *count is
 * how many there are: with more than max_out, SEPTCVT_NO_ROOM and nothing
 * stored (out may be null with max_out 0). A text can also leave them with
 * no such character, when no one allowed pair holds all of it: the plan's
 * ran_out says where. Arguments and text are refused as septcvt_plan_text
 * refuses them (its elements and reference size are not looked at); on
 * SEPTCVT_OK, *error_offset is SEPTCVT_NO_OFFSET. */
SEPTCVT_API int septcvt_plan_ruled_out(int form, const void *text, size_t text_len,
                                       const septcvt_plan_options *options, septcvt_char *out, size_t max_out,
                                       size_t *count, uint64_t *error_offset);

/* What went out replaced: each look-alike of the text that plan was made
 * of, replaced or dropped, with what it became, in order, into
 * out[0..max_out); none where the plan sent the original text
 * (plan->replaced 0), else plan->replaced of them. *count and a short out
 * as for septcvt_plan_ruled_out. */
SEPTCVT_API int septcvt_plan_replaced(const void *text, size_t text_len, const septcvt_plan *plan,
                                      septcvt_replacement *out, size_t max_out, size_t *count);

/* A received part, read back. */
typedef struct septcvt_received {
    int concatenated;   /* 1 when the header held a valid concatenation element */
    unsigned reference; /* its reference, total and sequence number, 0 where none */
    unsigned total;
    unsigned sequence;
    int locking;        /* the language ids its header named, 0 where none; an unknown id */
    int single;         /* is read as the default table, and reported as it stands */
    uint64_t unmapped;  /* characters without a mapping, each left out */
    size_t text_len;
    uint8_t text[SEPTCVT_PART_TEXT_BYTES]; /* the text as UTF-8 */
} septcvt_received;

/* Reads a part from its TP-DCS, TP-UDHI, TP-UDL and TP-UD (ud[0..ud_len)).
 * 7-bit text is unpacked by TP-UDL. Elements the reader does not know, or
 * known ones of the wrong length, are skipped; of repeated ones the last
 * valid one counts. SEPTCVT_UNMAPPED when characters had no mapping
 * (an odd final octet and a lone surrogate of UCS-2 among them);
 * SEPTCVT_NOT_TEXT for 8-bit or compressed data, with nothing else
 * reported; SEPTCVT_BAD_USER_DATA for a header longer than TP-UDL allows,
 * an element running past the header, a TP-UDL the octets cannot hold, or
 * one above 160 septets or 140 octets (or below 0), with nothing else
 * reported either. 7-bit text that is only a header needs no octet for the
 * header's fill bits. A TP-DCS outside 0-255 is SEPTCVT_BAD_ARGUMENT. */
SEPTCVT_API int septcvt_read_part(int dcs, int udhi, int udl, const uint8_t *ud, size_t ud_len,
                                  septcvt_received *out);

/* PDU mode: whole TPDUs, as a modem takes them (AT+CMGF=0) and gives them.
 *
 * SMS-SUBMIT is written from a plan, part by part, and also read back;
 * SMS-DELIVER is read and written; SMS-STATUS-REPORT is read and written.
 * Each call works on octets; septcvt_hex_encode and septcvt_hex_decode turn
 * them into the hexadecimal a modem speaks and back. Nothing is allocated
 * and no state is kept: every struct is plain data of a fixed size. The
 * service centre's address goes in front of a TPDU where a modem wants it
 * (octet 1 its length in octets, 00 for the modem's own), and the length
 * AT+CMGS takes is the TPDU's octets without it.
 *
 * A TPDU that does not hold together is SEPTCVT_BAD_TPDU, with a fault
 * report: the field that announced what is missing (a length, TP-VPF, TP-PI,
 * TP-UDL, the header's length, an element's length), the offset of its octet
 * in the buffer given and its value; for a field the TPDU's type always
 * has, the field itself and the offset where it would begin; for an octet
 * whose semi-octets are not decimal digits, that octet. A program can say
 * "TP-UDL 160 runs past the end at octet 23". A TPDU of a type the library
 * does not read is SEPTCVT_UNSUPPORTED_TPDU, with the first octet as its
 * fault (field SEPTCVT_FIELD_MTI). Writers report an argument out of range
 * as SEPTCVT_BAD_ARGUMENT, and user data that does not hold together as
 * SEPTCVT_BAD_USER_DATA, each with the field in the fault where one is
 * given. A refusal changes nothing but the fault report. */
#define SEPTCVT_BAD_TPDU 12         /* a TPDU that does not hold together */
#define SEPTCVT_UNSUPPORTED_TPDU 13 /* a TP-MTI of SUBMIT-REPORT, DELIVER-REPORT, COMMAND or the reserved 11 */

/* Fields, as a fault names them. */
#define SEPTCVT_FIELD_NONE 0
#define SEPTCVT_FIELD_SCA 1      /* the service centre address in front */
#define SEPTCVT_FIELD_MTI 2      /* the first octet: TP-MTI and the flags */
#define SEPTCVT_FIELD_MR 3       /* TP-MR */
#define SEPTCVT_FIELD_DA 4       /* TP-DA */
#define SEPTCVT_FIELD_OA 5       /* TP-OA */
#define SEPTCVT_FIELD_RA 6       /* TP-RA */
#define SEPTCVT_FIELD_PID 7      /* TP-PID */
#define SEPTCVT_FIELD_DCS 8      /* TP-DCS */
#define SEPTCVT_FIELD_VPF 9      /* TP-VPF, in the first octet */
#define SEPTCVT_FIELD_VP 10      /* TP-VP */
#define SEPTCVT_FIELD_SCTS 11    /* TP-SCTS */
#define SEPTCVT_FIELD_DT 12      /* TP-DT */
#define SEPTCVT_FIELD_ST 13      /* TP-ST */
#define SEPTCVT_FIELD_PI 14      /* TP-PI */
#define SEPTCVT_FIELD_UDL 15     /* TP-UDL */
#define SEPTCVT_FIELD_UDHL 16    /* the length of the user-data header */
#define SEPTCVT_FIELD_IEDL 17    /* the length of an element of the header */
#define SEPTCVT_FIELD_UD 18      /* TP-UD */
#define SEPTCVT_FIELD_ADDRESS 19 /* an address read or written on its own */
#define SEPTCVT_FIELD_SHORT_MESSAGE 20   /* SMPP's short_message */
#define SEPTCVT_FIELD_MESSAGE_PAYLOAD 21 /* SMPP's message_payload */
#define SEPTCVT_FIELD_DATA_CODING 22     /* SMPP's data_coding */
#define SEPTCVT_FIELD_SAR_MSG_REF_NUM 23 /* SMPP's sar_msg_ref_num */
#define SEPTCVT_FIELD_SAR_TOTAL 24       /* SMPP's sar_total_segments */
#define SEPTCVT_FIELD_SAR_SEQNUM 25      /* SMPP's sar_segment_seqnum */

/* Where a TPDU stops holding together, or which argument a writer refused. */
typedef struct septcvt_tpdu_fault {
    int field;       /* SEPTCVT_FIELD_..., SEPTCVT_FIELD_NONE where there is no fault */
    size_t offset;   /* the octet, from the start of the buffer given */
    unsigned value;  /* the value of the field that announced what is missing, or of the octet */
} septcvt_tpdu_fault;

/* The name of a field as the standard writes it, such as "TP-UDL"; "" for
 * SEPTCVT_FIELD_NONE and unknown fields. */
SEPTCVT_API const char *septcvt_field_name(int field);

/* octets[0..len) as uppercase hexadecimal into out, with a NUL after it:
 * out_size must hold 2 * len + 1, or it is SEPTCVT_NO_ROOM with *out_len
 * the digits it needs. *out_len is the digits written, the NUL left out. */
SEPTCVT_API int septcvt_hex_encode(const uint8_t *octets, size_t len, char *out, size_t out_size, size_t *out_len);

/* Hexadecimal hex[0..len), in either case, into out; *out_len the octets.
 * An odd length (*error_offset then the last digit) or a character other
 * than a hexadecimal digit (*error_offset where it stands) is
 * SEPTCVT_MALFORMED; out shorter than len / 2 is SEPTCVT_NO_ROOM with
 * *out_len the octets needed. Either leaves out as it was. error_offset
 * may be null. */
SEPTCVT_API int septcvt_hex_decode(const char *hex, size_t len, uint8_t *out, size_t out_size, size_t *out_len,
                                   uint64_t *error_offset);

/* Types of number and numbering plans of an address. */
#define SEPTCVT_TON_UNKNOWN 0
#define SEPTCVT_TON_INTERNATIONAL 1
#define SEPTCVT_TON_NATIONAL 2
#define SEPTCVT_TON_NETWORK 3
#define SEPTCVT_TON_SUBSCRIBER 4
#define SEPTCVT_TON_ALPHANUMERIC 5
#define SEPTCVT_TON_ABBREVIATED 6
#define SEPTCVT_NPI_UNKNOWN 0
#define SEPTCVT_NPI_ISDN 1 /* E.164 */
#define SEPTCVT_NPI_DATA 3
#define SEPTCVT_NPI_TELEX 4
#define SEPTCVT_NPI_NATIONAL 8
#define SEPTCVT_NPI_PRIVATE 9
#define SEPTCVT_NPI_ERMES 10

#define SEPTCVT_ADDRESS_DIGITS 20 /* the most an address holds */
#define SEPTCVT_ADDRESS_SEPTETS 11 /* the most an alphanumeric address holds (an escape pair counts two) */
#define SEPTCVT_ADDRESS_BYTES 40   /* room for an address as text, its NUL included */

/* An address (TP-DA, TP-OA, TP-RA, the service centre's) as text: digits
 * with '*', '#', 'a', 'b' and 'c' for the semi-octets 1010-1110, behind a
 * '+' where the type of number is international; or, for an alphanumeric
 * address, UTF-8 text of the default alphabet (national tables never apply
 * to addresses). Written from text alone (explicit_type 0), a '+' in front
 * gives TON 001 NPI 0001, digits 0-9, '*' and '#' alone give TON 000 NPI
 * 0001, and any other text is alphanumeric, TON 101 NPI 0000; with
 * explicit_type nonzero ton (0-7) and npi (0-15) stand as given, TON 101
 * takes the text as alphanumeric (where '+' is a character like any other),
 * and a '+' in front of digits needs TON 001. Read, explicit_type is 1 and ton and npi are the octet's. */
typedef struct septcvt_address {
    int ton;           /* type of number, SEPTCVT_TON_... */
    int npi;           /* numbering plan, SEPTCVT_NPI_... */
    int explicit_type; /* writing: nonzero to take ton and npi as they stand */
    char text[SEPTCVT_ADDRESS_BYTES]; /* NUL-terminated; "" for no address */
} septcvt_address;

/* An address field: octet 1 the digits (for an alphanumeric address the
 * semi-octets its septets fill), octet 2 the type, then the semi-octets,
 * at most 12 octets in all. Writing refuses, as SEPTCVT_BAD_ARGUMENT,
 * characters that no semi-octet holds, more than 20 digits, an
 * alphanumeric text outside the default alphabet or of more than 11
 * septets, and a type out of range; out shorter than the field is
 * SEPTCVT_NO_ROOM with *out_len the octets needed. Reading takes the field
 * from in[0..len), *used the octets it took; a length above 20, a field
 * past the end, or a semi-octet 1111 among the digits is SEPTCVT_BAD_TPDU
 * (field SEPTCVT_FIELD_ADDRESS); an alphanumeric address with a code that
 * has no character is SEPTCVT_UNMAPPED, the code left out. The padding of
 * an odd count is not looked at. */
SEPTCVT_API int septcvt_address_encode(const septcvt_address *address, uint8_t *out, size_t out_size, size_t *out_len,
                                       septcvt_tpdu_fault *fault);
SEPTCVT_API int septcvt_address_decode(const uint8_t *in, size_t len, septcvt_address *address, size_t *used,
                                       septcvt_tpdu_fault *fault);

/* The service centre's address in front of a TPDU: octet 1 the octets that
 * follow (the type and the digits), 00 for none, which an address whose
 * text is "" is written as and read back as (with ton and npi 0). More
 * than 11 octets is SEPTCVT_BAD_TPDU (field SEPTCVT_FIELD_SCA); a final
 * semi-octet 1111 is the padding of an odd count. */
SEPTCVT_API int septcvt_sc_address_encode(const septcvt_address *address, uint8_t *out, size_t out_size,
                                          size_t *out_len, septcvt_tpdu_fault *fault);
SEPTCVT_API int septcvt_sc_address_decode(const uint8_t *in, size_t len, septcvt_address *address, size_t *used,
                                          septcvt_tpdu_fault *fault);

/* TP-SCTS, TP-DT and an absolute TP-VP: two decimal digits a field, as
 * sent; no century is guessed. The zone is in quarter hours east of UTC,
 * -79 to 79; -00:00 reads as 0. Writing refuses a field outside 0-99 (a
 * zone outside -79-79) as SEPTCVT_BAD_ARGUMENT; neither reading nor
 * writing holds the fields to a calendar. */
typedef struct septcvt_time_stamp {
    int year, month, day, hour, minute, second;
    int zone;
} septcvt_time_stamp;

/* TP-VP by TP-VPF. */
#define SEPTCVT_VALIDITY_NONE 0
#define SEPTCVT_VALIDITY_RELATIVE 1 /* one octet */
#define SEPTCVT_VALIDITY_ENHANCED 2 /* seven octets */
#define SEPTCVT_VALIDITY_ABSOLUTE 3 /* seven octets, a time stamp */
/* The enhanced format's own formats, bits 2-0 of its first octet. */
#define SEPTCVT_ENHANCED_NONE 0     /* no period */
#define SEPTCVT_ENHANCED_RELATIVE 1 /* one octet as a relative TP-VP */
#define SEPTCVT_ENHANCED_SECONDS 2  /* one octet of seconds, 0-255 */
#define SEPTCVT_ENHANCED_HMS 3      /* hours, minutes and seconds, two decimal digits each */

#define SEPTCVT_LONGEST_VALIDITY 38102400u /* 63 weeks in seconds: the relative octet 255 */

/* A validity period. Periods are in seconds, the unit of the enhanced
 * formats; a relative octet is a multiple of five minutes. Writing a
 * relative octet (the relative format, and the enhanced one with
 * SEPTCVT_ENHANCED_RELATIVE) takes the smallest whose period is at least
 * seconds; above 63 weeks is SEPTCVT_BAD_ARGUMENT, as are seconds above
 * 255 for SEPTCVT_ENHANCED_SECONDS and above 99:59:59 for
 * SEPTCVT_ENHANCED_HMS. Reading gives seconds, the period the octets
 * give, and relative, the relative octet as sent (0 where there is none).
 * An enhanced first octet has the format in bits 2-0, single-shot in bit 6
 * and the extension bit in bit 7, the period right after it and the other
 * octets zero; a reserved format (4-7), and minutes or seconds above 59, are
 * SEPTCVT_BAD_TPDU. */
typedef struct septcvt_validity {
    int format;        /* SEPTCVT_VALIDITY_... */
    uint32_t seconds;  /* relative and enhanced */
    int relative;      /* read: the relative octet */
    int enhanced;      /* enhanced: SEPTCVT_ENHANCED_... */
    int single_shot;   /* enhanced: bit 6 */
    int extension;     /* enhanced: bit 7 */
    septcvt_time_stamp absolute; /* absolute */
} septcvt_validity;

/* TPDU types, and the ways a TPDU goes, on which TP-MTI's meaning rests. */
#define SEPTCVT_DELIVER 0       /* TP-MTI 00 from the network */
#define SEPTCVT_SUBMIT 1        /* TP-MTI 01 to the network */
#define SEPTCVT_STATUS_REPORT 2 /* TP-MTI 10 from the network */
#define SEPTCVT_TO_NETWORK 1    /* sent by a handset or a modem: SUBMIT */
#define SEPTCVT_FROM_NETWORK 2  /* received by one: DELIVER, STATUS-REPORT */

/* TP-ST's groups. */
#define SEPTCVT_ST_COMPLETED 0     /* 0x00-0x1F: the transaction completed */
#define SEPTCVT_ST_TRYING 1        /* 0x20-0x3F: temporary error, the centre still tries */
#define SEPTCVT_ST_PERMANENT 2     /* 0x40-0x5F: permanent error */
#define SEPTCVT_ST_NOT_TRYING 3    /* 0x60-0x7F: temporary error, the centre no longer tries */
#define SEPTCVT_ST_SERVICE_REJECTED 0x63 /* what a reserved value is read as */

#define SEPTCVT_TPDU_OCTETS 185 /* room for any TPDU the library writes, the service centre in front */

/* A TPDU, all of its fields: what a reader fills and a writer takes.
 * Members a type does not have are 0 when read and not looked at when
 * written. Flags are 0 or 1 when read; any nonzero value sets them. */
typedef struct septcvt_tpdu {
    int type;                 /* SEPTCVT_SUBMIT, SEPTCVT_DELIVER or SEPTCVT_STATUS_REPORT */
    septcvt_address sc;       /* the service centre in front; text "" where it is 00 or not there */
    septcvt_address address;  /* TP-DA of SUBMIT, TP-OA of DELIVER, TP-RA of STATUS-REPORT */
    int reject_duplicates;    /* TP-RD (SUBMIT) */
    int reply_path;           /* TP-RP (SUBMIT, DELIVER) */
    int status_report;        /* TP-SRR (SUBMIT), TP-SRI (DELIVER), TP-SRQ (STATUS-REPORT) */
    int more_messages;        /* 1 where TP-MMS says more messages wait (its bit 0) (DELIVER, STATUS-REPORT) */
    int loop_prevention;      /* TP-LP (DELIVER, STATUS-REPORT) */
    int message_reference;    /* TP-MR, 0-255 (SUBMIT, STATUS-REPORT); of the first part for a plan */
    int pid;                  /* TP-PID, 0-255 */
    int has_class;            /* the message class TP-DCS gives, or (writing from a plan) is to give */
    int message_class;        /* 0-3 */
    septcvt_validity validity;     /* TP-VP (SUBMIT) */
    septcvt_time_stamp scts;       /* TP-SCTS (DELIVER, STATUS-REPORT) */
    septcvt_time_stamp discharge;  /* TP-DT (STATUS-REPORT) */
    int status;               /* TP-ST (STATUS-REPORT): a reserved value read as 0x63 */
    int status_sent;          /* TP-ST as sent, and as written */
    int status_group;         /* SEPTCVT_ST_... of status */
    int has_pi;               /* STATUS-REPORT: TP-PI follows TP-ST */
    int pi;                   /* its first octet; without TP-PI nothing follows TP-ST */
    septcvt_user_data user_data; /* TP-DCS, TP-UDHI, TP-UDL and TP-UD (dcs 0 and no user data where
                                  * a STATUS-REPORT's TP-PI does not announce them) */
    /* Read only: */
    size_t sc_length;         /* octets of the service centre part in front, 0 where not there */
    size_t tpdu_length;       /* octets of the TPDU from its first octet to the end of TP-UD */
    size_t trailing;          /* octets after TP-UD, which are not read */
    size_t header_length;     /* octets of the user-data header, its length octet included; 0 where none */
    int text;                 /* 1 where the user data is text, read into received */
    septcvt_received received; /* the user data as septcvt_read_part reads it; for 8-bit and compressed
                                * data the concatenation numbers and language ids, and no text */
} septcvt_tpdu;

/* Reads in[0..len): the service centre part first where with_sc is
 * nonzero, then a TPDU that went the way direction says (a TP-MTI means
 * one type to the network and another from it). Every length is held to
 * the octets there: an address length past the end, TP-VPF announcing
 * octets that are missing, TP-PI announcing fields that are not there (its
 * extension octets are skipped and its reserved bits ignored), TP-UDL past
 * the end (in septets for 7-bit data), above 160 septets or 140 octets, a
 * header longer than TP-UDL allows or an element past the header; each is
 * SEPTCVT_BAD_TPDU with its fault. Octets after TP-UD are not refused:
 * *trailing counts them. A TP-MTI other than SUBMIT to the network, or
 * DELIVER and STATUS-REPORT from it, is SEPTCVT_UNSUPPORTED_TPDU, the
 * reserved 11 among them. The user data is read as septcvt_read_part reads
 * it; SEPTCVT_UNMAPPED where a character of the text or of an alphanumeric
 * address had no mapping. A refusal leaves *tpdu as it was. fault may be
 * null; it is all zero where there is none. */
SEPTCVT_API int septcvt_tpdu_decode(const uint8_t *in, size_t len, int with_sc, int direction, septcvt_tpdu *tpdu,
                                    septcvt_tpdu_fault *fault);

/* Writes tpdu as SMS-SUBMIT, SMS-DELIVER or SMS-STATUS-REPORT (its type
 * chooses; a STATUS-REPORT's TP-PI as its pi gives, one octet, with the
 * fields it announces) with its user data as it stands, the service centre
 * part in front where with_sc is nonzero, into out: *out_len the octets,
 * *tpdu_len (may be null) those of the TPDU alone, the length AT+CMGS
 * takes. SEPTCVT_BAD_ARGUMENT for a field out of range, SEPTCVT_BAD_USER_DATA
 * for user data that septcvt_tpdu_decode would refuse or that is longer than
 * TP-UDL says, each with the field in *fault; SEPTCVT_NO_ROOM with *out_len
 * the octets needed. */
SEPTCVT_API int septcvt_tpdu_encode(const septcvt_tpdu *tpdu, int with_sc, uint8_t *out, size_t out_size,
                                    size_t *out_len, size_t *tpdu_len, septcvt_tpdu_fault *fault);

/* Part k of a plan as SMS-SUBMIT: the user data septcvt_part_user_data gives
 * for the same text, options, plan, parts, k and reference, its TP-DCS in
 * the general coding group with the class where fields->has_class asks for
 * it (0x10-0x13 for the default alphabet, 0x18-0x1B for UCS-2), TP-MR
 * fields->message_reference + k modulo 256 (a service centre refuses a
 * TP-MR and TP-DA it has seen under TP-RD), and the other fields of *fields
 * (its type and user data are not looked at), written as
 * septcvt_tpdu_encode writes them. Its refusals are those of either call.
 * Only a library with the planner has it. */
SEPTCVT_API int septcvt_submit_part(const void *text, size_t text_len, const septcvt_plan_options *options,
                                    const septcvt_plan *plan, const septcvt_part *parts, size_t k, unsigned reference,
                                    const septcvt_tpdu *fields, int with_sc, uint8_t *out, size_t out_size,
                                    size_t *out_len, size_t *tpdu_len, septcvt_tpdu_fault *fault);

/* SMPP: the fields of submit_sm and deliver_sm that carry text
 * (short_message or message_payload, esm_class, data_coding, and the SAR
 * parameters), not PDUs: binding, sequence numbers and PDU bodies stay
 * with the SMPP stack. A fault names the field with the offset of the
 * octet in the message, 0 for a parameter of its own (data_coding, the
 * SAR values), and its value. */
#define SEPTCVT_SHORT_MESSAGE_OCTETS 254 /* the most short_message holds */
#define SEPTCVT_PAYLOAD_OCTETS 65535     /* the most message_payload holds */

/* What an SMSC takes data_coding 0 for, as SMSCs differ. */
#define SEPTCVT_SMSC_GSM 0        /* the default alphabet, a septet an octet (the default) */
#define SEPTCVT_SMSC_GSM_PACKED 1 /* the default alphabet, septets packed as in TP-UD */
#define SEPTCVT_SMSC_LATIN1 2     /* out: data_coding 0x03, Latin-1; in: 0 read as Latin-1 */
typedef struct septcvt_smpp_settings {
    int smsc_alphabet;  /* SEPTCVT_SMSC_... */
    int ucs2_class;     /* nonzero: UCS-2 with a class, data_coding 0x18-0x1B, is sent and read; SMPP
                         * reserves these values, but many SMSCs pass them on */
} septcvt_smpp_settings;

/* esm_class: bit 6 UDHI, bit 7 the reply path, and in deliver_sm bits 5-2
 * the message type. */
#define SEPTCVT_ESM_UDHI 0x40
#define SEPTCVT_ESM_REPLY_PATH 0x80
#define SEPTCVT_ESM_TYPE_MASK 0x3C
#define SEPTCVT_ESM_RECEIPT 0x04         /* an SMSC delivery receipt */
#define SEPTCVT_ESM_ACKNOWLEDGEMENT 0x08 /* an SME delivery acknowledgement */
#define SEPTCVT_ESM_MANUAL 0x10          /* an SME manual or user acknowledgement */
#define SEPTCVT_ESM_INTERMEDIATE 0x20    /* an intermediate delivery notification */

/* The SAR parameters: sar_msg_ref_num (16 bits), sar_total_segments and
 * sar_segment_seqnum. */
typedef struct septcvt_smpp_sar {
    int present;  /* 1 where the three go with the message */
    unsigned msg_ref_num, total_segments, segment_seqnum;
} septcvt_smpp_sar;

/* How part k of a plan goes in a submit_sm, and how a whole text goes in
 * message_payload. */
#define SEPTCVT_SMPP_UDH 0 /* the concatenation element in the header of short_message */
#define SEPTCVT_SMPP_SAR 1 /* the SAR parameters instead: the SMSC writes the element */
typedef struct septcvt_smpp_message {
    int esm_class;       /* SEPTCVT_ESM_UDHI where there is a header */
    int data_coding;
    septcvt_smpp_sar sar;
    size_t length;       /* octets of short_message */
    uint8_t short_message[SEPTCVT_SHORT_MESSAGE_OCTETS];
} septcvt_smpp_message;

/* Part k of a plan (the same text, options, plan, parts, k and reference
 * as for septcvt_part_user_data) as submit_sm takes it, with SMSCs'
 * defaults: short_message holds the header's octets, then the text a
 * septet an octet (through the plan's pair: its language elements are in
 * the header) or UTF-16 big-endian; esm_class has UDHI where there is a
 * header; data_coding is 0x00 or 0x08, or with a class (message_class
 * 0-3; -1 for none) 0xF0-0xF3 (UCS-2: 0x18-0x1B where settings allow it,
 * else SEPTCVT_BAD_ARGUMENT). settings (null: all zero) say how the SMSC
 * takes data_coding 0: a septet an octet; packed behind the header's fill
 * bits as in TP-UD, where a text that ends with a carriage return on an
 * octet boundary gets a second one, since packed septets carry no count
 * and a reader would take the first for padding (so it reads back with
 * two); or Latin-1, data_coding 0x03, for a plan in the default alphabet
 * only (a national pair or a class is SEPTCVT_BAD_ARGUMENT) and only where
 * every character has a Latin-1 form (else SEPTCVT_UNMAPPED, nothing
 * written). With SEPTCVT_SMPP_SAR the header has no concatenation
 * element and, for a text of more than one part, sar gives reference,
 * the total and k + 1; the plan must then have been made with the room of
 * a 16-bit reference (reference_bits 16), which the SMSC's element takes
 * on the air, else SEPTCVT_BAD_ARGUMENT. Other refusals are those of
 * septcvt_part_user_data; a refusal leaves *out as it was. Only a library
 * with the planner has it. */
SEPTCVT_API int septcvt_smpp_part(const void *text, size_t text_len, const septcvt_plan_options *options,
                                  const septcvt_plan *plan, const septcvt_part *parts, size_t k, unsigned reference,
                                  int concatenation, int message_class, const septcvt_smpp_settings *settings,
                                  septcvt_smpp_message *out);

/* The whole text in one message_payload, no parts, in the plan's encoding
 * and pair (its language elements and the caller's elements in a header,
 * with UDHI in *esm_class), into payload[0..payload_size): *payload_len
 * its octets, *esm_class and *data_coding as septcvt_smpp_part gives them.
 * The plan may be of a text too long for SMS parts, as septcvt_plan_text
 * gives it with SEPTCVT_TOO_MANY_PARTS: its parts are not looked at.
 * SEPTCVT_NO_ROOM with *payload_len the room it needs: the header and the
 * text a septet, an octet or a UTF-16 unit at a time, and for packed
 * septets, which are packed in place, one octet more (what is written may
 * be shorter: packed septets, or Latin-1 of escape pairs). A text whose
 * header and septets or octets are more than SEPTCVT_PAYLOAD_OCTETS is
 * SEPTCVT_TOO_MANY_PARTS: no message_payload holds it. Latin-1 that a
 * character lacks is SEPTCVT_UNMAPPED, nothing written. */
SEPTCVT_API int septcvt_smpp_payload(const void *text, size_t text_len, const septcvt_plan_options *options,
                                     const septcvt_plan *plan, int message_class,
                                     const septcvt_smpp_settings *settings, uint8_t *payload, size_t payload_size,
                                     size_t *payload_len, int *esm_class, int *data_coding);

/* The alphabets data_coding names, as read. */
#define SEPTCVT_SMPP_GSM 0    /* the default alphabet: 0x00 by the settings, 0xF0-0xF3 (0xF8-0xFB) */
#define SEPTCVT_SMPP_ASCII 1  /* IA5: 0x01 */
#define SEPTCVT_SMPP_LATIN1 2 /* 0x03, and 0x00 where the settings say so */
#define SEPTCVT_SMPP_UCS2 3   /* 0x08, and 0x18-0x1B where the settings allow them */
#define SEPTCVT_SMPP_OCTETS 4 /* binary: 0x02, 0x04, 0xF4-0xF7 (0xFC-0xFF); no text */

/* A deliver_sm's text, read. */
typedef struct septcvt_smpp_received {
    int message_type;   /* esm_class & SEPTCVT_ESM_TYPE_MASK: 0 a message, else a receipt or acknowledgement */
    int reply_path;     /* 1 where esm_class sets it */
    int alphabet;       /* SEPTCVT_SMPP_... */
    int has_class, message_class;
    size_t header_length; /* octets of the header, its length octet included; 0 where none */
    int concatenated;   /* 1 where the header, or else the SAR values, place the message in a series */
    int sar;            /* 1 where the SAR values do (the header's element counts where both are there) */
    int reference_bits; /* 8 or 16 (the SAR reference is 16 bits) */
    unsigned reference, total, sequence;
    int locking, single; /* the language ids the header named, 0 where none */
    uint64_t unmapped;  /* characters without a mapping, each left out */
    size_t text_len;    /* the text as UTF-8, or the octets after the header for binary data */
} septcvt_smpp_received;

/* Reads a deliver_sm's short_message (or, payload nonzero, its
 * message_payload) message[0..length) with its esm_class, data_coding and
 * SAR values (sar may be null) into *out, the text into text[0..text_size)
 * (a payload may be far longer than a part): data_coding 0 as settings
 * (null: all zero) say, 0x01 as ASCII, 0x03 as Latin-1, 0x08 as UCS-2,
 * 0xF0-0xF3 as the default alphabet a septet an octet (packed where the
 * settings say so), 0x02, 0x04 and 0xF4-0xF7 as binary (the header's
 * elements and the octets given, no text). The message type of esm_class
 * is reported, so that a delivery receipt is never taken for text to join;
 * a receipt's own format is not read. A short_message of more than 254
 * octets, a header past the message, SAR values out of range (a total of
 * 0, a sequence number of 0 or above the total, a reference above 16 bits)
 * and any other data_coding are SEPTCVT_BAD_TPDU with the field in *fault;
 * text too long for text_size is SEPTCVT_NO_ROOM with *out holding the
 * length needed. SEPTCVT_UNMAPPED where characters had no mapping. A
 * refusal leaves *out and text as they were. */
SEPTCVT_API int septcvt_smpp_read(const uint8_t *message, size_t length, int payload, int esm_class,
                                  int data_coding, const septcvt_smpp_sar *sar,
                                  const septcvt_smpp_settings *settings, septcvt_smpp_received *out, uint8_t *text,
                                  size_t text_size, septcvt_tpdu_fault *fault);

/* Joining received parts. The caller hands the parts it holds of one
 * sender, each turned into a septcvt_join_part by one of the calls below
 * (from a TPDU read whole, a deliver_sm's fields, or a part's TP-DCS,
 * TP-UDHI, TP-UDL and TP-UD); septcvt_join sorts them into messages. The
 * library keeps nothing between calls: the caller keeps parts until a
 * message is complete or its own time limit passes. */
#define SEPTCVT_JOIN_UNITS 290 /* the most septets a part holds (254 octets of packed septets) */

/* What a part's units are. */
#define SEPTCVT_UNITS_SEPTETS 0 /* GSM codes, a septet a unit */
#define SEPTCVT_UNITS_UTF16 1   /* UTF-16 units, big-endian, two octets a unit */
#define SEPTCVT_UNITS_OCTETS 2  /* binary data */

/* A received part as the joiner takes it: its place in a series and its
 * text's units, not yet read, so that an escape pair or a surrogate pair
 * that a sender cut between two parts comes back whole. */
typedef struct septcvt_join_part {
    int message_type;   /* as septcvt_smpp_received's; a part of another type than 0 stands alone */
    int concatenated;   /* 0: the part stands alone */
    int sar;            /* 1 where the SAR values place it: a kind of reference of its own */
    int reference_bits; /* 8 or 16: references of different sizes never match */
    unsigned reference, total, sequence;
    int locking, single; /* the part's own tables */
    int units_kind;     /* SEPTCVT_UNITS_... */
    size_t length;      /* octets of units: septets, twice the UTF-16 units, or octets */
    uint8_t units[2 * SEPTCVT_JOIN_UNITS];
} septcvt_join_part;

/* A part from its TP-DCS, TP-UDHI, TP-UDL and TP-UD, as septcvt_read_part
 * takes them and refuses them; a concatenation element with a sequence
 * number of 0 or above its total is passed over, so the part stands alone. */
SEPTCVT_API int septcvt_join_part_from_user_data(int dcs, int udhi, int udl, const uint8_t *ud, size_t ud_len,
                                                 septcvt_join_part *out);
/* A part from a TPDU read whole: its user data; a STATUS-REPORT stands
 * alone as a receipt. */
SEPTCVT_API int septcvt_join_part_from_tpdu(const septcvt_tpdu *tpdu, septcvt_join_part *out);
/* A part from a deliver_sm's fields, as septcvt_smpp_read takes them and
 * refuses them; a message_payload longer than a part's units is
 * SEPTCVT_NO_ROOM. */
SEPTCVT_API int septcvt_join_part_from_smpp(const uint8_t *message, size_t length, int payload, int esm_class,
                                            int data_coding, const septcvt_smpp_sar *sar,
                                            const septcvt_smpp_settings *settings, septcvt_join_part *out,
                                            septcvt_tpdu_fault *fault);

/* What the joiner made of the parts. */
#define SEPTCVT_JOINED 0     /* a message whose parts are all there, joined in sequence order */
#define SEPTCVT_ALONE 1      /* a part that stands alone: no concatenation element, or a receipt */
#define SEPTCVT_INCOMPLETE 2 /* parts are missing: `missing` lists their sequence numbers */
#define SEPTCVT_CONFLICT 3   /* two parts with the same numbers and different units: never joined */
typedef struct septcvt_message {
    int kind;            /* SEPTCVT_JOINED, SEPTCVT_ALONE, SEPTCVT_INCOMPLETE or SEPTCVT_CONFLICT */
    int sar, reference_bits;
    unsigned reference, total;
    int message_type;
    int units_kind;      /* binary data where it is SEPTCVT_UNITS_OCTETS: no text */
    size_t parts_at, parts_count;     /* in indices: the parts used, in sequence order (a repeat left out) */
    size_t missing_at, missing_count; /* in indices: the sequence numbers missing */
    size_t pairs_at, pairs_count;     /* in indices: pairs of parts in conflict, two indices each */
    size_t repeats;      /* parts that repeat one used (same numbers, same units), dropped */
    size_t text_at, text_len; /* in text: the text as UTF-8 (joined and complete messages only), or the octets */
    uint64_t unmapped;
} septcvt_message;

/* The caller's room for what septcvt_join gives, and how much of each it
 * needs. */
typedef struct septcvt_join_room {
    septcvt_message *messages;
    size_t max_messages, messages_count;
    size_t *indices; /* indices of parts, sequence numbers and pairs */
    size_t max_indices, indices_count;
    uint8_t *text;
    size_t text_size, text_len;
} septcvt_join_room;

/* Sorts parts[0..count) into messages, in the order of their first part:
 * parts with the same kind of reference (8-bit, 16-bit or SAR), reference
 * and total are one message. A part with the same numbers and the same
 * units as one before it is a repeat, dropped (a part that stands alone
 * never is); two with the same numbers and different units are in
 * conflict, every such pair named, and their message is not joined. A
 * message with every sequence number is joined: the parts' units in
 * sequence order, each part read through its own tables (an escape that
 * ends a part takes the code that begins the next through the tables of
 * the part it stands in), UTF-16 units across parts before they are read.
 * With too little room in any array, SEPTCVT_NO_ROOM with the counts
 * needed in *room, and nothing else written; SEPTCVT_UNMAPPED where
 * characters had no mapping. A part that none of the calls above makes (a
 * total above SEPTCVT_MOST_PARTS, a sequence number outside 1 to its
 * total, a reference of another size than 8 or 16 bits or above 16 bits,
 * an unknown kind of units, a length past its units, a negative table id),
 * or more than 4096 parts of one message (16 times the most a message has,
 * repeats and all: telling repeats from conflicts takes time that grows
 * with the square of them), is SEPTCVT_BAD_ARGUMENT, and nothing is
 * written. */
SEPTCVT_API int septcvt_join(const septcvt_join_part *parts, size_t count, septcvt_join_room *room);

#ifdef __cplusplus
}
#endif

#endif
