#include <cstdio>

#include "command_line.h"

static const char MAKER_NOTICE[] =
    "Converts text between the GSM 03.38 default alphabet and Unicode.\n"
    "Copyright (c) the septcvt authors; free software under the MIT licence.\n";

/* The encodings are always described in the forward direction, whatever the
 * options asked for. */
static const char *const ENCODING_LINES[8] = {
    "GSM 03.38 (common for SMS)",
    "V2.00 by the septcvt authors",
    "Source: https://www.3gpp.org/DynaReport/23038.htm",
    "additional codes after ESCAPE (10) including EURO SIGN",
    "ISO/IEC 10646-1:2000 aka Unicode 3.0.1",
    "V3.0.1 by Unicode Consortium https://www.unicode.org",
    "Source: ftp://ftp.unicode.org/Public/UNIDATA/UnicodeData.txt",
    "converted, sorted & edited by the septcvt authors",
};

void print_banner()
{
    const char *const *l = ENCODING_LINES;
    /* Nothing more can be said if standard error fails, so the outcome of
     * these writes is not looked at. */
    fputs(MAKER_NOTICE, stderr);
    fprintf(stderr, "%s %s\n", PROGRAM_NAME, PROGRAM_VERSION);
    fprintf(stderr,
            "\nSource character encoding:\n\n\t%s\n\t%s\n\t%s\n\t%s\n"
            "\nDestination character encoding:\n\n\t%s\n\t%s\n\t%s\n\t%s\n\n",
            l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7]);
}
