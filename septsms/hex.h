/* Octets as hexadecimal text, and back. */
#ifndef SEPTSMS_HEX_H
#define SEPTSMS_HEX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/* Two uppercase digits an octet, with separator between octets. */
std::string to_hex(const uint8_t *octets, size_t n, const char *separator = "");

/* Hexadecimal digits in pairs, upper or lower case, blanks allowed between
 * octets, into out; false with why saying what is wrong and where. */
bool parse_hex(const std::string &text, std::vector<uint8_t> &out, std::string &why);

#endif
