/* Sends the UTF-8 text on standard input through a modem in PDU mode: plans
 * it as SMS and prints, for each part, the AT+CMGS command with the
 * TPDU's length and the TPDU in hexadecimal, which the modem takes after its
 * "> " prompt, ended by Ctrl-Z (0x1A).
 *
 *   pdu [-c CENTRE] [-v SECONDS] [-n REFERENCE] NUMBER < text
 *
 * NUMBER is the destination ("+" and digits for an international number);
 * -c gives the service centre's number (by default the modem's own), -v a
 * relative validity period (the shortest that lasts at least that long),
 * -n the concatenation reference (0 by default). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <septcvt.h>

static int usage(const char *self)
{
    fprintf(stderr, "usage: %s [-c CENTRE] [-v SECONDS] [-n REFERENCE] NUMBER < text\n", self);
    return 2;
}

static int number(const char *s, unsigned long most, unsigned long *out)
{
    char *end;
    *out = strtoul(s, &end, 10);
    return *s != '\0' && *end == '\0' && *out <= most;
}

int main(int argc, char **argv)
{
    septcvt_tpdu fields;
    unsigned long reference = 0, seconds;
    int i;
    memset(&fields, 0, sizeof fields);
    for (i = 1; i + 1 < argc && argv[i][0] == '-'; i += 2) {
        if (strcmp(argv[i], "-c") == 0 && strlen(argv[i + 1]) < sizeof fields.sc.text)
            strcpy(fields.sc.text, argv[i + 1]);
        else if (strcmp(argv[i], "-v") == 0 && number(argv[i + 1], SEPTCVT_LONGEST_VALIDITY, &seconds)) {
            fields.validity.format = SEPTCVT_VALIDITY_RELATIVE;
            fields.validity.seconds = (uint32_t)seconds;
        } else if (strcmp(argv[i], "-n") != 0 || !number(argv[i + 1], 255, &reference))
            return usage(argv[0]);
    }
    if (i + 1 != argc || strlen(argv[i]) >= sizeof fields.address.text)
        return usage(argv[0]);
    strcpy(fields.address.text, argv[i]);

    size_t len = 0, size = 4096;
    char *text = malloc(size);
    for (size_t got; text != NULL && (got = fread(text + len, 1, size - len, stdin)) > 0;) {
        len += got;
        if (len == size) {
            char *more = realloc(text, size *= 2);
            if (more == NULL)
                free(text);
            text = more;
        }
    }
    if (text == NULL || ferror(stdin)) {
        fprintf(stderr, "pdu: cannot read the text\n");
        return 1;
    }

    septcvt_plan plan;
    septcvt_part parts[SEPTCVT_MOST_PARTS];
    const char *field = "";
    int status = septcvt_plan_text(SEPTCVT_UTF8, text, len, NULL, &plan, parts, SEPTCVT_MOST_PARTS, NULL);
    for (size_t k = 0; status == SEPTCVT_OK && k < plan.parts; ++k) {
        uint8_t tpdu[SEPTCVT_TPDU_OCTETS];
        char hex[2 * SEPTCVT_TPDU_OCTETS + 1];
        size_t n, cmgs, digits;
        septcvt_tpdu_fault fault;
        status = septcvt_submit_part(text, len, NULL, &plan, parts, k, (unsigned)reference, &fields, 1, tpdu,
                                     sizeof tpdu, &n, &cmgs, &fault);
        field = septcvt_field_name(fault.field);
        if (status == SEPTCVT_OK)
            status = septcvt_hex_encode(tpdu, n, hex, sizeof hex, &digits);
        if (status == SEPTCVT_OK)
            printf("AT+CMGS=%zu\n%s\n", cmgs, hex);
    }
    free(text);
    if (status != SEPTCVT_OK) {
        fprintf(stderr, "pdu: %s%s%s\n", field, *field != '\0' ? ": " : "", septcvt_strerror(status));
        return 1;
    }
    return 0;
}
