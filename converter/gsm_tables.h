/* The GSM 03.38 default alphabet and its escape extension, as Unicode. */
#ifndef SEPTCVT_GSM_TABLES_H
#define SEPTCVT_GSM_TABLES_H

#include <array>
#include <cstdint>

/* In GSM text this code announces that the next byte is read in the escape
 * table; its base entry is U+001B, so the code and the code point agree. */
constexpr uint16_t GSM_ESCAPE = 0x1B;

/* An entry that holds no character. */
constexpr uint16_t NO_MAPPING = 0xFFFE;

/* Indexed by the GSM code 0x00-0x7F. No entry holds NO_MAPPING. */
extern const uint16_t gsm_base_table[128];

/* Indexed by the code that follows an escape; ten entries hold a character.
 * Apart from NO_MAPPING no value stands twice in the two tables together. */
extern const uint16_t gsm_escape_table[128];

/* The GSM form of every 16-bit unit, derived from the two tables at compile
 * time: a base code 0x00-0x7F, GSM_ESCAPED plus a code of the escape table,
 * or GSM_NO_FORM. Where a unit stood in both tables the base code and the
 * lowest index would win, as a search of the tables in order finds them. */
constexpr uint8_t GSM_ESCAPED = 0x80;
constexpr uint8_t GSM_NO_FORM = 0xFF;
extern const std::array<uint8_t, 0x10000> gsm_unit_form;

#endif
