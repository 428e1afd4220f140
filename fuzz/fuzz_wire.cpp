#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "septcvt.h"

/* A whole TPDU from arbitrary bytes: bit 0 of the first says whether the
 * service centre is in front, bit 1 which way the TPDU went; the rest is
 * read from a buffer of exactly its size, so that the sanitizer sees a read
 * past it. A refusal names a field and an octet inside the buffer; what is
 * read accounts for every octet, is written again, and that is read back
 * to the same text and written to the same octets. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int with_sc = data[0] & 1, direction = data[0] & 2 ? SEPTCVT_TO_NETWORK : SEPTCVT_FROM_NETWORK;
    const std::vector<uint8_t> in(data + 1, data + size);
    const auto read = std::make_unique<septcvt_tpdu>(), again = std::make_unique<septcvt_tpdu>();
    septcvt_tpdu_fault fault;
    const int status = septcvt_tpdu_decode(in.data(), in.size(), with_sc, direction, read.get(), &fault);
    if (status == SEPTCVT_BAD_TPDU || status == SEPTCVT_UNSUPPORTED_TPDU) {
        if (*septcvt_field_name(fault.field) == '\0' || fault.offset > in.size())
            abort();
        return 0;
    }
    if ((status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) ||
        read->sc_length + read->tpdu_length + read->trailing != in.size())
        abort();
    uint8_t once[SEPTCVT_TPDU_OCTETS], twice[SEPTCVT_TPDU_OCTETS];
    size_t once_len, twice_len, tpdu_len;
    if (septcvt_tpdu_encode(read.get(), with_sc, once, sizeof once, &once_len, &tpdu_len, nullptr) != SEPTCVT_OK)
        abort();
    const int back = septcvt_tpdu_decode(once, once_len, with_sc, direction, again.get(), nullptr);
    if ((back != SEPTCVT_OK && back != SEPTCVT_UNMAPPED) || again->trailing != 0 ||
        again->tpdu_length != tpdu_len || again->sc_length + tpdu_len != once_len ||
        again->received.text_len != read->received.text_len ||
        memcmp(again->received.text, read->received.text, read->received.text_len) != 0 ||
        strcmp(again->address.text, read->address.text) != 0 ||
        septcvt_tpdu_encode(again.get(), with_sc, twice, sizeof twice, &twice_len, nullptr, nullptr) != SEPTCVT_OK ||
        twice_len != once_len || memcmp(once, twice, once_len) != 0)
        abort();
    return 0;
}
