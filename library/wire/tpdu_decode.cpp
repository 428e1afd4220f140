/* A received or stored TPDU read whole: SMS-SUBMIT, SMS-DELIVER and
 * SMS-STATUS-REPORT, each length held to the octets there. */
#include <cstring>

#include "received.h"
#include "wire.h"

namespace {

/* The message class TP-DCS gives: bit 4 in the general groups (00xx,
 * 01xx), bits 1-0 always in group 1111. */
void class_of(int dcs, septcvt_tpdu &t)
{
    const int group = dcs >> 4;
    t.has_class = (group < 8 && (dcs & 0x10) != 0) || group == 0xF;
    t.message_class = t.has_class ? dcs & 3 : 0;
}

/* TP-ST: a value the standard reserves reads as "service rejected". */
void status_of(uint8_t st, septcvt_tpdu &t)
{
    const int low = st & 0x1F;
    const int defined[] = {0x02, 0x05, 0x09, 0x05}; /* the last defined value of each group, from its base */
    const bool reserved = st >= 0x80 || (low > defined[st >> 5] && low < 0x10);
    t.status_sent = st;
    t.status = reserved ? SEPTCVT_ST_SERVICE_REJECTED : st;
    t.status_group = t.status >> 5;
}

/* The reading of one TPDU: the buffer, where the next field begins, and
 * the fault of a field that the end cuts. */
struct reading {
    const uint8_t *in;
    size_t len, at;
    septcvt_tpdu_fault *fault;

    /* Whether n octets of the field are there; else the fault. */
    bool has(size_t n, int field, int *status)
    {
        if (len - at >= n)
            return true;
        *status = fail(fault, SEPTCVT_BAD_TPDU, field, at, 0);
        return false;
    }
    uint8_t next()
    {
        return in[at++];
    }
};

/* The address at r.at, moved past: SEPTCVT_OK, SEPTCVT_UNMAPPED or a
 * refusal, kept in *status unless it is OK. */
bool address(reading &r, int field, septcvt_address &a, int *status)
{
    size_t used;
    const int got = read_address(r.in, r.len, r.at, false, field, a, used, r.fault);
    if (got == SEPTCVT_BAD_TPDU) {
        *status = got;
        return false;
    }
    if (got != SEPTCVT_OK)
        *status = got;
    r.at += used;
    return true;
}

bool time_stamp(reading &r, int field, septcvt_time_stamp &t, int *status)
{
    if (!r.has(7, field, status))
        return false;
    const int got = read_time_stamp(r.in, r.at, field, t, r.fault);
    r.at += 7;
    return got == SEPTCVT_OK || (*status = got, false);
}

/* TP-UDL and TP-UD, read as septcvt_read_part reads them; for data that
 * is not text, its header's elements. */
bool user_data(reading &r, size_t start, septcvt_tpdu &t, int *status)
{
    if (!r.has(1, SEPTCVT_FIELD_UDL, status))
        return false;
    septcvt_user_data &ud = t.user_data;
    size_t ud_len;
    const int held = hold_user_data(r.in, r.len, r.at, ud.dcs, ud.udhi, ud_len, t.header_length, r.fault);
    if (held != SEPTCVT_OK) {
        *status = held;
        return false;
    }
    ud.udl = r.next();
    ud.length = ud_len;
    memcpy(ud.ud, r.in + r.at, ud_len);
    r.at += ud_len;
    t.tpdu_length = r.at - start;
    t.trailing = r.len - r.at;
    if (coding_of(ud.dcs) == NOT_TEXT) {
        size_t at;
        if (t.header_length > 0)
            read_header(ud.ud + 1, t.header_length - 1, t.received, at);
        return true;
    }
    t.text = 1;
    const int read = septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &t.received);
    if (read == SEPTCVT_UNMAPPED)
        *status = read;
    return true;
}

/* The fields of each type after the first octet, up to TP-UD; false with
 * *status at a refusal. */
bool submit(reading &r, size_t start, septcvt_tpdu &t, int *status)
{
    const uint8_t first = r.in[start];
    t.reject_duplicates = first >> 2 & 1;
    t.validity.format = validity_format_of(first >> 3);
    t.status_report = first >> 5 & 1;
    t.reply_path = first >> 7;
    if (!r.has(1, SEPTCVT_FIELD_MR, status))
        return false;
    t.message_reference = r.next();
    if (!address(r, SEPTCVT_FIELD_DA, t.address, status) || !r.has(1, SEPTCVT_FIELD_PID, status))
        return false;
    t.pid = r.next();
    if (!r.has(1, SEPTCVT_FIELD_DCS, status))
        return false;
    t.user_data.dcs = r.next();
    const size_t vp = validity_octets(t.validity.format);
    if (r.len - r.at < vp) {
        *status = fail(r.fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_VPF, start, first >> 3 & 3);
        return false;
    }
    const int got = read_validity(r.in, r.at, t.validity, r.fault);
    r.at += vp;
    return (got == SEPTCVT_OK || (*status = got, false)) && user_data(r, start, t, status);
}

