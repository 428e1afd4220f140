/* Converts one SMS from UTF-8 to GSM text, splits it into messages and packs
 * the first as user data, in hexadecimal. */
#include <stdio.h>
#include <string.h>

#include <septcvt.h>

int main(void)
{
    const char *text = "Price: 10 \xe2\x82\xac {net}";
    uint8_t gsm[320], packed[140];
    size_t len, ends[4], parts, packed_len;
    uint64_t unmapped, offset;
    int status = septcvt_to_gsm(SEPTCVT_UTF8, text, strlen(text), gsm, sizeof gsm, &len, &unmapped, &offset);
    if (status == SEPTCVT_OK)
        status = septcvt_split(gsm, len, ends, 4, &parts);
    if (status == SEPTCVT_OK)
        status = septcvt_pack(gsm, ends[0], 0, packed, sizeof packed, &packed_len);
    if (status != SEPTCVT_OK) {
        fprintf(stderr, "sms: %s\n", septcvt_strerror(status));
        return 1;
    }
    printf("%zu septets, %zu message(s):", len, parts);
    for (size_t i = 0; i < packed_len; ++i)
        printf(" %02X", packed[i]);
    printf("\n");
    return 0;
}
