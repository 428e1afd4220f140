#include "utf8.h"

#include "stream_io.h"

int ucs_check(uint32_t code_point)
{
    if (code_point >= 0xD800 && code_point <= 0xDFFF)
        return UTF_SURROGATE;
    /* Only the two in the first plane; xxFFFE and xxFFFF elsewhere pass. */
    if (code_point == 0xFFFE || code_point == 0xFFFF || code_point >= 0x80000000u)
        return UTF_NONCHAR;
    return UTF_OK;
}

int utf8_put(FILE *out, uint32_t code_point)
{
    if (out == nullptr)
        return UTF_NULL;
    int status = ucs_check(code_point);
    if (status != UTF_OK)
        return status;

    if (code_point <= 0x7F)
        return write_byte(out, static_cast<int>(code_point)) == 0 ? UTF_OK : UTF_IO;

    /* n continuation bytes carry six bits each; the lead byte carries the
     * rest under a marker of n + 1 high one bits. */
    static const uint32_t more_bytes_from[4] = {0x800, 0x10000, 0x200000, 0x4000000};
    int n = 1;
    for (uint32_t bound : more_bytes_from)
        if (code_point >= bound)
            ++n;
    const uint32_t payload_mask = (1u << (6 - n)) - 1;
    const uint32_t marker = 0xFFu - (2 * payload_mask + 1);
    const uint32_t lead = marker + ((code_point >> (6 * n)) & payload_mask);
    if (write_byte(out, static_cast<int>(lead)) != 0)
        return UTF_IO;
    for (int k = n - 1; k >= 0; --k) {
        const uint32_t next = 0x80u + ((code_point >> (6 * k)) & 0x3Fu);
        if (write_byte(out, static_cast<int>(next)) != 0)
            return UTF_IO;
    }
    return UTF_OK;
}
