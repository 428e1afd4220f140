/* What the readers and writers of whole TPDUs share: fault reports,
 * decimal semi-octets, addresses, time stamps, validity periods and the
 * lengths of the user data. */
#ifndef SEPTCVT_WIRE_H
#define SEPTCVT_WIRE_H

#include <cstddef>
#include <cstdint>

#include "septcvt.h"

/* Returns status, with the fault where the caller asked for one. */
inline int fail(septcvt_tpdu_fault *fault, int status, int field, size_t offset, unsigned value)
{
    if (fault != nullptr) {
        fault->field = field;
        fault->offset = offset;
        fault->value = value;
    }
    return status;
}

/* Two decimal digits in an octet, the first in bits 3-0: the number, or -1
 * where a semi-octet is above 9. */
inline int read_decimal(uint8_t octet)
{
    const int first = octet & 0x0F, second = octet >> 4;
    return first > 9 || second > 9 ? -1 : first * 10 + second;
}
inline uint8_t write_decimal(int n)
{
    return static_cast<uint8_t>(n / 10 | (n % 10) << 4);
}

/* The longest address field: its length, its type and ten octets of digits. */
constexpr size_t ADDRESS_OCTETS = 12;

/* Reads the address field at in[at] (the service centre's where sc), up to
 * len; *used its octets. Faults name field. SEPTCVT_OK, SEPTCVT_UNMAPPED
 * or SEPTCVT_BAD_TPDU. */
int read_address(const uint8_t *in, size_t len, size_t at, bool sc, int field, septcvt_address &a, size_t &used,
                 septcvt_tpdu_fault *fault);
/* Writes a into out[0..ADDRESS_OCTETS), *len its octets: SEPTCVT_OK or
 * SEPTCVT_BAD_ARGUMENT. */
int write_address(const septcvt_address &a, bool sc, uint8_t *out, size_t &len);

/* A time stamp of seven octets at in[at]: SEPTCVT_OK, or SEPTCVT_BAD_TPDU
 * at the octet with a semi-octet above 9. */
int read_time_stamp(const uint8_t *in, size_t at, int field, septcvt_time_stamp &t, septcvt_tpdu_fault *fault);
/* False for a field that two decimal digits do not hold. */
bool write_time_stamp(const septcvt_time_stamp &t, uint8_t *out);

/* TP-VPF's two bits for a SEPTCVT_VALIDITY_ format, and back; the octets
 * of TP-VP each takes. */
int validity_format_of(unsigned vpf);
unsigned vpf_of(int format);
size_t validity_octets(int format);
/* TP-VP of v.format at in[at], its octets there: SEPTCVT_OK or
 * SEPTCVT_BAD_TPDU. */
int read_validity(const uint8_t *in, size_t at, septcvt_validity &v, septcvt_tpdu_fault *fault);
/* Writes TP-VP, validity_octets(v.format) octets: false where v is out of
 * range. */
bool write_validity(const septcvt_validity &v, uint8_t *out);

/* The user data behind the TP-UDL at in[udl_at], with TP-DCS dcs and
 * TP-UDHI udhi, in a buffer of len octets: SEPTCVT_OK with *ud_len the
 * octets TP-UDL gives (without the spare last octet of a 7-bit header with
 * no text, where it is not there) and *header those of the header, its
 * length octet included; or SEPTCVT_BAD_TPDU. */
int hold_user_data(const uint8_t *in, size_t len, size_t udl_at, int dcs, int udhi, size_t &ud_len, size_t &header,
                   septcvt_tpdu_fault *fault);

/* Writes t as a TPDU of that type with the user data ud and TP-MR mr
 * (where the type has one), as septcvt_tpdu_encode says. */
int write_tpdu(const septcvt_tpdu &t, int type, const septcvt_user_data &ud, int mr, int with_sc, uint8_t *out,
               size_t out_size, size_t *out_len, size_t *tpdu_len, septcvt_tpdu_fault *fault);

#endif
