#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <algorithm>
#include <memory>
#include <vector>

#include "septcvt.h"

namespace {

/* UTF-16 big-endian as UTF-8, plainly: a pair where a high unit meets a
 * low one, every other surrogate and an odd octet left out. */
std::string utf8_of_utf16(const std::vector<uint8_t> &u)
{
    std::string out;
    for (size_t i = 0; i + 1 < u.size(); i += 2) {
        uint32_t c = static_cast<uint32_t>(u[i] << 8 | u[i + 1]);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < u.size() && (u[i + 2] & 0xFC) == 0xDC)
            c = 0x10000 + ((c - 0xD800) << 10) + ((static_cast<uint32_t>(u[i + 2] << 8 | u[i + 3])) - 0xDC00), i += 2;
        else if (c >= 0xD800 && c < 0xE000)
            continue;
        uint8_t b[4];
        const int n = c < 0x80 ? (b[0] = static_cast<uint8_t>(c), 1)
                    : c < 0x800 ? (b[0] = static_cast<uint8_t>(0xC0 | c >> 6), b[1] = static_cast<uint8_t>(0x80 | (c & 0x3F)), 2)
                    : c < 0x10000 ? (b[0] = static_cast<uint8_t>(0xE0 | c >> 12), b[1] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F)),
                                     b[2] = static_cast<uint8_t>(0x80 | (c & 0x3F)), 3)
                                  : (b[0] = static_cast<uint8_t>(0xF0 | c >> 18), b[1] = static_cast<uint8_t>(0x80 | (c >> 12 & 0x3F)),
                                     b[2] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F)), b[3] = static_cast<uint8_t>(0x80 | (c & 0x3F)), 4);
        out.append(reinterpret_cast<char *>(b), static_cast<size_t>(n));
    }
    return out;
}

/* deliver_sm fields from the bytes, each as esm_class, data_coding, the
 * settings, a length and the message, read and made into parts, some
 * repeated, all shuffled, and joined: a refusal names a field; a message
 * joined from parts of one kind and the same tables reads as their units
 * read in a row. */
int smpp_and_join(const uint8_t *data, size_t size)
{
    std::vector<septcvt_join_part> parts;
    for (size_t at = 0; at + 4 <= size && parts.size() < 64;) {
        const int esm = data[at], dc = data[at + 1];
        const septcvt_smpp_settings settings{data[at + 2] % 3, data[at + 2] >> 7};
        const size_t len = std::min<size_t>(data[at + 3], size - at - 4);
        const std::vector<uint8_t> message(data + at + 4, data + at + 4 + len);
        at += 4 + len;
        const septcvt_smpp_sar sar{(esm & 1) != 0, static_cast<unsigned>(dc), static_cast<unsigned>(len % 4), static_cast<unsigned>(esm >> 1 & 3)};
        septcvt_smpp_received r;
        septcvt_tpdu_fault fault;
        uint8_t text[1024];
        const int status = septcvt_smpp_read(message.data(), message.size(), 0, esm, dc, &sar, &settings, &r, text, sizeof text, &fault);
        septcvt_join_part part;
        const int made = septcvt_join_part_from_smpp(message.data(), message.size(), 0, esm, dc, &sar, &settings, &part, nullptr);
        if (status == SEPTCVT_BAD_TPDU ? *septcvt_field_name(fault.field) == '\0' || made != SEPTCVT_BAD_TPDU
                                        : (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) || made != SEPTCVT_OK)
            abort();
        if (made != SEPTCVT_OK)
            continue;
        parts.push_back(part);
        if (esm & 2)
            parts.push_back(part);
    }
    for (size_t i = parts.size(); i > 1; --i) /* a shuffle the bytes decide */
        std::swap(parts[i - 1], parts[(data[i % size] + i) % i]);
    std::vector<septcvt_message> messages(parts.size());
    std::vector<size_t> indices(4 * parts.size() * parts.size() + 300 * parts.size() + 1);
    std::vector<uint8_t> text(4 * 580 * parts.size() + 1);
    septcvt_join_room room{messages.data(), messages.size(), 0, indices.data(), indices.size(), 0, text.data(), text.size(), 0};
    const int joined = septcvt_join(parts.data(), parts.size(), &room);
    if (joined != SEPTCVT_OK && joined != SEPTCVT_UNMAPPED)
        abort();
    for (size_t m = 0; m < room.messages_count; ++m) {
        const septcvt_message &msg = messages[m];
        if (msg.kind != SEPTCVT_JOINED)
            continue;
        std::vector<uint8_t> units;
        bool alike = true;
        for (size_t k = 0; k < msg.parts_count; ++k) {
            const septcvt_join_part &p = parts[indices[msg.parts_at + k]];
            const septcvt_join_part &first = parts[indices[msg.parts_at]];
            alike = alike && p.units_kind == first.units_kind && p.locking == first.locking && p.single == first.single;
            units.insert(units.end(), p.units, p.units + p.length);
        }
        const septcvt_join_part &first = parts[indices[msg.parts_at]];
        if (!alike || first.units_kind == SEPTCVT_UNITS_OCTETS)
            continue;
        std::string want;
        if (first.units_kind == SEPTCVT_UNITS_UTF16) {
            want = utf8_of_utf16(units);
        } else {
            std::vector<uint8_t> out(3 * units.size() + 16);
            size_t n = 0;
            const int locking = first.locking < 14 ? first.locking : 0, single = first.single < 14 ? first.single : 0;
            septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, units.data(), units.size(), out.data(), out.size(), &n, nullptr);
            want.assign(reinterpret_cast<char *>(out.data()), n);
        }
        if (want != std::string(reinterpret_cast<char *>(text.data() + msg.text_at), msg.text_len))
            abort();
    }
    return 0;
}

} // namespace

/* A whole TPDU from arbitrary bytes (or, with bit 2 of the first set,
 * deliver_sm fields and the joiner): bit 0 of the first says whether the
 * service centre is in front, bit 1 which way the TPDU went; the rest is
 * read from a buffer of exactly its size, so that the sanitizer sees a read
 * past it. A refusal names a field and an octet inside the buffer; what is
 * read accounts for every octet, is written again, and that is read back
 * to the same text and written to the same octets. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] & 4)
        return smpp_and_join(data + 1, size - 1);
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
