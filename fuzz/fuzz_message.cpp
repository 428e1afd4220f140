#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "reference.h"
#include "septcvt.h"

/* A received part from arbitrary bytes: TP-DCS, then TP-UDHI in the low bit
 * of the next byte, TP-UDL, and the rest as TP-UD in a buffer of exactly its
 * size, so that the sanitizer sees a read past it. The reader writes into a
 * struct of its own on the heap, where a write past it shows too; its
 * status is one it documents, its text valid UTF-8 within the buffer, and
 * where it refuses it reports nothing. */
static void read_part(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    const int dcs = data[0], udhi = data[1] & 1, udl = data[2];
    const std::vector<uint8_t> ud(data + 3, data + size);
    const auto out = std::make_unique<septcvt_received>();
    const int status = septcvt_read_part(dcs, udhi, udl, ud.data(), ud.size(), out.get());
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED && status != SEPTCVT_BAD_USER_DATA &&
        status != SEPTCVT_NOT_TEXT)
        abort();
    if (out->text_len > SEPTCVT_PART_TEXT_BYTES || (status == SEPTCVT_UNMAPPED) != (out->unmapped > 0))
        abort();
    if (status > SEPTCVT_UNMAPPED) {
        const septcvt_received none{};
        if (memcmp(out.get(), &none, sizeof none) != 0)
            abort();
    }
    /* Every character is a Unicode scalar value in at most four bytes. */
    const std::string text(reinterpret_cast<const char *>(out->text), out->text_len);
    for (size_t at = 0; at < text.size();) {
        const RefDecoded d = ref_decode(text, at);
        if ((d.status != 0 && d.status != 4) || d.value > 0x10FFFF || d.next - at > 4)
            abort();
        at = d.next;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    read_part(data, size);
    return 0;
}
