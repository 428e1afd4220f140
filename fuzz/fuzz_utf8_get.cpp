#include <cstdint>
#include <cstdlib>

#include "oracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!utf8_get_agrees(std::string(reinterpret_cast<const char *>(data), size)))
        abort();
    return 0;
}
