#include "convert.h"

#include "platform.h"
#include "tables.h"

int gsm_put(FILE *out, uint16_t unit)
{
    /* One lookup instead of a search of both tables; U+001B is the base
     * code 0x1B, a single byte. */
    const gsm_form &form = gsm_form_of(unit);
    if (form.unmapped)
        return 1;
    for (int i = 0; i < form.count; ++i)
        if (write_byte(out, form.bytes[i]) != 0)
            return 1;
    return 0;
}
