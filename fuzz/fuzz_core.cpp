#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "reference.h"

/* The first byte picks the direction and the Unicode form, whether a pair
 * of national tables is read, and seeds the random pieces; with a pair, the
 * second byte picks it. The core, alone and with each kernel, must give the
 * reference's result. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::vector<RefTables> languages;
    if (languages.empty() && !ref_read_languages(NATIONAL_DATA, languages))
        abort();
    if (size == 0)
        return 0;
    const bool with_pair = size > 1 && (data[0] & 4) != 0;
    const RefTables pair = ref_pair(languages, with_pair ? data[1] % 14 : 0, with_pair ? data[1] / 14 % 14 : 0);
    const size_t skip = with_pair ? 2 : 1;
    if (!core_agrees(data[0] & 2, data[0] & 1, std::string(reinterpret_cast<const char *>(data) + skip, size - skip),
                     data[0], with_pair ? &pair : nullptr))
        abort();
    return 0;
}
