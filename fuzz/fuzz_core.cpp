#include <cstdint>
#include <cstdlib>
#include <string>

#include "reference.h"

/* The first byte picks the direction and the Unicode form and seeds the
 * random pieces; the core, alone and with each kernel, must give the
 * reference's result. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0 && !core_agrees(data[0] & 2, data[0] & 1, std::string(reinterpret_cast<const char *>(data) + 1, size - 1),
                                 data[0]))
        abort();
    return 0;
}
