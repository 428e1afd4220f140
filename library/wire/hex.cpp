/* Hexadecimal, as modems take and give TPDUs. */
#include <cstring>

#include "wire.h"

namespace {

/* A hexadecimal digit's value, or -1. */
int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

int septcvt_hex_encode(const uint8_t *octets, size_t len, char *out, size_t out_size, size_t *out_len)
{
    if (out_len == nullptr || (octets == nullptr && len > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    if (len > (SIZE_MAX - 1) / 2 || out_size < 2 * len + 1) {
        *out_len = len > SIZE_MAX / 2 ? SIZE_MAX : 2 * len;
        return SEPTCVT_NO_ROOM;
    }
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < len; ++i) {
        out[2 * i] = digits[octets[i] >> 4];
        out[2 * i + 1] = digits[octets[i] & 0x0F];
    }
    out[2 * len] = '\0';
    *out_len = 2 * len;
    return SEPTCVT_OK;
}

int septcvt_hex_decode(const char *hex, size_t len, uint8_t *out, size_t out_size, size_t *out_len,
                       uint64_t *error_offset)
{
    if (out_len == nullptr || (hex == nullptr && len > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    for (size_t i = 0; i < len; ++i)
        if (digit(hex[i]) < 0) {
            if (error_offset != nullptr)
                *error_offset = i;
            return SEPTCVT_MALFORMED;
        }
    if (len % 2 != 0) {
        if (error_offset != nullptr)
            *error_offset = len - 1;
        return SEPTCVT_MALFORMED;
    }
    *out_len = len / 2;
    if (out_size < len / 2)
        return SEPTCVT_NO_ROOM;
    for (size_t i = 0; i < len / 2; ++i)
        out[i] = static_cast<uint8_t>(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
    return SEPTCVT_OK;
}
