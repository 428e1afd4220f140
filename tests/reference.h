/* Independent references for the tests, written plainly from the printed
 * standards rather than from the production code. */
#ifndef SEPTCVT_REFERENCE_H
#define SEPTCVT_REFERENCE_H

#include <cstdint>
#include <string>

constexpr uint32_t REF_NONE = 0xFFFFFFFF;

struct RefEntry {
    int code;
    uint32_t code_point;
};

/* The codes of the default alphabet that differ from ASCII; all the others
 * (LF, CR, ESC and most of the printable ASCII range) are their own value. */
inline const RefEntry REF_BASE_DIFFERENT[] = {
    {0x00, 0x0040}, {0x01, 0x00A3}, {0x02, 0x0024}, {0x03, 0x00A5}, {0x04, 0x00E8},
    {0x05, 0x00E9}, {0x06, 0x00F9}, {0x07, 0x00EC}, {0x08, 0x00F2}, {0x09, 0x00C7},
    {0x0B, 0x00D8}, {0x0C, 0x00F8}, {0x0E, 0x00C5}, {0x0F, 0x00E5}, {0x10, 0x0394},
    {0x11, 0x005F}, {0x12, 0x03A6}, {0x13, 0x0393}, {0x14, 0x039B}, {0x15, 0x03A9},
    {0x16, 0x03A0}, {0x17, 0x03A8}, {0x18, 0x03A3}, {0x19, 0x0398}, {0x1A, 0x039E},
    {0x1C, 0x00C6}, {0x1D, 0x00E6}, {0x1E, 0x00DF}, {0x1F, 0x00C9}, {0x24, 0x00A4},
    {0x40, 0x00A1}, {0x5B, 0x00C4}, {0x5C, 0x00D6}, {0x5D, 0x00D1}, {0x5E, 0x00DC},
    {0x5F, 0x00A7}, {0x60, 0x00BF}, {0x7B, 0x00E4}, {0x7C, 0x00F6}, {0x7D, 0x00F1},
    {0x7E, 0x00FC}, {0x7F, 0x00E0},
};

/* The escape extension: the code after 0x1B and its character. */
inline const RefEntry REF_ESCAPE[] = {
    {0x0A, 0x000C}, {0x14, 0x005E}, {0x28, 0x007B}, {0x29, 0x007D}, {0x2F, 0x005C},
    {0x3C, 0x005B}, {0x3D, 0x007E}, {0x3E, 0x005D}, {0x40, 0x007C}, {0x65, 0x20AC},
};

/* Code point of a GSM code 0x00-0x7F, or REF_NONE outside the alphabet. */
inline uint32_t ref_base(int code)
{
    if (code < 0 || code > 0x7F)
        return REF_NONE;
    for (const RefEntry &e : REF_BASE_DIFFERENT)
        if (e.code == code)
            return e.code_point;
    return static_cast<uint32_t>(code);
}

/* Code point of a code after an escape, or REF_NONE. */
inline uint32_t ref_escape(int code)
{
    for (const RefEntry &e : REF_ESCAPE)
        if (e.code == code)
            return e.code_point;
    return REF_NONE;
}

/* UTF-8 in its six-byte form, one branch per length. */
inline std::string ref_utf8(uint32_t cp)
{
    std::string s;
    auto add = [&s](uint32_t b) { s += static_cast<char>(b); };
    if (cp < 0x80) {
        add(cp);
    } else if (cp < 0x800) {
        add(0xC0 | (cp >> 6));
        add(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        add(0xE0 | (cp >> 12));
        add(0x80 | ((cp >> 6) & 0x3F));
        add(0x80 | (cp & 0x3F));
    } else if (cp < 0x200000) {
        add(0xF0 | (cp >> 18));
        add(0x80 | ((cp >> 12) & 0x3F));
        add(0x80 | ((cp >> 6) & 0x3F));
        add(0x80 | (cp & 0x3F));
    } else if (cp < 0x4000000) {
        add(0xF8 | (cp >> 24));
        add(0x80 | ((cp >> 18) & 0x3F));
        add(0x80 | ((cp >> 12) & 0x3F));
        add(0x80 | ((cp >> 6) & 0x3F));
        add(0x80 | (cp & 0x3F));
    } else {
        add(0xFC | (cp >> 30));
        add(0x80 | ((cp >> 24) & 0x3F));
        add(0x80 | ((cp >> 18) & 0x3F));
        add(0x80 | ((cp >> 12) & 0x3F));
        add(0x80 | ((cp >> 6) & 0x3F));
        add(0x80 | (cp & 0x3F));
    }
    return s;
}

/* One UCS-2 unit, least significant byte first. */
inline std::string ref_ucs2le(uint32_t cp)
{
    return std::string{static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF)};
}

#endif
