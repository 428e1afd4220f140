/* SMS-SUBMIT, SMS-DELIVER and SMS-STATUS-REPORT written from their fields,
 * built aside and copied out only when whole. */
#include <cstring>

#include "wire.h"

namespace {

/* The most each part takes: the service centre's address, the first
 * octet, TP-MR, the address, TP-PID and TP-DCS, TP-VP or two time stamps,
 * TP-ST and TP-PI, TP-UDL and TP-UD. */
static_assert(ADDRESS_OCTETS + 1 + 1 + ADDRESS_OCTETS + 2 + 14 + 2 + 1 + SEPTCVT_USER_DATA_OCTETS <=
                  SEPTCVT_TPDU_OCTETS,
              "the room of a TPDU holds every field");

uint8_t bit(int flag, int at)
{
    return static_cast<uint8_t>((flag != 0) << at);
}

bool octet(int value)
{
    return value >= 0 && value <= 0xFF;
}

} // namespace

int write_tpdu(const septcvt_tpdu &t, int type, const septcvt_user_data &ud, int mr, int with_sc, uint8_t *out,
               size_t out_size, size_t *out_len, size_t *tpdu_len, septcvt_tpdu_fault *fault)
{
    uint8_t b[SEPTCVT_TPDU_OCTETS];
    size_t n = 0, used;
    if (with_sc != 0) {
        if (write_address(t.sc, true, b, used) != SEPTCVT_OK)
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_SCA, 0, 0);
        n = used;
    }
    const size_t start = n;
    const bool submit = type == SEPTCVT_SUBMIT, deliver = type == SEPTCVT_DELIVER;
    if (!submit && !deliver && type != SEPTCVT_STATUS_REPORT)
        return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_MTI, n, static_cast<unsigned>(type));
    if (submit && (t.validity.format < SEPTCVT_VALIDITY_NONE || t.validity.format > SEPTCVT_VALIDITY_ABSOLUTE))
        return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_VPF, n, static_cast<unsigned>(t.validity.format));
    /* TP-MTI 01 SUBMIT, 00 DELIVER, 10 STATUS-REPORT; TP-MMS is set where
     * no more messages wait. */
    b[n++] = submit ? static_cast<uint8_t>(0x01 | bit(t.reject_duplicates, 2) | vpf_of(t.validity.format) << 3 |
                                           bit(t.status_report, 5) | bit(ud.udhi, 6) | bit(t.reply_path, 7))
                    : static_cast<uint8_t>((deliver ? 0x00 : 0x02) | bit(!t.more_messages, 2) |
                                           bit(t.loop_prevention, 3) | bit(t.status_report, 5) | bit(ud.udhi, 6) |
                                           bit(deliver && t.reply_path, 7));
    if (!deliver) {
        if (!octet(mr))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_MR, n, static_cast<unsigned>(mr));
        b[n++] = static_cast<uint8_t>(mr);
    }
    if (write_address(t.address, false, b + n, used) != SEPTCVT_OK)
        return fail(fault, SEPTCVT_BAD_ARGUMENT, submit ? SEPTCVT_FIELD_DA : deliver ? SEPTCVT_FIELD_OA : SEPTCVT_FIELD_RA,
                    n, 0);
    n += used;
    /* What follows the address: TP-PID and TP-DCS, unless a STATUS-REPORT's
     * TP-PI leaves them out. */
    const int pi = type == SEPTCVT_STATUS_REPORT ? (t.has_pi != 0 ? t.pi & 0x7F : -1) : 0x07;
    if (type == SEPTCVT_STATUS_REPORT) {
        if (!write_time_stamp(t.scts, b + n))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_SCTS, n, 0);
        if (!write_time_stamp(t.discharge, b + n + 7))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_DT, n + 7, 0);
        n += 14;
        if (!octet(t.status_sent))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_ST, n, static_cast<unsigned>(t.status_sent));
        b[n++] = static_cast<uint8_t>(t.status_sent);
        if (pi >= 0)
            b[n++] = static_cast<uint8_t>(pi);
    }
    if (pi >= 0 && (pi & 1) != 0) {
        if (!octet(t.pid))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_PID, n, static_cast<unsigned>(t.pid));
        b[n++] = static_cast<uint8_t>(t.pid);
    }
    if (pi >= 0 && (pi & 2) != 0) {
        if (!octet(ud.dcs))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_DCS, n, static_cast<unsigned>(ud.dcs));
        b[n++] = static_cast<uint8_t>(ud.dcs);
    }
    if (submit) {
        if (!write_validity(t.validity, b + n))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_VP, n, 0);
        n += validity_octets(t.validity.format);
    } else if (deliver) {
        if (!write_time_stamp(t.scts, b + n))
            return fail(fault, SEPTCVT_BAD_ARGUMENT, SEPTCVT_FIELD_SCTS, n, 0);
        n += 7;
    }
    if (pi >= 0 && (pi & 4) != 0) {
        /* The user data must read back as it was written, to its end. */
        const int dcs = pi & 2 ? ud.dcs : 0;
        if (!octet(ud.udl) || ud.length > SEPTCVT_USER_DATA_OCTETS)
            return fail(fault, SEPTCVT_BAD_USER_DATA, SEPTCVT_FIELD_UDL, n, static_cast<unsigned>(ud.udl));
        b[n] = static_cast<uint8_t>(ud.udl);
        memcpy(b + n + 1, ud.ud, ud.length);
        size_t ud_len, header;
        if (hold_user_data(b, n + 1 + ud.length, n, dcs, ud.udhi, ud_len, header, fault) != SEPTCVT_OK)
            return SEPTCVT_BAD_USER_DATA;
        if (ud_len != ud.length)
            return fail(fault, SEPTCVT_BAD_USER_DATA, SEPTCVT_FIELD_UD, n + 1 + ud_len, static_cast<unsigned>(ud.length));
        n += 1 + ud.length;
    }
    if (out_len != nullptr)
        *out_len = n;
    if (tpdu_len != nullptr)
        *tpdu_len = n - start;
    if (n > out_size)
        return SEPTCVT_NO_ROOM;
    memcpy(out, b, n);
    return SEPTCVT_OK;
}

int septcvt_tpdu_encode(const septcvt_tpdu *tpdu, int with_sc, uint8_t *out, size_t out_size, size_t *out_len,
                        size_t *tpdu_len, septcvt_tpdu_fault *fault)
{
    if (tpdu == nullptr || out_len == nullptr || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    fail(fault, SEPTCVT_OK, SEPTCVT_FIELD_NONE, 0, 0);
    return write_tpdu(*tpdu, tpdu->type, tpdu->user_data, tpdu->message_reference, with_sc, out, out_size, out_len, tpdu_len,
                      fault);
}
