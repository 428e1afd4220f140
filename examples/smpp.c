/* Prints the SMPP fields of each part of the UTF-8 text on standard input,
 * as a submit_sm carries them: esm_class, data_coding, the SAR values where
 * asked, and short_message in hexadecimal.
 *
 *   smpp [-s] [-p] [-n REFERENCE] < text
 *
 * -s sends the SAR values instead of a concatenation element in the header
 * (the plan then leaves the room of a 16-bit one, which the SMSC writes);
 * -p packs the septets, for an SMSC that takes data_coding 0 so; -n gives
 * the reference (0 by default). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <septcvt.h>

int main(int argc, char **argv)
{
    septcvt_plan_options options;
    septcvt_smpp_settings settings;
    int concatenation = SEPTCVT_SMPP_UDH;
    unsigned long reference = 0;
    memset(&options, 0, sizeof options);
    memset(&settings, 0, sizeof settings);
    for (int i = 1; i < argc; ++i) {
        int ok = 1;
        if (strcmp(argv[i], "-s") == 0) {
            concatenation = SEPTCVT_SMPP_SAR;
            options.reference_bits = 16;
        } else if (strcmp(argv[i], "-p") == 0) {
            settings.smsc_alphabet = SEPTCVT_SMSC_GSM_PACKED;
        } else if (strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
            char *end;
            reference = strtoul(argv[++i], &end, 10);
            ok = *argv[i] != '\0' && *end == '\0' && reference <= 0xFFFF;
        } else {
            ok = 0;
        }
        if (!ok) {
            fprintf(stderr, "usage: %s [-s] [-p] [-n REFERENCE] < text\n", argv[0]);
            return 2;
        }
    }
    char text[4096];
    const size_t len = fread(text, 1, sizeof text, stdin);
    if (ferror(stdin) || !feof(stdin)) {
        fprintf(stderr, "smpp: cannot read the text, or it is longer than %zu bytes\n", sizeof text);
        return 1;
    }
    if (options.reference_bits != 16 && reference > 255)
        options.reference_bits = 16;

    septcvt_plan plan;
    septcvt_part parts[SEPTCVT_MOST_PARTS];
    int status = septcvt_plan_text(SEPTCVT_UTF8, text, len, &options, &plan, parts, SEPTCVT_MOST_PARTS, NULL);
    for (size_t k = 0; status == SEPTCVT_OK && k < plan.parts; ++k) {
        septcvt_smpp_message m;
        char hex[2 * SEPTCVT_SHORT_MESSAGE_OCTETS + 1];
        size_t digits;
        status = septcvt_smpp_part(text, len, &options, &plan, parts, k, (unsigned)reference, concatenation, -1,
                                   &settings, &m);
        if (status == SEPTCVT_OK)
            status = septcvt_hex_encode(m.short_message, m.length, hex, sizeof hex, &digits);
        if (status != SEPTCVT_OK)
            break;
        printf("part %zu: esm_class 0x%02X, data_coding 0x%02X", k + 1, (unsigned)m.esm_class, (unsigned)m.data_coding);
        if (m.sar.present)
            printf(", sar %u/%u/%u", m.sar.msg_ref_num, m.sar.total_segments, m.sar.segment_seqnum);
        printf(", short_message %s\n", hex);
    }
    if (status != SEPTCVT_OK) {
        fprintf(stderr, "smpp: %s\n", septcvt_strerror(status));
        return 1;
    }
    return 0;
}
