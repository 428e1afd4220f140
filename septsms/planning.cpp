#include "planning.h"

#include "platform.h"

namespace {

/* Counts characters up to ascending offsets of a text, in one walk: UTF-8
 * lead bytes, or UCS-2 units that are no low surrogate. */
struct char_counter {
    const std::string &text;
    bool ucs2, big_endian;
    size_t pos;
    uint64_t count = 0;

    char_counter(int form, const std::string &t)
        : text(t), ucs2(form == SEPTCVT_UCS2), big_endian(ucs2 && t.size() >= 2 && t[0] == '\xFE'),
          pos(ucs2 ? 2 : 0)
    {
    }
    uint64_t at(uint64_t offset)
    {
        const auto byte = [this](size_t i) { return static_cast<unsigned>(static_cast<uint8_t>(text[i])); };
        for (; pos < offset && pos < text.size(); pos += ucs2 ? 2 : 1) {
            if (!ucs2) {
                count += (byte(pos) & 0xC0) != 0x80;
            } else if (pos + 1 < text.size()) {
                const unsigned unit = big_endian ? byte(pos) << 8 | byte(pos + 1) : byte(pos + 1) << 8 | byte(pos);
                count += unit < 0xDC00 || unit > 0xDFFF;
            }
        }
        return count;
    }
};

int refused(planned &out, const std::string &why, uint64_t offset = SEPTCVT_NO_OFFSET)
{
    out.why = why;
    out.error_offset = offset;
    return EXIT_REFUSED;
}

/* Each part's user data, and its text as a receiver reads it back. */
int fill_parts(const plan_request &r, const std::string &text, planned &out)
{
    out.user_data.resize(out.parts.size());
    for (size_t k = 0; k < out.parts.size(); ++k) {
        septcvt_user_data &ud = out.user_data[k];
        septcvt_received back;
        int status = septcvt_part_user_data(text.data(), text.size(), &r.options, &out.plan, out.parts.data(), k,
                                            out.reference, &ud);
        if (status == SEPTCVT_OK)
            status = septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &back);
        if (status != SEPTCVT_OK)
            return refused(out, "part " + std::to_string(k + 1) + ": " + septcvt_strerror(status));
        out.shown.emplace_back(reinterpret_cast<const char *>(back.text), back.text_len);
    }
    return EXIT_DONE;
}

/* What ruled out the 7-bit encodings and what was replaced, with where. */
int explain(const plan_request &r, const std::string &text, planned &out)
{
    size_t n = 0;
    int status = septcvt_plan_ruled_out(r.form, text.data(), text.size(), &r.options, nullptr, 0, &n, nullptr);
    if (status == SEPTCVT_NO_ROOM) {
        out.ruled_out.resize(n);
        status = septcvt_plan_ruled_out(r.form, text.data(), text.size(), &r.options, out.ruled_out.data(), n, &n,
                                        nullptr);
    }
    if (status == SEPTCVT_OK) {
        out.replaced.resize(out.plan.replaced);
        status = septcvt_plan_replaced(text.data(), text.size(), &out.plan, out.replaced.data(), out.replaced.size(), &n);
    }
    if (status != SEPTCVT_OK)
        return refused(out, std::string("cannot say why: ") + septcvt_strerror(status));
    char_counter ruled(r.form, text), replaced(r.form, text), ran_out(r.form, text);
    for (const septcvt_char &c : out.ruled_out)
        out.ruled_out_index.push_back(ruled.at(c.offset));
    for (const septcvt_replacement &c : out.replaced)
        out.replaced_index.push_back(replaced.at(c.original.offset));
    out.ran_out_index = ran_out.at(out.plan.ran_out);
    return EXIT_DONE;
}

} // namespace

