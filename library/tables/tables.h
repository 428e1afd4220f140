/* Tables derived at compile time from the two GSM tables, never typed in
 * twice: what every GSM code becomes in each Unicode form, and the GSM form
 * of every 16-bit unit. Plain bytes, so the host's byte order never
 * matters. */
#ifndef SEPTCVT_CORE_TABLES_H
#define SEPTCVT_CORE_TABLES_H

#include <array>
#include <cstdint>

#include "gsm_tables.h"
#include "utf8.h"

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

/* The form of a table's entry: NO_MAPPING is none. */
constexpr unicode_form unicode_form_of(uint16_t code_point, bool ucs2)
{
    unicode_form form{};
    if (code_point == NO_MAPPING) {
        form.flags = FORM_UNMAPPED;
    } else if (ucs2) {
        form.bytes[0] = static_cast<uint8_t>(code_point & 0xFF);
        form.bytes[1] = static_cast<uint8_t>(code_point >> 8);
        form.count = 2;
    } else {
        uint8_t bytes[UTF8_MAX_LENGTH] = {};
        form.count = static_cast<uint8_t>(utf8_encode(code_point, bytes));
        for (int i = 0; i < 4; ++i)
            form.bytes[i] = bytes[i];
    }
    return form;
}

/* By byte, 0x80-0xFF lying outside the alphabet; from FORWARD_ESCAPED on, by
 * the byte after an escape. One row, so that a byte's index is its value
 * plus FORWARD_ESCAPED where it follows an escape. */
constexpr int FORWARD_ESCAPED = 256;
struct forward_table {
    unicode_form entries[512];
};
extern const forward_table forward_utf8;
extern const forward_table forward_ucs2; /* least significant byte first */

/* The forward table of a base (or locking) table and an escape (or single
 * shift) table; the base table's escape code reads the next byte in the
 * escape table. */
constexpr forward_table derive_forward(const uint16_t (&base_table)[128], const uint16_t (&escape_table)[128], bool ucs2)
{
    forward_table table{};
    for (int byte = 0; byte < 256; ++byte) {
        /* The tables end at 0x7F; a higher byte is a code without mapping. */
        unicode_form &base = table.entries[byte], &escaped = table.entries[FORWARD_ESCAPED + byte];
        base = unicode_form_of(byte < 0x80 ? base_table[byte] : NO_MAPPING, ucs2);
        escaped = unicode_form_of(byte < 0x80 ? escape_table[byte] : NO_MAPPING, ucs2);
        if (byte < 0x80 && base_table[byte] == GSM_ESCAPE)
            base = unicode_form{{0, 0, 0, 0}, 0, FORM_ESCAPE, {0, 0}};
    }
    return table;
}

/* What each code 0x00-0x7F of one table writes, for the kernels that look
 * codes up in registers: its form's first three bytes (0 past its count)
 * and its count, each as a plane of 128 bytes. The rows of a forward_table
 * from `from`: 0 for its base (or locking) table, FORWARD_ESCAPED for its
 * escape (or single shift) table. */
struct code_planes {
    uint8_t bytes[3][128];
    uint8_t count[128];
};
constexpr code_planes derive_planes(const forward_table &table, int from)
{
    code_planes planes{};
    for (int code = 0; code < 128; ++code) {
        const unicode_form &form = table.entries[from + code];
        for (int k = 0; k < 3; ++k)
            planes.bytes[k][code] = k < form.count ? form.bytes[k] : 0;
        planes.count[code] = form.count;
    }
    return planes;
}

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

/* The GSM form of every unit below 0x800, where UTF-8 takes one or two
 * bytes, looked up directly; and at GSM_INSIDE an empty form, for a position
 * inside a character, which writes nothing and leaves the status. Each form
 * as one number, so one load fetches it: its first byte in bits 0-7, its
 * second in 8-15, its count in 16-23, and GSM_SHORT_UNMAPPED. */
constexpr uint16_t GSM_INSIDE = 0x800;
constexpr uint32_t GSM_SHORT_UNMAPPED = 1u << 24;
extern const std::array<uint32_t, GSM_INSIDE + 1> gsm_short_forms;

/* The codes below 0x80 whose character is the code itself, so that text of
 * them passes unchanged in either direction; as a lookup by the low four
 * bits of a byte, a bit for each value of the high four (0 to 7). */
extern const std::array<uint8_t, 16> gsm_identity_by_low_nibble;

/* The most output one byte of input gives in either direction: a GSM code's
 * two UTF-8 or UCS-2 bytes, or the escape pair of `{`, one UTF-8 byte. The
 * tables are checked against it at compile time. */
constexpr int MAX_GROWTH = 2;

inline const gsm_form &gsm_form_of(uint16_t unit)
{
    return gsm_forms[gsm_unit_form[unit]];
}

#endif
