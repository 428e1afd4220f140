/* Tables derived at compile time from the two GSM tables, never typed in
 * twice: what every GSM code becomes in each Unicode form, and the GSM form
 * of every 16-bit unit. Plain bytes, so the host's byte order never
 * matters. */
#ifndef SEPTCVT_CORE_TABLES_H
#define SEPTCVT_CORE_TABLES_H

#include <array>
#include <cstdint>

/* What one GSM code becomes. The conversion stores all four bytes and
 * advances by count, so a table lookup costs no branch on the length. */
struct unicode_form {
    uint8_t bytes[4];
    uint8_t count;
    uint8_t flags;
    uint8_t unused[2];
};
constexpr uint8_t FORM_UNMAPPED = 1; /* no character; count is 0 */
constexpr uint8_t FORM_ESCAPE = 2;   /* the escape: the next byte is read in `escaped` */

struct forward_table {
    unicode_form base[256];    /* by byte; 0x80-0xFF lie outside the alphabet */
    unicode_form escaped[256]; /* by the byte after an escape */
};
extern const forward_table forward_utf8;
extern const forward_table forward_ucs2; /* least significant byte first */

/* The GSM form of every 16-bit unit: a base code 0x00-0x7F, GSM_ESCAPED plus
 * a code of the escape table, or GSM_NO_FORM. Where a unit stood in both
 * tables the base code and the lowest index would win, as a search of the
 * tables in order finds them. */
constexpr uint8_t GSM_ESCAPED = 0x80;
constexpr uint8_t GSM_NO_FORM = 0xFF;
extern const std::array<uint8_t, 0x10000> gsm_unit_form;

/* The bytes of each such form: one code or an escape pair. */
struct gsm_form {
    uint8_t bytes[2];
    uint8_t count;    /* 0 when the unit has no mapping */
    uint8_t unmapped; /* 1 then, else 0 */
};
extern const std::array<gsm_form, 256> gsm_forms;

inline const gsm_form &gsm_form_of(uint16_t unit)
{
    return gsm_forms[gsm_unit_form[unit]];
}

#endif
