#include "utf8.h"

#include "platform.h"

int utf8_length(uint8_t lead)
{
    /* A lone continuation byte, 0xC0 and 0xC1 (only ever overlong), 0xFE
     * and 0xFF are refused with only the lead byte used up. */
    if (lead < 0xC2 || lead > 0xFD)
        return 1;
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : lead < 0xFC ? 5 : 6;
}

int utf8_decode(const uint8_t *in, size_t avail, uint32_t *result, size_t *used)
{
    *result = 0xFFFE;
    *used = 0;
    if (avail == 0)
        return UTF_IO;
    const uint8_t lead = in[0];
    if (lead <= 0x7F) {
        *result = lead;
        *used = 1;
        return UTF_OK;
    }
    const int length = utf8_length(lead);
    if (length == 1) {
        *used = 1;
        return UTF_BADSEQ;
    }
    /* The whole announced length is taken before any byte is looked at, so a
     * faulty sequence always uses up the same bytes; no stepping back. */
    if (avail < static_cast<size_t>(length)) {
        *used = avail;
        return UTF_IO;
    }
    *used = static_cast<size_t>(length);
    const int n = length - 1;
    for (int i = 1; i <= n; ++i)
        if ((in[i] & 0xC0) != 0x80)
            return UTF_BADSEQ;

    /* The smallest lead byte of each length can still spell a value that a
     * shorter form holds; its first continuation byte shows it. Indexed by n. */
    static const uint8_t smallest_lead[6] = {0, 0xC2, 0xE0, 0xF0, 0xF8, 0xFC};
    static const uint8_t lowest_next[6] = {0, 0x80, 0xA0, 0x90, 0x88, 0x84};
    if (lead == smallest_lead[n] && in[1] < lowest_next[n])
        return UTF_BADSEQ;

    const uint32_t payload_mask = (1u << (6 - n)) - 1;
    uint32_t code_point = (lead & payload_mask) << (6 * n);
    for (int i = 1; i <= n; ++i)
        code_point += static_cast<uint32_t>(in[i] & 0x3F) << (6 * (n - i));
    *result = code_point;
    return ucs_check(code_point);
}

int utf8_get(FILE *in, uint32_t *result)
{
    if (in == nullptr || result == nullptr)
        return UTF_NULL;
    *result = 0xFFFE;

    /* Byte by byte and no further than the lead byte announces, so the next
     * reader of the stream finds exactly the bytes after the character. */
    uint8_t sequence[UTF8_MAX_LENGTH];
    int byte = read_byte(in);
    if (byte == EOF)
        return UTF_IO;
    sequence[0] = static_cast<uint8_t>(byte);
    const int length = utf8_length(sequence[0]);
    for (int i = 1; i < length; ++i) {
        if ((byte = read_byte(in)) == EOF)
            return UTF_IO;
        sequence[i] = static_cast<uint8_t>(byte);
    }
    size_t used;
    return utf8_decode(sequence, static_cast<size_t>(length), result, &used);
}
