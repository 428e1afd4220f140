/* Received parts as the joiner takes them: their place in a series and
 * their text's units, from a part's user data, a TPDU read whole, or a
 * deliver_sm's fields. */
#include <cstring>

#include "elements.h"
#include "received.h"
#include "smpp.h"
#include "wire.h"

namespace {

/* The numbers of a header read, or else of the SAR values. */
void place(septcvt_join_part &p, const septcvt_received &numbers, int reference_bits, const septcvt_smpp_sar *sar)
{
    if (numbers.concatenated != 0) {
        p.concatenated = 1;
        p.reference_bits = reference_bits;
        p.reference = numbers.reference, p.total = numbers.total, p.sequence = numbers.sequence;
    } else if (sar != nullptr && sar->present != 0) {
        p.concatenated = p.sar = 1;
        p.reference_bits = 16;
        p.reference = sar->msg_ref_num, p.total = sar->total_segments, p.sequence = sar->segment_seqnum;
    }
    p.locking = numbers.locking;
    p.single = numbers.single;
}

} // namespace

int septcvt_join_part_from_user_data(int dcs, int udhi, int udl, const uint8_t *ud, size_t ud_len,
                                     septcvt_join_part *out)
{
    if (out == nullptr || (ud == nullptr && ud_len > 0))
        return SEPTCVT_NULL_POINTER;
    septcvt_received read;
    const int status = septcvt_read_part(dcs, udhi, udl, ud, ud_len, &read);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED && status != SEPTCVT_NOT_TEXT)
        return status;
    /* 8-bit data, which the reader of parts does not look into, is held
     * to its lengths here as text is there. */
    const bool seven = coding_of(dcs) == SEVEN_BIT;
    const size_t header = udhi != 0 && ud_len > 0 ? ud[0] + 1u : 0;
    if (!seven && (udl < 0 || udl > SEPTCVT_USER_DATA_OCTETS || static_cast<size_t>(udl) > ud_len ||
                   header > static_cast<size_t>(udl) || (udhi != 0 && ud_len == 0)))
        return SEPTCVT_BAD_USER_DATA;
    septcvt_join_part p{};
    septcvt_received numbers{};
    size_t at = 0;
    int reference_bits = 0;
    if (header > 0 && !read_header(ud + 1, header - 1, numbers, at, &reference_bits))
        return SEPTCVT_BAD_USER_DATA;
    place(p, numbers, reference_bits, nullptr);
    if (seven) {
        uint8_t septets[SEPTCVT_SINGLE_SEPTETS];
        const size_t skip = header_septets(header), all = static_cast<size_t>(udl);
        septcvt_unpack(ud, ud_len, 0, all, septets, sizeof septets);
        p.units_kind = SEPTCVT_UNITS_SEPTETS;
        p.length = all - skip;
        memcpy(p.units, septets + skip, p.length);
    } else {
        p.units_kind = status == SEPTCVT_NOT_TEXT ? SEPTCVT_UNITS_OCTETS : SEPTCVT_UNITS_UTF16;
        p.length = static_cast<size_t>(udl) - header;
        if (p.length > 0)
            memcpy(p.units, ud + header, p.length);
    }
    *out = p;
    return SEPTCVT_OK;
}

int septcvt_join_part_from_tpdu(const septcvt_tpdu *tpdu, septcvt_join_part *out)
{
    if (tpdu == nullptr || out == nullptr)
        return SEPTCVT_NULL_POINTER;
    const septcvt_user_data &ud = tpdu->user_data;
    septcvt_join_part p;
    const int status = septcvt_join_part_from_user_data(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &p);
    if (status != SEPTCVT_OK)
        return status;
    /* A status report is a receipt, never text to join. */
    if (tpdu->type == SEPTCVT_STATUS_REPORT)
        p.message_type = SEPTCVT_ESM_RECEIPT;
    *out = p;
    return SEPTCVT_OK;
}

int septcvt_join_part_from_smpp(const uint8_t *message, size_t length, int payload, int esm_class, int data_coding,
                                const septcvt_smpp_sar *sar, const septcvt_smpp_settings *settings,
                                septcvt_join_part *out, septcvt_tpdu_fault *fault)
{
    if (out == nullptr || (message == nullptr && length > 0))
        return SEPTCVT_NULL_POINTER;
    if (fault != nullptr)
        *fault = septcvt_tpdu_fault{};
    const septcvt_smpp_settings s = settings != nullptr ? *settings : septcvt_smpp_settings{};
    smpp_message m;
    const int taken = take_smpp(message, length, payload, esm_class, data_coding, sar, s, m, fault);
    if (taken != SEPTCVT_OK)
        return taken;
    septcvt_join_part p{};
    p.message_type = esm_class & SEPTCVT_ESM_TYPE_MASK;
    place(p, m.numbers, m.reference_bits, sar);
    const size_t room = sizeof p.units;
    switch (m.alphabet) {
    case SEPTCVT_SMPP_GSM:
        p.units_kind = SEPTCVT_UNITS_SEPTETS;
        p.length = smpp_septet_count(message, length, m);
        if (p.length > room)
            return SEPTCVT_NO_ROOM;
        smpp_septets(message, length, m, 0, p.units, room);
        break;
    case SEPTCVT_SMPP_UCS2:
    case SEPTCVT_SMPP_OCTETS:
        p.units_kind = m.alphabet == SEPTCVT_SMPP_UCS2 ? SEPTCVT_UNITS_UTF16 : SEPTCVT_UNITS_OCTETS;
        p.length = m.body_len;
        if (p.length > room)
            return SEPTCVT_NO_ROOM;
        if (p.length > 0) /* an empty message may have no buffer */
            memcpy(p.units, m.body, p.length);
        break;
    default: /* Latin-1 and ASCII, a character an octet, as UTF-16 */
        p.units_kind = SEPTCVT_UNITS_UTF16;
        p.length = 2 * m.body_len;
        if (p.length > room)
            return SEPTCVT_NO_ROOM;
        for (size_t i = 0; i < m.body_len; ++i) {
            /* An octet that IA5 lacks becomes a lone low surrogate, which
             * the reading counts as unmapped and leaves out, as it would
             * the octet. */
            const bool lacking = m.alphabet == SEPTCVT_SMPP_ASCII && m.body[i] > 0x7F;
            p.units[2 * i] = lacking ? 0xDC : 0x00;
            p.units[2 * i + 1] = m.body[i];
        }
        break;
    }
    *out = p;
    return SEPTCVT_OK;
}
