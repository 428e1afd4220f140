/* The UTF-8 reader against the plain reference decoder, call after call:
 * same status, same stored value, same bytes used up. */
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "reference.h"
#include "test_streams.h"
#include "utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string in(reinterpret_cast<const char *>(data), size);
    FILE *f = input_stream(in);
    for (size_t pos = 0;;) {
        uint32_t value = 0x12345678;
        const int status = utf8_get(f, &value);
        const RefDecoded want = ref_utf8_decode(in, pos);
        FUZZ_CHECK(status == want.status);
        FUZZ_CHECK(value == want.value);
        FUZZ_CHECK(static_cast<size_t>(ftell(f)) == want.next);
        pos = want.next;
        if (status == UTF_IO)
            break;
    }
    fclose(f);
    return 0;
}
