/* TP-UDL and the header's lengths, held to the octets there. */
#include "elements.h"
#include "received.h"
#include "wire.h"

int hold_user_data(const uint8_t *in, size_t len, size_t udl_at, int dcs, int udhi, size_t &ud_len, size_t &header,
                   septcvt_tpdu_fault *fault)
{
    const bool seven = coding_of(dcs) == SEVEN_BIT;
    const unsigned udl = in[udl_at];
    const size_t ud_at = udl_at + 1, there = len - ud_at;
    if (udl > (seven ? SEPTCVT_SINGLE_SEPTETS : SEPTCVT_USER_DATA_OCTETS))
        return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDL, udl_at, udl);
    /* The header's octets, its length octet included, and the septets or
     * octets of TP-UDL it takes. */
    header = 0;
    size_t header_units = 0;
    if (udhi != 0) {
        if (udl == 0 || there == 0)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDL, udl_at, udl);
        header = in[ud_at] + 1u;
        header_units = seven ? header_septets(header) : header;
        if (header_units > udl)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDHL, ud_at, in[ud_at]);
    }
    /* A 7-bit header with no text after it needs no octet for its fill
     * bits, as the reader of parts has it; the octet is taken where it is
     * there. */
    const size_t full = seven ? septcvt_packed_size(udl, 0) : udl;
    const size_t need = seven && udl == header_units ? header : full;
    if (need > there)
        return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDL, udl_at, udl);
    ud_len = full < there ? full : there;
    uint8_t iei, size;
    const uint8_t *data;
    for (size_t at = 0; at + 1 < header;) {
        const size_t element = at;
        if (!next_element(in + ud_at + 1, header - 1, at, iei, size, data))
            return element + 2 < header ? fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_IEDL, ud_at + element + 2,
                                               in[ud_at + element + 2])
                                        : fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDHL, ud_at, in[ud_at]);
    }
    return SEPTCVT_OK;
}
