#include "utf8.h"

#include "stream_io.h"

int utf8_get(FILE *in, uint32_t *result)
{
    if (in == nullptr || result == nullptr)
        return UTF_NULL;
    *result = 0xFFFE;

    const int lead = read_byte(in);
    if (lead == EOF)
        return UTF_IO;
    if (lead <= 0x7F) {
        *result = static_cast<uint32_t>(lead);
        return UTF_OK;
    }
    /* A lone continuation byte, 0xC0 and 0xC1 (only ever overlong), 0xFE
     * and 0xFF: refused with only the lead byte used up. */
    if (lead < 0xC2 || lead > 0xFD)
        return UTF_BADSEQ;

    const int n = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : lead < 0xFC ? 4 : 5;
    /* The whole announced length is read before any byte is looked at, so a
     * faulty sequence always uses up the same bytes; no stepping back. */
    int next[5];
    for (int i = 0; i < n; ++i) {
        next[i] = read_byte(in);
        if (next[i] == EOF)
            return UTF_IO;
    }
    for (int i = 0; i < n; ++i)
        if ((next[i] & 0xC0) != 0x80)
            return UTF_BADSEQ;

    /* The smallest lead byte of each length can still spell a value that a
     * shorter form holds; its first continuation byte shows it. Indexed by n. */
    static const int smallest_lead[6] = {0, 0xC2, 0xE0, 0xF0, 0xF8, 0xFC};
    static const int lowest_next[6] = {0, 0x80, 0xA0, 0x90, 0x88, 0x84};
    if (lead == smallest_lead[n] && next[0] < lowest_next[n])
        return UTF_BADSEQ;

    const uint32_t payload_mask = (1u << (6 - n)) - 1;
    uint32_t code_point = (static_cast<uint32_t>(lead) & payload_mask) << (6 * n);
    for (int i = 1; i <= n; ++i)
        code_point += static_cast<uint32_t>(next[i - 1] & 0x3F) << (6 * (n - i));
    *result = code_point;
    return ucs_check(code_point);
}
