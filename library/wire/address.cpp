/* Addresses: digits two to a semi-octet pair, or alphanumeric text in the
 * default alphabet, behind their length and type of address. */
#include <cstring>

#include "wire.h"

namespace {

/* The characters of the semi-octets 0000-1110; 1111 pads an odd count. */
constexpr char DIGITS[] = "0123456789*#abc";

constexpr uint8_t type_octet(int ton, int npi)
{
    return static_cast<uint8_t>(0x80 | ton << 4 | npi);
}

/* Whether text is digits that need no type given: 0-9, '*' and '#'. */
bool plain_digits(const char *text)
{
    return strspn(text, "0123456789*#") == strlen(text);
}

/* count digits from the semi-octets at d, as text after what a.text
 * holds: false at a 1111 among them, whose octet *bad then is. */
bool read_digits(const uint8_t *d, size_t count, septcvt_address &a, size_t &bad)
{
    size_t n = strlen(a.text);
    for (size_t i = 0; i < count; ++i) {
        const unsigned semi = i % 2 == 0 ? d[i / 2] & 0x0F : d[i / 2] >> 4;
        if (semi == 0x0F) {
            bad = i / 2;
            return false;
        }
        a.text[n++] = DIGITS[semi];
    }
    a.text[n] = '\0';
    return true;
}

} // namespace

int read_address(const uint8_t *in, size_t len, size_t at, bool sc, int field, septcvt_address &a, size_t &used,
                 septcvt_tpdu_fault *fault)
{
    memset(&a, 0, sizeof a);
    if (at >= len)
        return fail(fault, SEPTCVT_BAD_TPDU, field, at, 0);
    const unsigned n = in[at];
    if (sc && n == 0) { /* none: the modem's own */
        used = 1;
        return SEPTCVT_OK;
    }
    /* The service centre's length counts octets after it, the type's among
     * them; an address's counts digits. */
    const size_t octets = sc ? n : 1 + (n + 1) / 2;
    if (n > (sc ? ADDRESS_OCTETS - 1 : SEPTCVT_ADDRESS_DIGITS) || len - at - 1 < octets)
        return fail(fault, SEPTCVT_BAD_TPDU, field, at, n);
    used = 1 + octets;
    const uint8_t type = in[at + 1];
    const uint8_t *d = in + at + 2;
    a.ton = type >> 4 & 7;
    a.npi = type & 0x0F;
    a.explicit_type = 1;
    if (!sc && a.ton == SEPTCVT_TON_ALPHANUMERIC) {
        /* The septets that fill the semi-octets; a code without a
         * character is left out, and said. */
        uint8_t codes[SEPTCVT_ADDRESS_SEPTETS];
        const size_t count = 4 * n / 7;
        septcvt_unpack(d, octets - 1, 0, count, codes, sizeof codes);
        size_t text_len = 0;
        uint64_t unmapped = 0;
        septcvt_to_unicode(SEPTCVT_UTF8, codes, count, a.text, sizeof a.text - 1, &text_len, &unmapped);
        a.text[text_len] = '\0';
        return unmapped > 0 ? SEPTCVT_UNMAPPED : SEPTCVT_OK;
    }
    /* The service centre's odd count shows in the padding of its last
     * octet; the service centre is read as digits whatever its type. */
    const size_t count = !sc ? n : 2 * (octets - 1) - (octets > 1 && d[octets - 2] >> 4 == 0x0F);
    if (a.ton == SEPTCVT_TON_INTERNATIONAL)
        a.text[0] = '+';
    size_t bad;
    if (!read_digits(d, count, a, bad)) {
        memset(&a, 0, sizeof a);
        return fail(fault, SEPTCVT_BAD_TPDU, field, at + 2 + bad, d[bad]);
    }
    return SEPTCVT_OK;
}

