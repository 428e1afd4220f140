/* A deliver_sm's text read from its fields: short_message or
 * message_payload, esm_class, data_coding and the SAR values. */
#include <cstring>

#include "elements.h"
#include "national.h"
#include "received.h"
#include "smpp.h"
#include "utf8.h"
#include "wire.h"

namespace {

/* The alphabet data_coding names, or -1 where the reader refuses it. */
int alphabet_of(int data_coding, const septcvt_smpp_settings &s, smpp_message &m)
{
    m.has_class = 0;
    m.message_class = 0;
    m.packed = false;
    if (data_coding == 0x00) {
        m.packed = s.smsc_alphabet == SEPTCVT_SMSC_GSM_PACKED;
        return s.smsc_alphabet == SEPTCVT_SMSC_LATIN1 ? SEPTCVT_SMPP_LATIN1 : SEPTCVT_SMPP_GSM;
    }
    if (data_coding == 0x01)
        return SEPTCVT_SMPP_ASCII;
    if (data_coding == 0x02 || data_coding == 0x04)
        return SEPTCVT_SMPP_OCTETS;
    if (data_coding == 0x03)
        return SEPTCVT_SMPP_LATIN1;
    if (data_coding == 0x08)
        return SEPTCVT_SMPP_UCS2;
    const bool ucs2_class = (data_coding & ~3) == 0x18 && s.ucs2_class != 0;
    /* The class group's bit 3 is reserved: read past, as a handset does. */
    if (ucs2_class || (data_coding & 0xF0) == 0xF0) {
        m.has_class = 1;
        m.message_class = data_coding & 3;
        m.packed = !ucs2_class && s.smsc_alphabet == SEPTCVT_SMSC_GSM_PACKED;
        return ucs2_class ? SEPTCVT_SMPP_UCS2 : (data_coding & 4) != 0 ? SEPTCVT_SMPP_OCTETS : SEPTCVT_SMPP_GSM;
    }
    return -1;
}

/* The default alphabet as UTF-8 into out[0..size) (nothing written where
 * size is 0), a stretch of septets at a time; an escape that ends a
 * stretch waits for the next, and one that ends the text had no code after
 * it, as in a whole buffer. Returns the bytes it takes. */
size_t gsm_text(const uint8_t *message, size_t length, const smpp_message &m, uint8_t *out, size_t size,
                uint64_t &unmapped)
{
    const int locking = m.numbers.locking < LANGUAGES ? m.numbers.locking : SEPTCVT_DEFAULT;
    const int single = m.numbers.single < LANGUAGES ? m.numbers.single : SEPTCVT_DEFAULT;
    const size_t count = smpp_septet_count(message, length, m);
    uint8_t septets[1024];
    size_t n = 0, held = 0;
    for (size_t from = 0; from < count;) {
        const size_t got = smpp_septets(message, length, m, from, septets + held, sizeof septets - held);
        from += got;
        size_t k = held + got, i = 0;
        while (i + 1 < k || (i < k && septets[i] != GSM_ESCAPE))
            i += septets[i] == GSM_ESCAPE ? 2 : 1;
        held = from < count ? k - i : 0; /* an escape cut off, for the next stretch */
        k -= held;
        size_t written = 0;
        uint64_t left_out = 0;
        septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, septets, k, size > 0 ? out + n : nullptr,
                                size > n ? size - n : 0, &written, &left_out);
        n += written;
        unmapped += left_out;
        memmove(septets, septets + k, held);
    }
    return n;
}

/* The text as UTF-8 into out[0..size); returns the bytes it takes. */
size_t text_of(const uint8_t *message, size_t length, const smpp_message &m, uint8_t *out, size_t size,
               uint64_t &unmapped)
{
    switch (m.alphabet) {
    case SEPTCVT_SMPP_GSM:
        return gsm_text(message, length, m, out, size, unmapped);
    case SEPTCVT_SMPP_UCS2:
        return utf16_to_utf8(m.body, m.body_len, out, size, unmapped);
    case SEPTCVT_SMPP_OCTETS:
        if (m.body_len <= size && m.body_len > 0)
            memcpy(out, m.body, m.body_len);
        return m.body_len;
    default: { /* Latin-1 and ASCII: a character an octet */
        size_t n = 0;
        for (size_t i = 0; i < m.body_len; ++i) {
            const uint8_t c = m.body[i];
            if (m.alphabet == SEPTCVT_SMPP_ASCII && c > 0x7F) {
                ++unmapped;
                continue;
            }
            uint8_t bytes[UTF8_MAX_LENGTH];
            const size_t k = static_cast<size_t>(utf8_encode(c, bytes));
            if (n + k <= size)
                memcpy(out + n, bytes, k);
            n += k;
        }
        return n;
    }
    }
}

} // namespace

size_t smpp_septet_count(const uint8_t *message, size_t length, const smpp_message &m)
{
    if (!m.packed)
        return m.body_len;
    size_t all = 0;
    septcvt_unpack_octets(message, length, 0, nullptr, 0, &all);
    const size_t header = header_septets(m.header);
    return all > header ? all - header : 0;
}

