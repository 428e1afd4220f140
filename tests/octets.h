/* Octets as the tests write them: uppercase hexadecimal, a space between
 * two octets. */
#ifndef SEPTCVT_TESTS_OCTETS_H
#define SEPTCVT_TESTS_OCTETS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "septcvt.h"

inline std::string hex(const uint8_t *o, size_t n)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < n; ++i)
        snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", o[i]), out += two;
    return out;
}

/* The octets of such hexadecimal, spaces left out. */
inline std::vector<uint8_t> octets(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    std::vector<uint8_t> out(text.size() / 2);
    size_t n;
    EXPECT_EQ(septcvt_hex_decode(text.data(), text.size(), out.data(), out.size(), &n, nullptr), SEPTCVT_OK) << text;
    return out;
}

#endif