int write_address(const septcvt_address &a, bool sc, uint8_t *out, size_t &len)
{
    const char *text = a.text;
    const size_t text_len = strnlen(text, sizeof a.text);
    if (text_len == sizeof a.text)
        return SEPTCVT_BAD_ARGUMENT; /* no end */
    if (sc && text_len == 0) {
        out[0] = 0;
        len = 1;
        return SEPTCVT_OK;
    }
    const bool plus = text[0] == '+';
    int ton = a.ton, npi = a.npi;
    if (a.explicit_type == 0) {
        ton = plus ? SEPTCVT_TON_INTERNATIONAL : plain_digits(text) || sc ? SEPTCVT_TON_UNKNOWN : SEPTCVT_TON_ALPHANUMERIC;
        npi = ton == SEPTCVT_TON_ALPHANUMERIC ? SEPTCVT_NPI_UNKNOWN : SEPTCVT_NPI_ISDN;
    }
    /* In alphanumeric text '+' is a character like any other. */
    const bool alphanumeric = !sc && ton == SEPTCVT_TON_ALPHANUMERIC;
    if (ton < 0 || ton > 7 || npi < 0 || npi > 15 || (plus && !alphanumeric && ton != SEPTCVT_TON_INTERNATIONAL))
        return SEPTCVT_BAD_ARGUMENT;
    out[1] = type_octet(ton, npi);
    if (alphanumeric) {
        /* U+001B would turn the next character into one of the escape
         * extension. */
        uint8_t codes[2 * SEPTCVT_ADDRESS_BYTES];
        size_t count, packed;
        uint64_t unmapped, offset;
        if (memchr(text, 0x1B, text_len) != nullptr ||
            septcvt_to_gsm(SEPTCVT_UTF8, text, text_len, codes, sizeof codes, &count, &unmapped, &offset) != SEPTCVT_OK ||
            count > SEPTCVT_ADDRESS_SEPTETS)
            return SEPTCVT_BAD_ARGUMENT;
        septcvt_pack(codes, count, 0, out + 2, ADDRESS_OCTETS - 2, &packed);
        out[0] = static_cast<uint8_t>((7 * count + 3) / 4);
        len = 2 + packed;
        return SEPTCVT_OK;
    }
    const char *digits = text + plus;
    const size_t count = text_len - plus;
    if (count > SEPTCVT_ADDRESS_DIGITS)
        return SEPTCVT_BAD_ARGUMENT;
    for (size_t i = 0; i < count; ++i) {
        const char *semi = strchr(DIGITS, digits[i]);
        if (semi == nullptr)
            return SEPTCVT_BAD_ARGUMENT;
        const unsigned value = static_cast<unsigned>(semi - DIGITS);
        uint8_t &o = out[2 + i / 2];
        o = static_cast<uint8_t>(i % 2 == 0 ? value | 0xF0 : (o & 0x0F) | value << 4);
    }
    const size_t octets = (count + 1) / 2;
    out[0] = static_cast<uint8_t>(sc ? 1 + octets : count);
    len = 2 + octets;
    return SEPTCVT_OK;
}

namespace {

int encode(const septcvt_address *address, bool sc, int field, uint8_t *out, size_t out_size, size_t *out_len,
           septcvt_tpdu_fault *fault)
{
    if (address == nullptr || out_len == nullptr || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    fail(fault, SEPTCVT_OK, SEPTCVT_FIELD_NONE, 0, 0);
    uint8_t octets[ADDRESS_OCTETS];
    size_t n;
    if (write_address(*address, sc, octets, n) != SEPTCVT_OK)
        return fail(fault, SEPTCVT_BAD_ARGUMENT, field, 0, 0);
    *out_len = n;
    if (n > out_size)
        return SEPTCVT_NO_ROOM;
    memcpy(out, octets, n);
    return SEPTCVT_OK;
}

int decode(const uint8_t *in, size_t len, bool sc, int field, septcvt_address *address, size_t *used,
           septcvt_tpdu_fault *fault)
{
    if (address == nullptr || used == nullptr || (in == nullptr && len > 0))
        return SEPTCVT_NULL_POINTER;
    fail(fault, SEPTCVT_OK, SEPTCVT_FIELD_NONE, 0, 0);
    septcvt_address a;
    size_t n;
    const int status = read_address(in, len, 0, sc, field, a, n, fault);
    if (status == SEPTCVT_BAD_TPDU)
        return status;
    *address = a;
    *used = n;
    return status;
}

} // namespace

int septcvt_address_encode(const septcvt_address *address, uint8_t *out, size_t out_size, size_t *out_len,
                           septcvt_tpdu_fault *fault)
{
    return encode(address, false, SEPTCVT_FIELD_ADDRESS, out, out_size, out_len, fault);
}

int septcvt_address_decode(const uint8_t *in, size_t len, septcvt_address *address, size_t *used,
                           septcvt_tpdu_fault *fault)
{
    return decode(in, len, false, SEPTCVT_FIELD_ADDRESS, address, used, fault);
}

int septcvt_sc_address_encode(const septcvt_address *address, uint8_t *out, size_t out_size, size_t *out_len,
                              septcvt_tpdu_fault *fault)
{
    return encode(address, true, SEPTCVT_FIELD_SCA, out, out_size, out_len, fault);
}

int septcvt_sc_address_decode(const uint8_t *in, size_t len, septcvt_address *address, size_t *used,
                              septcvt_tpdu_fault *fault)
{
    return decode(in, len, true, SEPTCVT_FIELD_SCA, address, used, fault);
}
