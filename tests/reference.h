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

/* The GSM form of a character: the first match in the base codes, then in
 * the escape codes; empty where there is none. */
inline std::string ref_gsm(uint32_t unit)
{
    for (int code = 0; code < 128; ++code)
        if (ref_base(code) == unit)
            return std::string(1, static_cast<char>(code));
    for (int code = 0; code < 128; ++code)
        if (ref_escape(code) == unit)
            return std::string{'\x1b', static_cast<char>(code)};
    return "";
}

/* UTF-8 in its six-byte form: the lead byte's marker and the number of
 * continuation bytes, by the range the code point lies in. */
inline std::string ref_utf8(uint32_t cp)
{
    if (cp < 0x80)
        return std::string(1, static_cast<char>(cp));
    const struct {
        uint32_t below, marker;
        int continuation;
    } forms[] = {{0x800, 0xC0, 1},      {0x10000, 0xE0, 2},   {0x200000, 0xF0, 3},
                 {0x4000000, 0xF8, 4}, {0x80000000, 0xFC, 5}};
    for (const auto &f : forms) {
        if (cp < f.below) {
            std::string s(1, static_cast<char>(f.marker | cp >> (6 * f.continuation)));
            for (int k = f.continuation - 1; k >= 0; --k)
                s += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
            return s;
        }
    }
    return "";
}

struct RefDecoded {
    int status;     /* as the codec's statuses: 0 ok, 1 end, 3 surrogate, 4 nonchar, 5 bad */
    uint32_t value; /* 0xFFFE for the end and for bad sequences */
    size_t next;    /* where the following read starts */
};

/* Decodes the character at pos: the length from the lead byte's range, the
 * whole length taken, then each byte checked, and an overlong form told by
 * its value being below the smallest of its length. */
inline RefDecoded ref_utf8_decode(const std::string &s, size_t pos)
{
    auto at = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
    if (pos >= s.size())
        return {1, 0xFFFE, pos};
    const unsigned lead = at(pos);
    if (lead < 0x80)
        return {0, lead, pos + 1};
    size_t len;
    uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
        len = 4;
        value = lead & 0x07;
    } else if (lead >= 0xF8 && lead <= 0xFB) {
        len = 5;
        value = lead & 0x03;
    } else if (lead == 0xFC || lead == 0xFD) {
        len = 6;
        value = lead & 0x01;
    } else {
        return {5, 0xFFFE, pos + 1};
    }
    if (pos + len > s.size())
        return {1, 0xFFFE, s.size()};
    for (size_t i = 1; i < len; ++i) {
        if (at(pos + i) < 0x80 || at(pos + i) > 0xBF)
            return {5, 0xFFFE, pos + len};
        value = value * 64 + (at(pos + i) - 0x80);
    }
    const uint32_t smallest[7] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    if (value < smallest[len])
        return {5, 0xFFFE, pos + len};
    if (value >= 0xD800 && value <= 0xDFFF)
        return {3, value, pos + len};
    if (value == 0xFFFE || value == 0xFFFF)
        return {4, value, pos + len};
    return {0, value, pos + len};
}

/* One UCS-2 unit, least significant byte first. */
inline std::string ref_ucs2le(uint32_t cp)
{
    return std::string{static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF)};
}

#endif
