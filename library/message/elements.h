/* The elements of a user-data header, as the writer of a part's user data
 * and the reader of a received part both see them. */
#ifndef SEPTCVT_ELEMENTS_H
#define SEPTCVT_ELEMENTS_H

#include <cstddef>
#include <cstdint>

/* Information element identifiers the library writes and reads itself. */
constexpr uint8_t CONCATENATION_8 = 0x00, CONCATENATION_16 = 0x08, SINGLE_SHIFT = 0x24, LOCKING_SHIFT = 0x25;

/* The septets a header of h octets takes, its fill bits included. */
constexpr size_t header_septets(size_t h)
{
    return (8 * h + 6) / 7;
}

/* One element of elements[0..len), from at: its identifier, length and
 * data, and at moved past it. False when it runs past the end. */
inline bool next_element(const uint8_t *elements, size_t len, size_t &at, uint8_t &iei, uint8_t &size,
                         const uint8_t *&data)
{
    if (len - at < 2 || len - at - 2 < elements[at + 1])
        return false;
    iei = elements[at];
    size = elements[at + 1];
    data = elements + at + 2;
    at += 2 + size;
    return true;
}

#endif