bool deliver(reading &r, size_t start, septcvt_tpdu &t, int *status)
{
    const uint8_t first = r.in[start];
    t.more_messages = (first & 0x04) == 0;
    t.loop_prevention = first >> 3 & 1;
    t.status_report = first >> 5 & 1;
    t.reply_path = first >> 7;
    if (!address(r, SEPTCVT_FIELD_OA, t.address, status) || !r.has(1, SEPTCVT_FIELD_PID, status))
        return false;
    t.pid = r.next();
    if (!r.has(1, SEPTCVT_FIELD_DCS, status))
        return false;
    t.user_data.dcs = r.next();
    return time_stamp(r, SEPTCVT_FIELD_SCTS, t.scts, status) && user_data(r, start, t, status);
}

bool status_report(reading &r, size_t start, septcvt_tpdu &t, int *status)
{
    const uint8_t first = r.in[start];
    t.more_messages = (first & 0x04) == 0;
    t.loop_prevention = first >> 3 & 1;
    t.status_report = first >> 5 & 1;
    if (!r.has(1, SEPTCVT_FIELD_MR, status))
        return false;
    t.message_reference = r.next();
    if (!address(r, SEPTCVT_FIELD_RA, t.address, status) || !time_stamp(r, SEPTCVT_FIELD_SCTS, t.scts, status) ||
        !time_stamp(r, SEPTCVT_FIELD_DT, t.discharge, status) || !r.has(1, SEPTCVT_FIELD_ST, status))
        return false;
    status_of(r.next(), t);
    t.tpdu_length = r.at - start;
    if (r.at == r.len)
        return true;
    /* TP-PI: its extension octets are passed over, its reserved bits
     * ignored; what it announces must be there. */
    t.has_pi = 1;
    size_t pi_at = r.at;
    t.pi = r.next();
    for (size_t ext = pi_at; (r.in[ext] & 0x80) != 0; ext = r.at++)
        if (r.at == r.len) {
            *status = fail(r.fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_PI, ext, r.in[ext]);
            return false;
        }
    const size_t wanted = (t.pi & 1) + (t.pi >> 1 & 1) + (t.pi >> 2 & 1);
    if (r.len - r.at < wanted) {
        *status = fail(r.fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_PI, pi_at, static_cast<unsigned>(t.pi));
        return false;
    }
    if ((t.pi & 1) != 0)
        t.pid = r.next();
    if ((t.pi & 2) != 0)
        t.user_data.dcs = r.next();
    t.tpdu_length = r.at - start;
    t.trailing = r.len - r.at;
    return (t.pi & 4) == 0 || user_data(r, start, t, status);
}

} // namespace

int septcvt_tpdu_decode(const uint8_t *in, size_t len, int with_sc, int direction, septcvt_tpdu *tpdu,
                        septcvt_tpdu_fault *fault)
{
    if (tpdu == nullptr || (in == nullptr && len > 0))
        return SEPTCVT_NULL_POINTER;
    if (direction != SEPTCVT_TO_NETWORK && direction != SEPTCVT_FROM_NETWORK)
        return SEPTCVT_BAD_ARGUMENT;
    fail(fault, SEPTCVT_OK, SEPTCVT_FIELD_NONE, 0, 0);
    /* Built here and copied out only when whole. */
    septcvt_tpdu t;
    memset(&t, 0, sizeof t);
    reading r{in, len, 0, fault};
    int status = SEPTCVT_OK;
    if (with_sc != 0) {
        size_t used;
        status = read_address(in, len, 0, true, SEPTCVT_FIELD_SCA, t.sc, used, fault);
        if (status == SEPTCVT_BAD_TPDU)
            return status;
        r.at = t.sc_length = used;
    }
    if (!r.has(1, SEPTCVT_FIELD_MTI, &status))
        return status;
    /* TP-MTI's meaning rests on the way the TPDU went. */
    const size_t start = r.at;
    const uint8_t first = r.next();
    const int mti = first & 3;
    const bool to_network = direction == SEPTCVT_TO_NETWORK;
    t.type = to_network && mti == 1 ? SEPTCVT_SUBMIT : !to_network && mti == 0 ? SEPTCVT_DELIVER
             : !to_network && mti == 2 ? SEPTCVT_STATUS_REPORT : -1;
    if (t.type < 0)
        return fail(fault, SEPTCVT_UNSUPPORTED_TPDU, SEPTCVT_FIELD_MTI, start, first);
    t.user_data.udhi = first >> 6 & 1;
    const bool whole = t.type == SEPTCVT_SUBMIT ? submit(r, start, t, &status)
                       : t.type == SEPTCVT_DELIVER ? deliver(r, start, t, &status)
                                                   : status_report(r, start, t, &status);
    if (!whole)
        return status;
    class_of(t.user_data.dcs, t);
    memcpy(tpdu, &t, sizeof t);
    return status;
}
