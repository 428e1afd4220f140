/* A plain reference model of both conversions, written from the printed
 * tables rather than from the production code, and the oracle that holds the
 * conversion core to it. Portable: the kernel check runs it on Windows too. */
#ifndef SEPTCVT_REFERENCE_H
#define SEPTCVT_REFERENCE_H

#include <cstdint>
#include <string>
#include <vector>

std::string ref_utf8(uint32_t code_point);

/* The character at pos: status as the codec's (0 ok, 1 the end, 3 surrogate,
 * 4 noncharacter, 5 malformed), value (0xFFFE for 1 and 5), where the next starts. */
struct RefDecoded {
    int status;
    uint32_t value;
    size_t next;
};
RefDecoded ref_decode(const std::string &in, size_t pos);

/* The library's status (OK, UNMAPPED, MALFORMED or NO_MARK), output, the
 * input used up (all, unless it stopped), the characters left out for want of
 * a mapping, and where refused input begins. */
constexpr size_t REF_NO_FAULT = SIZE_MAX;
struct Converted {
    int status;
    std::string out;
    size_t used;
    uint64_t unmapped = 0;
    size_t fault = REF_NO_FAULT;
};
Converted ref_convert(bool reverse, bool ucs2, const std::string &in);

/* The library's C interface, with the scalar core alone and with every
 * kernel set this processor runs, gives the reference's result fed whole, a
 * byte at a time, and in random pieces (and output room) from seed; so do
 * its whole-buffer helpers in exactly the room of the output. */
bool core_agrees(bool reverse, bool ucs2, const std::string &in, unsigned seed);

#endif
