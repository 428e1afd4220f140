/* The national languages by their ISO 639-1 codes. */
#ifndef SEPTSMS_LANGUAGES_H
#define SEPTSMS_LANGUAGES_H

#include <cstdint>
#include <string>

/* Every code, in the order of the library's ids, a blank between two. */
std::string language_codes();

/* Sets the bit of each language a comma-separated list of codes names
 * ("tr,es"); false where an item is no code (an empty one too), with that
 * item in bad and the mask as it was. */
bool parse_languages(const char *list, uint16_t &mask, std::string &bad);

/* The code and the English name of a language id 1-13; null for any other. */
const char *language_code(int id);
const char *language_name(int id);

#endif
