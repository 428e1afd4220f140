/* What the reader of a received part shares with the reader of whole
 * TPDUs: how TP-DCS names the alphabet, and the elements of a header. */
#ifndef SEPTCVT_RECEIVED_H
#define SEPTCVT_RECEIVED_H

#include <cstddef>
#include <cstdint>

#include "septcvt.h"

enum coding { SEVEN_BIT, UCS2, NOT_TEXT };

/* The alphabet TP-DCS (0-255) names: 7-bit, UCS-2, or data that is not
 * text (8-bit or compressed), whose TP-UDL counts octets as UCS-2's does. */
coding coding_of(int dcs);

/* The elements of the header h[0..len), the length octet left out, into
 * out's concatenation numbers and language ids; false when an element runs
 * past the header, at then where it begins. An element the reader does not
 * know, or of the wrong length, is passed over; a later valid copy of one
 * replaces an earlier. *reference_bits, where given, is the size of the
 * reference that counts: 8 or 16. */
bool read_header(const uint8_t *h, size_t len, septcvt_received &out, size_t &at, int *reference_bits = nullptr);

/* UTF-16 big-endian, u[0..len), as UTF-8 into out[0..size): a surrogate
 * pair is one character; a lone surrogate and an odd final octet are each
 * counted in unmapped and left out. Returns the bytes it takes, also where
 * they are more than size (only those that fit are written). */
size_t utf16_to_utf8(const uint8_t *u, size_t len, uint8_t *out, size_t size, uint64_t &unmapped);

#endif