size_t smpp_septets(const uint8_t *message, size_t length, const smpp_message &m, size_t from, uint8_t *out,
                    size_t size)
{
    const size_t count = smpp_septet_count(message, length, m);
    const size_t n = from < count ? (count - from < size ? count - from : size) : 0;
    if (!m.packed) {
        if (n > 0)
            memcpy(out, m.body + from, n);
        return n;
    }
    /* Eight septets fill seven octets: from a multiple of eight, the
     * septets begin on an octet of their own. */
    size_t at = header_septets(m.header) + from, done = 0;
    while (done < n) {
        uint8_t eight[8];
        const size_t group = at / 8, skip = at % 8, octets = length - 7 * group;
        const size_t take = 8 - skip < n - done ? 8 - skip : n - done;
        septcvt_unpack(message + 7 * group, octets, 0, skip + take, eight, sizeof eight);
        memcpy(out + done, eight + skip, take);
        done += take;
        at += take;
    }
    return n;
}

int take_smpp(const uint8_t *message, size_t length, int payload, int esm_class, int data_coding,
              const septcvt_smpp_sar *sar, const septcvt_smpp_settings &settings, smpp_message &m,
              septcvt_tpdu_fault *fault)
{
    if (payload == 0 && length > SEPTCVT_SHORT_MESSAGE_OCTETS)
        return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_SHORT_MESSAGE, SEPTCVT_SHORT_MESSAGE_OCTETS,
                    static_cast<unsigned>(length));
    if (payload != 0 && length > SEPTCVT_PAYLOAD_OCTETS)
        return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_MESSAGE_PAYLOAD, SEPTCVT_PAYLOAD_OCTETS,
                    static_cast<unsigned>(length));
    m = smpp_message{};
    m.alphabet = alphabet_of(data_coding, settings, m);
    if (m.alphabet < 0 || data_coding < 0 || data_coding > 0xFF)
        return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_DATA_CODING, 0, static_cast<unsigned>(data_coding));
    const int field = payload != 0 ? SEPTCVT_FIELD_MESSAGE_PAYLOAD : SEPTCVT_FIELD_SHORT_MESSAGE;
    if ((esm_class & SEPTCVT_ESM_UDHI) != 0) {
        if (length == 0)
            return fail(fault, SEPTCVT_BAD_TPDU, field, 0, 0);
        m.header = message[0] + 1u;
        size_t at = 0;
        if (m.header > length)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDHL, 0, message[0]);
        if (!read_header(message + 1, m.header - 1, m.numbers, at, &m.reference_bits)) {
            /* An element's length past the header, or the header's end cutting it. */
            const size_t iedl = 1 + at + 1;
            return iedl < m.header ? fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_IEDL, iedl, message[iedl])
                                   : fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_UDHL, 0, message[0]);
        }
    }
    if (sar != nullptr && sar->present != 0) {
        if (sar->msg_ref_num > 0xFFFF)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_SAR_MSG_REF_NUM, 0, sar->msg_ref_num);
        if (sar->total_segments == 0 || sar->total_segments > 0xFF)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_SAR_TOTAL, 0, sar->total_segments);
        if (sar->segment_seqnum == 0 || sar->segment_seqnum > sar->total_segments)
            return fail(fault, SEPTCVT_BAD_TPDU, SEPTCVT_FIELD_SAR_SEQNUM, 0, sar->segment_seqnum);
    }
    m.body = message + m.header;
    m.body_len = length - m.header;
    return SEPTCVT_OK;
}

int septcvt_smpp_read(const uint8_t *message, size_t length, int payload, int esm_class, int data_coding,
                      const septcvt_smpp_sar *sar, const septcvt_smpp_settings *settings,
                      septcvt_smpp_received *out, uint8_t *text, size_t text_size, septcvt_tpdu_fault *fault)
{
    if (out == nullptr || (message == nullptr && length > 0) || (text == nullptr && text_size > 0))
        return SEPTCVT_NULL_POINTER;
    if (fault != nullptr)
        *fault = septcvt_tpdu_fault{};
    const septcvt_smpp_settings s = settings != nullptr ? *settings : septcvt_smpp_settings{};
    smpp_message m;
    const int taken = take_smpp(message, length, payload, esm_class, data_coding, sar, s, m, fault);
    if (taken != SEPTCVT_OK)
        return taken;
    septcvt_smpp_received r{};
    r.message_type = esm_class & SEPTCVT_ESM_TYPE_MASK;
    r.reply_path = (esm_class & SEPTCVT_ESM_REPLY_PATH) != 0;
    r.alphabet = m.alphabet;
    r.has_class = m.has_class;
    r.message_class = m.message_class;
    r.header_length = m.header;
    r.locking = m.numbers.locking;
    r.single = m.numbers.single;
    /* The header's element counts where both place the message. */
    if (m.numbers.concatenated != 0) {
        r.concatenated = 1;
        r.reference_bits = m.reference_bits;
        r.reference = m.numbers.reference, r.total = m.numbers.total, r.sequence = m.numbers.sequence;
    } else if (sar != nullptr && sar->present != 0) {
        r.concatenated = r.sar = 1;
        r.reference_bits = 16;
        r.reference = sar->msg_ref_num, r.total = sar->total_segments, r.sequence = sar->segment_seqnum;
    }
    r.text_len = text_of(message, length, m, nullptr, 0, r.unmapped);
    if (r.text_len > text_size) {
        *out = r;
        return SEPTCVT_NO_ROOM;
    }
    uint64_t unmapped = 0;
    text_of(message, length, m, text, text_size, unmapped);
    *out = r;
    return r.unmapped > 0 ? SEPTCVT_UNMAPPED : SEPTCVT_OK;
}
