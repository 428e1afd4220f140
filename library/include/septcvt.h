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
#define SEPTCVT_MALFORMED 2      /* input that is no UTF-8 stopped the conversion */
#define SEPTCVT_NO_MARK 3        /* UCS-2 input does not start with a byte-order mark */
#define SEPTCVT_NULL_POINTER 4   /* a pointer that must not be null is */
#define SEPTCVT_NO_ROOM 5        /* a buffer is shorter than the data needs */
#define SEPTCVT_NOT_SEPTET 6     /* a code above 0x7F where septets are packed or split */
#define SEPTCVT_BAD_FILL_BITS 7  /* fill bits outside 0-6 */
#define SEPTCVT_BAD_ARGUMENT 8   /* an unknown direction, form or language, or a state never initialised */

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

/* The library's version as text, such as "1.2.0". */
SEPTCVT_API const char *septcvt_version(void);

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
 * whole: twice the input and 10 bytes. */
SEPTCVT_API size_t septcvt_output_room(size_t in_len);

/* The same for a conversion with a pair of tables: three times the input
 * and 10 bytes where the locking table holds characters of three UTF-8
 * bytes (Turkish, Portuguese and the Indian languages), else what
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
 * changing it; UCS-2 input that ends before its mark is SEPTCVT_NO_MARK. */
SEPTCVT_API int septcvt_finish(septcvt_state *state);

/* A whole buffer converted at once, into out[0..out_size); *out_len is the
 * output's length. When it is longer than the room (out may then be null
 * with out_size 0), nothing more is written, *out_len is the length it
 * needs and the status is SEPTCVT_NO_ROOM. unmapped and error_offset, where
 * not null, receive the state's counters. */
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

/* Packed septets, the form of SMS user data: codes 0x00-0x7F, seven bits
 * each, low bits first, behind fill_bits (0-6) zero bits that align them
 * after a user-data header. */

/* The octets count septets take behind fill_bits (none for no septets). */
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
 * shows as a line end. *count is the septets written to out. */
SEPTCVT_API int septcvt_unpack_octets(const uint8_t *octets, size_t octet_len, unsigned fill_bits, uint8_t *out,
                                      size_t out_size, size_t *count);

/* Counting and splitting for SMS. */
#define SEPTCVT_SINGLE_SEPTETS 160 /* the septets of one message */
#define SEPTCVT_PART_SEPTETS 153   /* of each part behind a concatenation header */

/* The septets a Unicode text takes as GSM text: an escape pair counts two.
 * SEPTCVT_UNMAPPED when a character has no mapping: the text does not fit
 * the alphabet (*septets then counts the rest); SEPTCVT_MALFORMED or
 * SEPTCVT_NO_MARK as for septcvt_to_gsm, with *error_offset where not null. */
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

#ifdef __cplusplus
}
#endif

#endif
