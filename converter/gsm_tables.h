/* The GSM 03.38 default alphabet and its escape extension, as Unicode. */
#ifndef SEPTCVT_GSM_TABLES_H
#define SEPTCVT_GSM_TABLES_H

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

#endif
