/* The national language tables: for each language id 1-13 a locking shift
 * table, which replaces the default alphabet, and a single shift table,
 * which replaces the escape extension; id 0 is the default pair. A
 * conversion picks its locking and its single table each on its own. Every
 * table here is derived at compile time from the rows generated out of the
 * data file, never typed in. */
#ifndef SEPTCVT_NATIONAL_H
#define SEPTCVT_NATIONAL_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "gsm_tables.h"
#include "tables.h"

/* Language ids 0 to LANGUAGES - 1. */
constexpr int LANGUAGES = 14;
constexpr int LOCKING = 0; /* the kind of a table */
constexpr int SINGLE = 1;

/* The locking table in force for a locking id: Spanish has none, so a
 * receiver keeps the default alphabet, and so does this library. */
int locking_table_of(int id);

/* What each code becomes, by language and Unicode form (0 UTF-8, 1 UCS-2):
 * the locking table's codes by byte, then from FORWARD_ESCAPED the single
 * table's, as in forward_table. */
extern const std::array<std::array<forward_table, 2>, LANGUAGES> national_forms;

/* The same as planes for the kernels, by language, kind (LOCKING, SINGLE)
 * and form (UCS-2 1); every form writes at most three bytes, and a locking
 * table's escape nothing. */
struct national_plane_set {
    code_planes of[LANGUAGES][2][2];
};
extern const national_plane_set national_planes;

/* Each table inverted: a unit's code in the table, or NATIONAL_NONE. Below
 * NATIONAL_DIRECT, where every character of the tables lies but a few signs
 * (the euro among them), by unit, so that text costs one load a character;
 * the entry at NATIONAL_DIRECT is NATIONAL_NONE. Above, the unit's high
 * byte picks a page (0 holds nothing), where its low byte finds the code. */
constexpr uint8_t NATIONAL_NONE = 0xFF;
constexpr unsigned NATIONAL_DIRECT = 0xE00;
constexpr int NATIONAL_PAGES = 32;
struct national_inverse {
    uint8_t direct[LANGUAGES][2][NATIONAL_DIRECT + 1];
    uint8_t page_of[LANGUAGES][2][256];
    uint8_t pages[NATIONAL_PAGES][256];
};
extern const national_inverse national_codes;

/* One table, by language and kind. */
struct national_table {
    const uint8_t *direct;
    const uint8_t *page_of;
    const uint8_t (*pages)[256];
};
inline national_table national_table_of(const national_inverse &codes, int language, int kind)
{
    return national_table{codes.direct[language][kind], codes.page_of[language][kind], codes.pages};
}
inline national_table national_table_of(int language, int kind)
{
    return national_table_of(national_codes, language, kind);
}

/* The code of a unit in a table, or NATIONAL_NONE. */
inline unsigned national_code(national_table table, uint16_t unit)
{
    return unit < NATIONAL_DIRECT ? table.direct[unit] : table.pages[table.page_of[unit >> 8]][unit & 0xFF];
}

/* Which languages' tables of a kind hold a unit, bit n for language n; by
 * unit below NATIONAL_DIRECT, as the codes are. */
extern const std::array<std::array<uint16_t, NATIONAL_DIRECT>, 2> national_holders_direct;
inline uint16_t national_holders(int kind, uint16_t unit)
{
    if (unit < NATIONAL_DIRECT)
        return national_holders_direct[kind][unit];
    uint16_t holders = 0;
    for (int language = 0; language < LANGUAGES; ++language)
        if (national_code(national_table_of(language, kind), unit) != NATIONAL_NONE)
            holders = static_cast<uint16_t>(holders | 1u << language);
    return holders;
}

/* The forms a pair writes: one code 0x00-0x7F, an escape pair at 0x80 plus
 * the code, and none at NATIONAL_NO_FORM. */
constexpr unsigned NATIONAL_NO_FORM = 0x100;
extern const std::array<gsm_form, NATIONAL_NO_FORM + 1> national_gsm_forms;

/* The GSM form of a unit with a locking table (as locking_table_of gives
 * it) and a single table: one code where the locking table holds it, else
 * an escape pair where the single table does (the lower code where it
 * holds it twice), else none. */
inline const gsm_form &national_gsm_form(national_table locking, national_table single, uint16_t unit,
                                         const gsm_form *forms = national_gsm_forms.data())
{
    const unsigned in_locking = national_code(locking, unit), in_single = national_code(single, unit);
    const unsigned escaped = in_single != NATIONAL_NONE ? 0x80 + in_single : NATIONAL_NO_FORM;
    return forms[in_locking != NATIONAL_NONE ? in_locking : escaped];
}

/* The most output one byte of GSM text gives through the locking table
 * `locking` (a single table's three-byte characters take two bytes of
 * input); at least MAX_GROWTH, so a room for it holds every direction. */
int national_growth(int locking);

/* The largest growth of any table. */
constexpr int MOST_GROWTH = 3;

/* What the conversion core reads of the national tables, reached only
 * through the one pointer that a conversion with a pair holds (null for the
 * default pair). Only the calls that take a pair point to it, so a program
 * that converts with the default pair alone links none of these tables. */
/* For each language, the blocks of 128 units (a unit's block is unit >> 7)
 * below NATIONAL_DIRECT that hold the most characters of its locking table
 * outside ASCII, most first; block 0 where it has fewer. The vector
 * kernels look up ASCII and these in registers, and any other unit one at
 * a time. */
constexpr int NATIONAL_BLOCKS = 3;
extern const std::array<std::array<uint8_t, NATIONAL_BLOCKS>, LANGUAGES> national_blocks;

/* For each locking table, the codes below 0x80 whose character is the code
 * itself and whose character takes that code back: a lookup by a byte's
 * low four bits, a bit for each value of the high four. */
extern const std::array<std::array<uint8_t, 16>, LANGUAGES> national_identity;

struct table_set {
    const std::array<std::array<forward_table, 2>, LANGUAGES> *forms;
    const national_plane_set *planes;
    const national_inverse *codes;
    const gsm_form *gsm_forms; /* national_gsm_forms */
    const std::array<uint8_t, NATIONAL_BLOCKS> *blocks; /* national_blocks */
    const std::array<uint8_t, 16> *identity;            /* national_identity */
    uint8_t growth[LANGUAGES]; /* national_growth by locking id */
};
extern const table_set national_tables;

#endif
