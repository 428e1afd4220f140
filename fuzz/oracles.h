/* Independent oracles for the codec and the conversions, shared by the fuzz
 * targets and the unit tests. Each returns true when the real code and a
 * plainly written reference agree on the input. */
#ifndef SEPTCVT_ORACLES_H
#define SEPTCVT_ORACLES_H

#include <cstddef>
#include <string>
#include <vector>

/* What a conversion gave: its status, its output, and how much input it used
 * up (all of it, unless it stopped on malformed input). */
struct Converted {
    int status;
    std::string out;
    size_t used;
};

bool operator==(const Converted &a, const Converted &b);

/* The two conversions, written plainly from the tables' printed form. */
Converted ref_forward(const std::string &in, bool ucs2);
Converted ref_reverse(const std::string &in, bool ucs2);

struct kernel_set;

/* The conversion core with the given vector kernels (none: the scalar core
 * alone), fed in pieces that end at each of cuts (ascending, the last one
 * in.size()), each in a buffer of its own size. */
Converted core_convert(const kernel_set *kernels, bool reverse, bool ucs2, const std::string &in,
                       const std::vector<size_t> &cuts);

/* The core, alone and with every kernel set this processor runs, gives the
 * reference's result whole, a byte at a time, and in random pieces drawn
 * from seed. */
bool core_agrees(bool reverse, bool ucs2, const std::string &in, unsigned seed);

/* utf8_get, call after call to the end: the same status, stored value and
 * bytes used up as the reference decoder. */
bool utf8_get_agrees(const std::string &in);

/* GSM text to Unicode and back through the program's streams gives exactly
 * the codes that had a mapping, escape pairs kept; the forward status is 1
 * exactly when one had none. */
bool round_trip_agrees(bool ucs2, const std::string &gsm);

#endif
