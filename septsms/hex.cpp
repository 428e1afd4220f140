#include "hex.h"

std::string to_hex(const uint8_t *octets, size_t n, const char *separator)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0)
            out += separator;
        out += DIGITS[octets[i] >> 4];
        out += DIGITS[octets[i] & 0x0F];
    }
    return out;
}

static int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool parse_hex(const std::string &text, std::vector<uint8_t> &out, std::string &why)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text[i] == '\t')
            continue;
        const int high = digit(text[i]);
        const int low = i + 1 < text.size() ? digit(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            /* Blanks go only between octets: a digit before one, or at
             * the end, has lost its pair. */
            const size_t at = high < 0 ? i : i + 1;
            why = high >= 0 && (at == text.size() || text[at] == ' ' || text[at] == '\t')
                      ? "an odd number of hexadecimal digits"
                      : "character " + std::to_string(at + 1) + " is no hexadecimal digit";
            return false;
        }
        out.push_back(static_cast<uint8_t>(high << 4 | low));
        ++i;
    }
    return true;
}
