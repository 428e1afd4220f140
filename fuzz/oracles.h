/* Independent oracles for the codec and the conversions, shared by the fuzz
 * targets and the unit tests. Each returns true when the real code and a
 * plainly written reference agree on the input. */
#ifndef SEPTCVT_ORACLES_H
#define SEPTCVT_ORACLES_H

#include <string>

/* utf8_get, call after call to the end: the same status, stored value and
 * bytes used up as the reference decoder. */
bool utf8_get_agrees(const std::string &in);

/* GSM text to Unicode and back gives exactly the codes that had a mapping,
 * escape pairs kept; the forward status is 1 exactly when one had none. */
bool round_trip_agrees(bool ucs2, const std::string &gsm);

/* The reverse conversion gives the output and status of a reference
 * conversion, and only bytes 0x00-0x7F. */
bool reverse_agrees(bool ucs2, const std::string &in);

#endif
