#include "wire_text.h"

#include <cstdio>

namespace {

/* Fields whose value says how many octets or fields follow. */
bool announces(int field)
{
    switch (field) {
    case SEPTCVT_FIELD_SCA:
    case SEPTCVT_FIELD_DA:
    case SEPTCVT_FIELD_OA:
    case SEPTCVT_FIELD_RA:
    case SEPTCVT_FIELD_ADDRESS:
    case SEPTCVT_FIELD_VPF:
    case SEPTCVT_FIELD_PI:
    case SEPTCVT_FIELD_UDL:
    case SEPTCVT_FIELD_UDHL:
    case SEPTCVT_FIELD_IEDL:
        return true;
    default:
        return false;
    }
}

/* The most a length field may say, where the standard sets one below
 * what an octet holds. */
unsigned most(int field)
{
    switch (field) {
    case SEPTCVT_FIELD_SCA:
        return 11;
    case SEPTCVT_FIELD_DA:
    case SEPTCVT_FIELD_OA:
    case SEPTCVT_FIELD_RA:
    case SEPTCVT_FIELD_ADDRESS:
        return SEPTCVT_ADDRESS_DIGITS;
    case SEPTCVT_FIELD_UDL:
        return 160;
    default:
        return 255;
    }
}

std::string two(int n)
{
    char digits[12]; /* room for any int, which some compilers ask for */
    snprintf(digits, sizeof digits, "%02d", n);
    return digits;
}

} // namespace

std::string fault_text(int status, const septcvt_tpdu_fault &f)
{
    const std::string field = septcvt_field_name(f.field), at = " at octet " + std::to_string(f.offset);
    char hex[4];
    snprintf(hex, sizeof hex, "%02X", f.value & 0xFF);
    if (status == SEPTCVT_UNSUPPORTED_TPDU)
        return std::string("first octet ") + hex + at + ": TP-MTI " + std::to_string(f.value & 3) +
               ", a TPDU of a type not read";
    if (status != SEPTCVT_BAD_TPDU || field.empty())
        return field.empty() ? septcvt_strerror(status) : field + at + ": " + septcvt_strerror(status);
    if (f.field == SEPTCVT_FIELD_SHORT_MESSAGE || f.field == SEPTCVT_FIELD_MESSAGE_PAYLOAD) {
        const unsigned holds = f.field == SEPTCVT_FIELD_SHORT_MESSAGE ? SEPTCVT_SHORT_MESSAGE_OCTETS
                                                                      : SEPTCVT_PAYLOAD_OCTETS;
        /* Within what the field holds, it is too short for the header
         * esm_class announces. */
        return f.value > holds ? field + " of " + std::to_string(f.value) + " octets is more than " +
                                     std::to_string(holds)
                               : field + " runs past the end" + at;
    }
    if (f.field == SEPTCVT_FIELD_DATA_CODING)
        return std::string("data_coding 0x") + hex + " names no alphabet read";
    if (f.field >= SEPTCVT_FIELD_SAR_MSG_REF_NUM && f.field <= SEPTCVT_FIELD_SAR_SEQNUM)
        return field + " " + std::to_string(f.value) + " is out of range";
    if (announces(f.field) && f.value > most(f.field))
        return field + " " + std::to_string(f.value) + " is out of range" + at;
    if (announces(f.field) || f.value == 0)
        return field + (f.value != 0 ? " " + std::to_string(f.value) : "") + " runs past the end" + at;
    return field + " octet " + hex + " does not hold together" + at;
}

std::string address_text(const septcvt_address &a)
{
    if (a.text[0] == '\0')
        return "none";
    std::string text = a.text;
    if (a.ton == SEPTCVT_TON_ALPHANUMERIC)
        return text + " (alphanumeric)";
    if (a.ton == SEPTCVT_TON_INTERNATIONAL && a.npi == SEPTCVT_NPI_ISDN)
        return text;
    return text + " (TON " + std::to_string(a.ton) + ", NPI " + std::to_string(a.npi) + ")";
}

json address_json(const septcvt_address &a)
{
    return {{"ton", a.ton}, {"npi", a.npi}, {"text", a.text}};
}

std::string time_text(const septcvt_time_stamp &t)
{
    const int zone = t.zone < 0 ? -t.zone : t.zone;
    return two(t.year) + "-" + two(t.month) + "-" + two(t.day) + " " + two(t.hour) + ":" + two(t.minute) + ":" +
           two(t.second) + " " + (t.zone < 0 ? "-" : "+") + two(zone / 4) + ":" + two(zone % 4 * 15);
}

json time_json(const septcvt_time_stamp &t)
{
    return {{"year", t.year}, {"month", t.month}, {"day", t.day},   {"hour", t.hour},
            {"minute", t.minute}, {"second", t.second}, {"zone", t.zone}};
}

std::string period_text(uint32_t seconds)
{
    static const struct { uint32_t size; char unit; } UNITS[] = {
        {604800, 'w'}, {86400, 'd'}, {3600, 'h'}, {60, 'm'}, {1, 's'}};
    std::string out;
    for (const auto &u : UNITS)
        if (seconds >= u.size) {
            out += (out.empty() ? "" : " ") + std::to_string(seconds / u.size) + u.unit;
            seconds %= u.size;
        }
    return out.empty() ? "0s" : out;
}
