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

/* Each table inverted: by language and kind, the unit's high byte picks a
 * page (0 is empty), and the unit's low byte there holds its code plus 1,
 * or 0 where the table lacks it. */
constexpr int NATIONAL_PAGES = 96;
struct national_inverse {
    uint8_t page_of[LANGUAGES][2][256];
    uint8_t code_plus_one[NATIONAL_PAGES][256];
};
extern const national_inverse national_codes;

/* The code plus 1 of a unit in one table, or 0. */
inline unsigned national_code(int language, int kind, uint16_t unit)
{
    return national_codes.code_plus_one[national_codes.page_of[language][kind][unit >> 8]][unit & 0xFF];
}

/* The GSM form of a unit with the locking table `locking` (as
 * locking_table_of gives it) and the single table `single`: one code where
 * the locking table holds it, else an escape pair where the single table
 * does (the lower code where it holds it twice), else none. */
inline gsm_form national_gsm_form(int locking, int single, uint16_t unit)
{
    if (const unsigned code = national_code(locking, LOCKING, unit))
        return gsm_form{{static_cast<uint8_t>(code - 1), 0}, 1, 0};
    if (const unsigned code = national_code(single, SINGLE, unit))
        return gsm_form{{static_cast<uint8_t>(GSM_ESCAPE), static_cast<uint8_t>(code - 1)}, 2, 0};
    return gsm_form{{0, 0}, 0, 1};
}

/* The most output one byte of GSM text gives through the locking table
 * `locking` (a single table's three-byte characters take two bytes of
 * input); at least MAX_GROWTH, so a room for it holds every direction. */
int national_growth(int locking);

/* The largest growth of any table. */
constexpr int MOST_GROWTH = 3;

#endif
