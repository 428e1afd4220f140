/* submit_sm's short_message, esm_class and data_coding for each part of a
 * plan, and a whole text in message_payload, as SMSCs take them. */
#include <cstring>

#include "elements.h"
#include "gsm_tables.h"
#include "message.h"
#include "wire.h"

namespace {

constexpr uint8_t CARRIAGE_RETURN = 0x0D;

bool settings_hold(const septcvt_smpp_settings &s, int message_class)
{
    return s.smsc_alphabet >= SEPTCVT_SMSC_GSM && s.smsc_alphabet <= SEPTCVT_SMSC_LATIN1 && message_class >= -1 &&
           message_class <= 3;
}

/* data_coding of the plan's encoding and the class, or -1 where the
 * settings cannot send it: UCS-2 with a class only where the SMSC passes
 * the reserved values on, Latin-1 neither with a class (no value says
 * both) nor for a national pair (the SMSC turns Latin-1 into the default
 * alphabet, which the pair's header would make the receiver misread). */
int data_coding_of(const septcvt_plan &plan, int message_class, const septcvt_smpp_settings &s)
{
    if (plan.dcs == SEPTCVT_DCS_UCS2)
        return message_class < 0 ? 0x08 : s.ucs2_class != 0 ? 0x18 | message_class : -1;
    if (s.smsc_alphabet == SEPTCVT_SMSC_LATIN1)
        return message_class < 0 && plan.locking == 0 && plan.single == 0 ? 0x03 : -1;
    return message_class < 0 ? 0x00 : 0xF0 | message_class;
}

/* The codes at out[0..n), a septet an octet, made into what the SMSC
 * takes, in place (each octet written lies at or before the codes it comes
 * from): as they are, packed behind the fill bits of a header of h octets,
 * or Latin-1. Packed septets carry no count, so a text that ends with a
 * carriage return on an octet boundary gets a second one, or a reader
 * would take the first for padding; out must have room for it. Returns
 * the octets, or SIZE_MAX where a character has no Latin-1 form. */
size_t finish_codes(uint8_t *out, size_t n, size_t h, const septcvt_smpp_settings &s)
{
    if (s.smsc_alphabet == SEPTCVT_SMSC_GSM)
        return n;
    if (s.smsc_alphabet == SEPTCVT_SMSC_GSM_PACKED) {
        const unsigned fill = fill_bits_after(h);
        if (n > 0 && (fill + 7 * n) % 8 == 0 && out[n - 1] == CARRIAGE_RETURN)
            out[n++] = CARRIAGE_RETURN;
        size_t packed = 0;
        septcvt_pack(out, n, fill, out, n, &packed);
        return packed;
    }
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t c = out[i] == GSM_ESCAPE && i + 1 < n ? gsm_escape_table[out[++i]] : gsm_base_table[out[i]];
        if (c > 0xFF)
            return SIZE_MAX;
        out[o++] = static_cast<uint8_t>(c);
    }
    return o;
}

/* Whether every character r reads, as the plan sends it, has a Latin-1
 * form. */
bool all_latin1(text_reader r, const septcvt_plan &plan)
{
    text_char c;
    while (reader_next(r, c) > 0) {
        uint32_t pieces[3] = {c.code_point};
        const int count = plan.replaced > 0 ? lookalike(c.code_point, pieces) : -1;
        for (int i = 0; i < (count < 0 ? 1 : count); ++i)
            if (pieces[i] > 0xFF)
                return false;
    }
    return true;
}

} // namespace

