/* septsms smpp: each part of a text as a submit_sm carries it, or the whole
 * text as message_payload. */
#include "hex.h"
#include "io.h"
#include "json_lines.h"
#include "plan_report.h"
#include "planning.h"
#include "smpp_settings.h"
#include "wire_text.h"

namespace {

enum { SAR = OPTION_OWN, PAYLOAD };

const option SMPP_OPTIONS[] = {
    {"sar", no_argument, nullptr, SAR},
    {"payload", no_argument, nullptr, PAYLOAD},
    {nullptr, 0, nullptr, 0},
};

struct smpp_request {
    bool sar = false, payload = false;
    smpp_settings settings;
};

option_result take(int id, const char *, void *into)
{
    smpp_request &r = *static_cast<smpp_request *>(into);
    if (id != SAR && id != PAYLOAD)
        return OPTION_NOT_MINE;
    (id == SAR ? r.sar : r.payload) = true;
    return OPTION_TAKEN;
}

std::string fields_line(int esm_class, int data_coding)
{
    const uint8_t two[] = {static_cast<uint8_t>(esm_class), static_cast<uint8_t>(data_coding)};
    return "esm_class 0x" + to_hex(two, 1) + ", data_coding 0x" + to_hex(two + 1, 1);
}

std::string refusal(int status)
{
    return status == SEPTCVT_UNMAPPED ? "a character has no Latin-1 form (--smsc-alphabet latin1)"
           : status == SEPTCVT_TOO_MANY_PARTS ? "the text is more than message_payload holds"
           : status == SEPTCVT_BAD_ARGUMENT    ? "latin1 takes the default alphabet only, not a national table"
                                               : septcvt_strerror(status);
}

outcome smpp_one(const plan_request &request, const smpp_request &s, const std::string &text, bool as_json)
{
    planned p;
    outcome o;
    o.status = plan_one(request, text, p, s.payload);
    o.why = p.why;
    o.error_offset = p.error_offset;
    if (o.status != EXIT_DONE)
        return o;
    json j = json_object();
    if (s.payload) {
        std::vector<uint8_t> payload;
        int esm_class = 0, data_coding = 0;
        const int status = smpp_payload(request, text, p, s.settings.settings, payload, esm_class, data_coding);
        if (status != SEPTCVT_OK) {
            o.status = EXIT_REFUSED;
            o.why = refusal(status);
            return o;
        }
        const std::string hex = to_hex(payload.data(), payload.size());
        o.out = "payload: " + fields_line(esm_class, data_coding) + ", message_payload " + hex + "\n";
        j["esm_class"] = esm_class;
        j["data_coding"] = data_coding;
        j["message_payload"] = hex;
        o.out = as_json ? json_line(j) : o.out;
        return o;
    }
    o.out = drawn_reference(p, "fields");
    json parts = json::array();
    for (size_t k = 0; k < p.parts.size(); ++k) {
        septcvt_smpp_message m;
        const int status = smpp_part(request, text, p, k, s.sar ? SEPTCVT_SMPP_SAR : SEPTCVT_SMPP_UDH,
                                     s.settings.settings, m);
        if (status != SEPTCVT_OK) {
            o.status = EXIT_REFUSED;
            o.why = "part " + std::to_string(k + 1) + ": " + refusal(status);
            return o;
        }
        const std::string hex = to_hex(m.short_message, m.length);
        json part = {{"esm_class", m.esm_class}, {"data_coding", m.data_coding}};
        o.out += "part " + std::to_string(k + 1) + ": " + fields_line(m.esm_class, m.data_coding);
        if (m.sar.present) {
            o.out += ", sar_msg_ref_num " + std::to_string(m.sar.msg_ref_num) + ", sar_total_segments " +
                     std::to_string(m.sar.total_segments) + ", sar_segment_seqnum " +
                     std::to_string(m.sar.segment_seqnum);
            part["sar_msg_ref_num"] = m.sar.msg_ref_num;
            part["sar_total_segments"] = m.sar.total_segments;
            part["sar_segment_seqnum"] = m.sar.segment_seqnum;
        }
        o.out += ", short_message " + hex + "\n";
        part["short_message"] = hex;
        parts.push_back(part);
    }
    j["reference"] = p.concatenated ? json(p.reference) : json(nullptr);
    j["reference_bits"] = p.plan.reference_bits;
    j["parts"] = parts;
    o.out = as_json ? json_line(j) : o.out;
    return o;
}

int smpp(int argc, char **argv)
{
    common_args args;
    plan_request request;
    smpp_request s;
    const int status = parse_command_line(argc, argv,
                                    {plan_option_group(request), {SMPP_OPTIONS, take, &s}, smpp_settings_group(s.settings)},
                                    args);
    if (status >= 0)
        return status;
    if (s.sar && s.payload) {
        problem("--sar and --payload are two ways of sending a long text");
        return EXIT_USAGE;
    }
    /* The SMSC writes a 16-bit concatenation element for the SAR values: the
     * parts leave its room. */
    if (s.sar)
        request.options.reference_bits = 16;
    /* A payload is one piece, with no reference to give. */
    if (s.payload)
        request.reference_given = false;
    return for_each_planned_text(request, args, [&](const std::string &text) { return smpp_one(request, s, text, args.json); });
}

} // namespace

extern const command smpp_command = {
    "smpp",
    "each part's short_message, esm_class and data_coding for submit_sm",
    "[OPTION...] [FILE...]",
    "Each text planned as plan plans it, and each part as a submit_sm carries it:\n"
    "esm_class, data_coding and short_message in hexadecimal (the header's octets,\n"
    "then the text a septet an octet, or UTF-16 big-endian), and with --sar the\n"
    "SAR values in place of the concatenation element. With --payload, the whole\n"
    "text in one message_payload. A text of several parts gets a reference drawn\n"
    "at random, and printed, unless --reference gives one.\n",
    "  --sar                the SAR values (sar_msg_ref_num, sar_total_segments,\n"
    "                       sar_segment_seqnum), not a concatenation element: the\n"
    "                       SMSC writes one of 16 bits, whose room the parts leave\n"
    "  --payload            the whole text in message_payload, no parts\n" SMPP_SETTINGS_HELP
    "                       (packed: a text that ends in CR on an octet boundary\n"
    "                       gets a second CR, and reads back with two)\n",
    true,
    smpp,
};
