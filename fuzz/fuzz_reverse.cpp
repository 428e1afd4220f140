#include <cstdint>
#include <cstdlib>

#include "oracles.h"

/* The first byte picks the Unicode form, UTF-8 or UCS-2, and seeds the
 * random pieces the core is fed in. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0 && !core_agrees(true, data[0] & 1, std::string(reinterpret_cast<const char *>(data) + 1, size - 1),
                                 data[0]))
        abort();
    return 0;
}