int septcvt_smpp_part(const void *text, size_t text_len, const septcvt_plan_options *options,
                      const septcvt_plan *plan, const septcvt_part *parts, size_t k, unsigned reference,
                      int concatenation, int message_class, const septcvt_smpp_settings *settings,
                      septcvt_smpp_message *out)
{
    if (plan == nullptr || parts == nullptr || out == nullptr || (text == nullptr && text_len > 0))
        return SEPTCVT_NULL_POINTER;
    const septcvt_plan_options o = options != nullptr ? *options : septcvt_plan_options{};
    const septcvt_smpp_settings s = settings != nullptr ? *settings : septcvt_smpp_settings{};
    const bool several = plan->parts > 1;
    if ((concatenation != SEPTCVT_SMPP_UDH && concatenation != SEPTCVT_SMPP_SAR) || !settings_hold(s, message_class) ||
        !plan_holds(*plan) || (concatenation == SEPTCVT_SMPP_SAR && several && plan->reference_bits != 16))
        return SEPTCVT_BAD_ARGUMENT;
    const int data_coding = data_coding_of(*plan, message_class, s);
    if (data_coding < 0)
        return SEPTCVT_BAD_ARGUMENT;
    /* The part as SMS sends it, which holds every other check. */
    septcvt_user_data ud;
    const int status = septcvt_part_user_data(text, text_len, options, plan, parts, k, reference, &ud);
    if (status != SEPTCVT_OK)
        return status;
    septcvt_smpp_message m{};
    const bool sar = concatenation == SEPTCVT_SMPP_SAR && several;
    const size_t h = write_header(*plan, o, k, reference, several && !sar, m.short_message);
    const size_t ud_header = ud.udhi != 0 ? ud.ud[0] + 1u : 0;
    size_t n = ud.length - ud_header;
    if (plan->dcs == SEPTCVT_DCS_UCS2) {
        memcpy(m.short_message + h, ud.ud + ud_header, n);
    } else {
        uint8_t codes[SEPTCVT_SINGLE_SEPTETS];
        const size_t skip = header_septets(ud_header);
        septcvt_unpack(ud.ud, ud.length, 0, static_cast<size_t>(ud.udl), codes, sizeof codes);
        n = static_cast<size_t>(ud.udl) - skip;
        memcpy(m.short_message + h, codes + skip, n);
        n = finish_codes(m.short_message + h, n, h, s);
        if (n == SIZE_MAX)
            return SEPTCVT_UNMAPPED;
    }
    m.length = h + n;
    m.esm_class = h > 0 ? SEPTCVT_ESM_UDHI : 0;
    m.data_coding = data_coding;
    if (sar)
        m.sar = septcvt_smpp_sar{1, reference, static_cast<unsigned>(plan->parts), static_cast<unsigned>(k + 1)};
    memcpy(out, &m, sizeof m);
    return SEPTCVT_OK;
}

int septcvt_smpp_payload(const void *text, size_t text_len, const septcvt_plan_options *options,
                         const septcvt_plan *plan, int message_class, const septcvt_smpp_settings *settings,
                         uint8_t *payload, size_t payload_size, size_t *payload_len, int *esm_class, int *data_coding)
{
    if (plan == nullptr || payload_len == nullptr || esm_class == nullptr || data_coding == nullptr ||
        (text == nullptr && text_len > 0) || (payload == nullptr && payload_size > 0))
        return SEPTCVT_NULL_POINTER;
    const septcvt_plan_options o = options != nullptr ? *options : septcvt_plan_options{};
    const septcvt_smpp_settings s = settings != nullptr ? *settings : septcvt_smpp_settings{};
    if (!settings_hold(s, message_class) || !plan_holds(*plan) || !elements_hold(o))
        return SEPTCVT_BAD_ARGUMENT;
    const int coding = data_coding_of(*plan, message_class, s);
    if (coding < 0)
        return SEPTCVT_BAD_ARGUMENT;
    text_reader r;
    if (reader_start(r, plan->form, text, text_len) != SEPTCVT_OK)
        return SEPTCVT_NO_MARK;
    const text_reader start = r;
    uint8_t header[SEPTCVT_USER_DATA_OCTETS];
    const size_t h = write_header(*plan, o, 0, 0, false, header);
    if (h >= SEPTCVT_USER_DATA_OCTETS)
        return SEPTCVT_BAD_ARGUMENT; /* no plan leaves such a header */
    /* Counted first: the text a septet (or octet) a byte behind the header,
     * and for packed septets one more, since they are packed in place. */
    size_t n = 0;
    const int counted = encode_text(r, *plan, nullptr, 0, n);
    if (counted != SEPTCVT_OK && counted != SEPTCVT_NO_ROOM)
        return counted;
    const bool packed = plan->dcs == SEPTCVT_DCS_7BIT && s.smsc_alphabet == SEPTCVT_SMSC_GSM_PACKED;
    const size_t room = h + n + packed;
    if (h + n > SEPTCVT_PAYLOAD_OCTETS)
        return SEPTCVT_TOO_MANY_PARTS;
    if (coding == 0x03 && !all_latin1(start, *plan))
        return SEPTCVT_UNMAPPED;
    if (payload_size < room) {
        *payload_len = room;
        return SEPTCVT_NO_ROOM;
    }
    r = start;
    encode_text(r, *plan, payload + h, n, n);
    if (plan->dcs == SEPTCVT_DCS_7BIT)
        n = finish_codes(payload + h, n, h, s);
    if (h > 0)
        memcpy(payload, header, h);
    *payload_len = h + n;
    *esm_class = h > 0 ? SEPTCVT_ESM_UDHI : 0;
    *data_coding = coding;
    return SEPTCVT_OK;
}
