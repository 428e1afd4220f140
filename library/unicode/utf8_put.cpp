#include "utf8.h"

#include "platform.h"

int utf8_put(FILE *out, uint32_t code_point)
{
    if (out == nullptr)
        return UTF_NULL;
    const int status = ucs_check(code_point);
    if (status != UTF_OK)
        return status;

    uint8_t bytes[UTF8_MAX_LENGTH];
    const int n = utf8_encode(code_point, bytes);
    for (int i = 0; i < n; ++i)
        if (write_byte(out, bytes[i]) != 0)
            return UTF_IO;
    return UTF_OK;
}
