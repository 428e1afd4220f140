/* Time stamps (TP-SCTS, TP-DT, an absolute TP-VP) and validity periods. */
#include "wire.h"

namespace {

constexpr uint32_t MINUTE = 60, HOUR = 60 * MINUTE, DAY = 24 * HOUR, WEEK = 7 * DAY;

/* The period of a relative TP-VP octet. */
uint32_t relative_seconds(unsigned v)
{
    if (v <= 143)
        return (v + 1) * 5 * MINUTE;
    if (v <= 167)
        return 12 * HOUR + (v - 143) * 30 * MINUTE;
    if (v <= 196)
        return (v - 166) * DAY;
    return (v - 192) * WEEK;
}

uint32_t up(uint32_t seconds, uint32_t unit)
{
    return (seconds + unit - 1) / unit;
}

/* The smallest relative octet whose period is at least seconds; -1 above
 * the longest. Each range begins one step past the end of the one before,
 * which its first step holds. */
int relative_octet(uint32_t seconds)
{
    if (seconds <= 12 * HOUR)
        return seconds == 0 ? 0 : static_cast<int>(up(seconds, 5 * MINUTE)) - 1;
    if (seconds <= DAY)
        return 143 + static_cast<int>(up(seconds - 12 * HOUR, 30 * MINUTE));
    if (seconds <= 30 * DAY)
        return 166 + static_cast<int>(up(seconds, DAY));
    if (seconds <= SEPTCVT_LONGEST_VALIDITY)
        return 192 + static_cast<int>(up(seconds, WEEK));
    return -1;
}

} // namespace

int read_time_stamp(const uint8_t *in, size_t at, int field, septcvt_time_stamp &t, septcvt_tpdu_fault *fault)
{
    int *fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
    for (size_t i = 0; i < 6; ++i)
        if ((*fields[i] = read_decimal(in[at + i])) < 0)
            return fail(fault, SEPTCVT_BAD_TPDU, field, at + i, in[at + i]);
    /* The zone's first digit has three bits, bit 3 being its sign. */
    const uint8_t zone = in[at + 6];
    const int quarters = read_decimal(zone & 0xF7);
    if (quarters < 0)
        return fail(fault, SEPTCVT_BAD_TPDU, field, at + 6, zone);
    t.zone = (zone & 0x08) != 0 ? -quarters : quarters;
    return SEPTCVT_OK;
}

bool write_time_stamp(const septcvt_time_stamp &t, uint8_t *out)
{
    const int fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    for (size_t i = 0; i < 6; ++i) {
        if (fields[i] < 0 || fields[i] > 99)
            return false;
        out[i] = write_decimal(fields[i]);
    }
    if (t.zone < -79 || t.zone > 79)
        return false;
    out[6] = static_cast<uint8_t>(write_decimal(t.zone < 0 ? -t.zone : t.zone) | (t.zone < 0 ? 0x08 : 0));
    return true;
}

/* TP-VPF: 00 none, 10 relative, 01 enhanced, 11 absolute. */
int validity_format_of(unsigned vpf)
{
    const int formats[] = {SEPTCVT_VALIDITY_NONE, SEPTCVT_VALIDITY_ENHANCED, SEPTCVT_VALIDITY_RELATIVE,
                           SEPTCVT_VALIDITY_ABSOLUTE};
    return formats[vpf & 3];
}

unsigned vpf_of(int format)
{
    const unsigned vpfs[] = {0, 2, 1, 3};
    return vpfs[format];
}

size_t validity_octets(int format)
{
    return format == SEPTCVT_VALIDITY_NONE ? 0 : format == SEPTCVT_VALIDITY_RELATIVE ? 1 : 7;
}

int read_validity(const uint8_t *in, size_t at, septcvt_validity &v, septcvt_tpdu_fault *fault)
{
    if (v.format == SEPTCVT_VALIDITY_RELATIVE) {
        v.relative = in[at];
        v.seconds = relative_seconds(in[at]);
    } else if (v.format == SEPTCVT_VALIDITY_ABSOLUTE) {
        return read_time_stamp(in, at, SEPTCVT_FIELD_VP, v.absolute, fault);
    } else if (v.format == SEPTCVT_VALIDITY_ENHANCED) {
        const uint8_t first = in[at];
        v.enhanced = first & 7;
        v.single_shot = first >> 6 & 1;
        v.extension = first >> 7;
        if (v.enhanced == SEPTCVT_ENHANCED_RELATIVE) {
            v.relative = in[at + 1];
            v.seconds = relative_seconds(in[at + 1]);
        } else if (v.enhanced == SEPTCVT_ENHANCED_SECONDS) {
            v.seconds = in[at + 1];
        } else if (v.enhanced == SEPTCVT_ENHANCED_HMS) {
            /* Minutes and seconds above 59 are no period that hours,
             * minutes and seconds write. */
            for (size_t i = 1; i <= 3; ++i) {
                const int n = read_decimal(in[at + i]);
                if (n < 0 || (i > 1 && n > 59))
                    return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_VP, at + i, in[at + i]);
                v.seconds = v.seconds * 60 + static_cast<uint32_t>(n);
            }
        } else if (v.enhanced != SEPTCVT_ENHANCED_NONE) {
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_VP, at, first); /* a reserved format */
        }
    }
    return SEPTCVT_OK;
}

bool write_validity(const septcvt_validity &v, uint8_t *out)
{
    if (v.format == SEPTCVT_VALIDITY_NONE)
        return true;
    if (v.format == SEPTCVT_VALIDITY_ABSOLUTE)
        return write_time_stamp(v.absolute, out);
    const int relative = relative_octet(v.seconds);
    if (v.format == SEPTCVT_VALIDITY_RELATIVE) {
        out[0] = static_cast<uint8_t>(relative);
        return relative >= 0;
    }
    if (v.format != SEPTCVT_VALIDITY_ENHANCED || v.enhanced < 0 || v.enhanced > SEPTCVT_ENHANCED_HMS)
        return false;
    for (size_t i = 0; i < 7; ++i)
        out[i] = 0;
    out[0] = static_cast<uint8_t>(v.enhanced | (v.single_shot != 0) << 6 | (v.extension != 0) << 7);
    if (v.enhanced == SEPTCVT_ENHANCED_RELATIVE) {
        out[1] = static_cast<uint8_t>(relative);
        return relative >= 0;
    }
    if (v.enhanced == SEPTCVT_ENHANCED_SECONDS) {
        out[1] = static_cast<uint8_t>(v.seconds);
        return v.seconds <= 0xFF;
    }
    if (v.enhanced == SEPTCVT_ENHANCED_HMS) {
        const uint32_t hours = v.seconds / HOUR;
        out[1] = write_decimal(static_cast<int>(hours % 100));
        out[2] = write_decimal(static_cast<int>(v.seconds / MINUTE % 60));
        out[3] = write_decimal(static_cast<int>(v.seconds % 60));
        return hours <= 99;
    }
    return true;
}
