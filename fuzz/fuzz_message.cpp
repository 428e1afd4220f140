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

/* The same bytes as a text to plan: the first two choose the languages
 * allowed, the third the form, replacement and the reference's size. A
 * plan's parts follow one another over the whole text, each part's user
 * data reads back, and UTF-8 that went out unreplaced reads back as it was. */
static void plan(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    const uint16_t languages = static_cast<uint16_t>((data[0] | data[1] << 8) & 0x3FFE);
    septcvt_plan_options o{languages, static_cast<uint16_t>(languages >> 1 & 0x3FFE), data[2] & 2, data[2] & 4 ? 16 : 8,
                           nullptr, 0};
    const int form = data[2] & 1 ? SEPTCVT_UCS2 : SEPTCVT_UTF8;
    const std::vector<uint8_t> text(data + 3, data + size);
    septcvt_plan p;
    std::vector<septcvt_part> parts(SEPTCVT_MOST_PARTS);
    const int status = septcvt_plan_text(form, text.data(), text.size(), &o, &p, parts.data(), parts.size(), nullptr);
    if (status != SEPTCVT_OK) {
        if (status != SEPTCVT_MALFORMED && status != SEPTCVT_NO_MARK && status != SEPTCVT_TOO_MANY_PARTS)
            abort();
        return;
    }
    std::string back;
    for (size_t k = 0; k < p.parts; ++k) {
        septcvt_user_data ud;
        const auto got = std::make_unique<septcvt_received>();
        if (parts[k].begin != (k == 0 ? (form == SEPTCVT_UCS2 ? 2 : 0) : parts[k - 1].end) ||
            septcvt_part_user_data(text.data(), text.size(), &o, &p, parts.data(), k, 1, &ud) != SEPTCVT_OK ||
            septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, got.get()) != SEPTCVT_OK)
            abort();
        back.append(reinterpret_cast<const char *>(got->text), got->text_len);
    }
    if (parts[p.parts - 1].end != text.size() ||
        (form == SEPTCVT_UTF8 && p.replaced == 0 && back != std::string(text.begin(), text.end())))
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    read_part(data, size);
    plan(data, size);
    return 0;
}
