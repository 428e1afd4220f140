#include "convert.h"

int run_conversion(FILE *in, FILE *out)
{
    int status = opt_reverse ? unicode_to_gsm(in, out) : gsm_to_unicode(in, out);
    /* A full disk often shows only when the buffer is handed on. */
    if (fflush(out) != 0)
        status = 1;
    return status;
}