int check_planner(const plan_request &request)
{
    septcvt_plan plan;
    septcvt_part part;
    if (septcvt_plan_text(SEPTCVT_UTF8, "", 0, &request.options, &plan, &part, 1, nullptr) != SEPTCVT_BAD_ARGUMENT)
        return EXIT_DONE;
    /* Languages and the reference's size are checked before: what is left
     * is the elements. */
    problem("--element: the concatenation and language elements (IEIs 00, 08, 24 and 25) are septsms's own");
    return EXIT_USAGE;
}

int plan_one(const plan_request &r, const std::string &text, planned &out, bool whole)
{
    out.parts.resize(SEPTCVT_MOST_PARTS);
    uint64_t at = SEPTCVT_NO_OFFSET;
    const int status = septcvt_plan_text(r.form, text.data(), text.size(), &r.options, &out.plan, out.parts.data(),
                                         out.parts.size(), &at);
    const char *form = r.form == SEPTCVT_UCS2 ? "UCS-2" : "UTF-8";
    switch (status) {
    case SEPTCVT_OK:
        break;
    case SEPTCVT_MALFORMED:
        return refused(out, std::string("malformed ") + form + " at byte " + std::to_string(at), at);
    case SEPTCVT_NO_MARK:
        return refused(out, "UCS-2 input begins with no byte-order mark (FF FE or FE FF)", 0);
    case SEPTCVT_TOO_MANY_PARTS:
        if (whole) {
            out.parts.clear();
            return EXIT_DONE;
        }
        return refused(out, "the text takes " + std::to_string(out.plan.parts) + " parts, more than the " +
                                std::to_string(SEPTCVT_MOST_PARTS) + " a message can have");
    case SEPTCVT_NO_ROOM:
        return refused(out, "the header elements leave no room for the text");
    default:
        return refused(out, septcvt_strerror(status));
    }
    out.parts.resize(out.plan.parts);
    out.concatenated = out.plan.parts > 1;
    if (out.concatenated && r.reference_given) {
        out.reference = static_cast<unsigned>(r.reference);
    } else if (out.concatenated && !whole) {
        /* A fixed default would let a receiver join the parts of two
         * messages; so each text draws its own. */
        uint8_t drawn[2];
        if (random_bytes(drawn, sizeof drawn) != 0) {
            out.why = "cannot draw a random reference; give one with --reference";
            return EXIT_IO;
        }
        out.reference = out.plan.reference_bits == 16 ? static_cast<unsigned>(drawn[0] << 8 | drawn[1]) : drawn[0];
        out.reference_drawn = true;
    }
    const int filled = fill_parts(r, text, out);
    return filled != EXIT_DONE ? filled : explain(r, text, out);
}

int submit_part(const plan_request &r, const std::string &text, const planned &p, size_t k,
                const septcvt_tpdu &fields, uint8_t *out, size_t out_size, size_t *out_len, size_t *tpdu_len,
                septcvt_tpdu_fault *fault)
{
    return septcvt_submit_part(text.data(), text.size(), &r.options, &p.plan, p.parts.data(), k, p.reference,
                               &fields, 1, out, out_size, out_len, tpdu_len, fault);
}

int smpp_part(const plan_request &r, const std::string &text, const planned &p, size_t k, int concatenation,
              const septcvt_smpp_settings &settings, septcvt_smpp_message &out)
{
    return septcvt_smpp_part(text.data(), text.size(), &r.options, &p.plan, p.parts.data(), k, p.reference,
                             concatenation, -1, &settings, &out);
}

int smpp_payload(const plan_request &r, const std::string &text, const planned &p,
                 const septcvt_smpp_settings &settings, std::vector<uint8_t> &payload, int &esm_class,
                 int &data_coding)
{
    /* A call with too little room says the room the payload needs. */
    size_t n = 0;
    int status;
    payload.clear();
    while ((status = septcvt_smpp_payload(text.data(), text.size(), &r.options, &p.plan, -1, &settings,
                                          payload.data(), payload.size(), &n, &esm_class, &data_coding)) ==
           SEPTCVT_NO_ROOM)
        payload.resize(n);
    payload.resize(status == SEPTCVT_OK ? n : 0);
    return status;
}
