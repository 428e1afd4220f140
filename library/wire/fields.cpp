/* The names of the fields a fault report gives. */
#include "wire.h"

const char *septcvt_field_name(int field)
{
    static const char *const names[] = {
        "",       "SCA",     "TP-MTI", "TP-MR",  "TP-DA", "TP-OA",  "TP-RA", "TP-PID", "TP-DCS", "TP-VPF",
        "TP-VP",  "TP-SCTS", "TP-DT",  "TP-ST",  "TP-PI", "TP-UDL", "UDHL",  "IEDL",   "TP-UD",  "address",
        "short_message", "message_payload", "data_coding", "sar_msg_ref_num", "sar_total_segments", "sar_segment_seqnum"};
    static_assert(sizeof names / sizeof *names == SEPTCVT_FIELD_SAR_SEQNUM + 1, "every field has a name");
    return field >= 0 && field <= SEPTCVT_FIELD_SAR_SEQNUM ? names[field] : "";
}
