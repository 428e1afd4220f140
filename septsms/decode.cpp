/* septsms decode: what a PDU in a modem's log, a part's user data or a
 * deliver_sm's fields say, field by field. */
#include <algorithm>
#include <cstring>

#include "hex.h"
#include "io.h"
#include "json_lines.h"
#include "languages.h"
#include "plan_report.h"
#include "smpp_settings.h"
#include "wire_text.h"

namespace {

enum { NO_SMSC = OPTION_OWN, TO_NETWORK, USER_DATA, DCS, UDHI, UDL, SMPP, DATA_CODING, ESM_CLASS, PAYLOAD };

const option DECODE_OPTIONS[] = {
    {"no-smsc", no_argument, nullptr, NO_SMSC},
    {"to-network", no_argument, nullptr, TO_NETWORK},
    {"user-data", no_argument, nullptr, USER_DATA},
    {"dcs", required_argument, nullptr, DCS},
    {"udhi", required_argument, nullptr, UDHI},
    {"udl", required_argument, nullptr, UDL},
    {"smpp", no_argument, nullptr, SMPP},
    {"data-coding", required_argument, nullptr, DATA_CODING},
    {"esm-class", required_argument, nullptr, ESM_CLASS},
    {"payload", no_argument, nullptr, PAYLOAD},
    {nullptr, 0, nullptr, 0},
};

/* What is decoded, and how. -1: not given. */
struct decode_request {
    bool no_smsc = false, to_network = false, user_data = false, smpp = false, payload = false;
    int dcs = -1, udhi = -1, udl = -1, data_coding = -1, esm_class = -1;
    smpp_settings settings;
};

/* A number 0-255, decimal or 0x and hexadecimal, as the fields are written
 * in either. */
bool octet(const char *arg, int &value)
{
    const bool hex = arg[0] == '0' && (arg[1] == 'x' || arg[1] == 'X');
    const char *p = hex ? arg + 2 : arg;
    value = 0;
    for (; *p != '\0'; ++p) {
        const char c = *p;
        const int d = c >= '0' && c <= '9'             ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        if (d < 0 || (value = value * (hex ? 16 : 10) + d) > 255)
            return false;
    }
    return *(hex ? arg + 2 : arg) != '\0';
}

option_result take(int id, const char *arg, void *into)
{
    decode_request &r = *static_cast<decode_request *>(into);
    static const struct { int id; int decode_request::*field; const char *name; int most; } NUMBERS[] = {
        {DCS, &decode_request::dcs, "--dcs", 255},
        {UDHI, &decode_request::udhi, "--udhi", 1},
        {UDL, &decode_request::udl, "--udl", 255},
        {DATA_CODING, &decode_request::data_coding, "--data-coding", 255},
        {ESM_CLASS, &decode_request::esm_class, "--esm-class", 255},
    };
    for (const auto &n : NUMBERS)
        if (n.id == id) {
            int value;
            if (!octet(arg, value) || value > n.most) {
                problem("%s %s: a number from 0 to %d (or 0x and hexadecimal)", n.name, quoted(arg).c_str(), n.most);
                return OPTION_REFUSED;
            }
            r.*n.field = value;
            return OPTION_TAKEN;
        }
    switch (id) {
    case NO_SMSC:
        r.no_smsc = true;
        return OPTION_TAKEN;
    case TO_NETWORK:
        r.to_network = true;
        return OPTION_TAKEN;
    case USER_DATA:
        r.user_data = true;
        return OPTION_TAKEN;
    case SMPP:
        r.smpp = true;
        return OPTION_TAKEN;
    case PAYLOAD:
        r.payload = true;
        return OPTION_TAKEN;
    default:
        return OPTION_NOT_MINE;
    }
}

/* The options of one way of reading given with another. */
int check_request(const decode_request &r)
{
    const bool tpdu_options = r.no_smsc || r.to_network, part_options = r.dcs >= 0 || r.udhi >= 0 || r.udl >= 0;
    const bool smpp_options = r.data_coding >= 0 || r.esm_class >= 0 || r.payload || r.settings.given;
    const char *wrong = r.user_data && r.smpp                      ? "--user-data and --smpp are two ways of reading"
                        : (r.user_data || r.smpp) && tpdu_options ? "--no-smsc and --to-network are for TPDUs"
                        : !r.user_data && part_options            ? "--dcs, --udhi and --udl go with --user-data"
                        : !r.smpp && smpp_options ? "--data-coding, --esm-class, --payload and --smsc-alphabet go with --smpp"
                        : r.user_data && (r.dcs < 0 || r.udl < 0) ? "--user-data needs --dcs and --udl"
                        : r.smpp && r.data_coding < 0             ? "--smpp needs --data-coding"
                                                                  : nullptr;
    if (wrong != nullptr)
        problem("%s", wrong);
    return wrong != nullptr ? EXIT_USAGE : EXIT_DONE;
}

/* A decoded input's fields, each a line of the report ("TP-OA: +31...")
 * and a key of its JSON object. */
struct fields {
    json object = json_object();
    std::string report;

    void add(const std::string &label, const char *key, const json &value, const std::string &shown)
    {
        object[key] = value;
        if (!label.empty())
            report += label + ": " + shown + "\n";
    }
    void add(const std::string &label, const char *key, int value) { add(label, key, value, std::to_string(value)); }
};

std::string hex_byte(int value)
{
    const auto v = static_cast<uint8_t>(value);
    return "0x" + to_hex(&v, 1);
}

std::string language_shown(int id, const char *none)
{
    const char *name = language_name(id);
    return id == 0 ? none : name != nullptr ? std::string(name) + " (" + language_code(id) + ")" : "unknown (" + std::to_string(id) + ")";
}

/* Where a part stands in a series, its tables, and its text. */
void add_part(fields &f, int concatenated, unsigned reference, unsigned total, unsigned sequence, int locking,
              int single, bool text, const uint8_t *octets, size_t n, uint64_t unmapped)
{
    f.add("concatenation", "concatenated", concatenated,
          concatenated ? "reference " + std::to_string(reference) + ", part " + std::to_string(sequence) + " of " +
                             std::to_string(total)
                       : std::string("none"));
    f.object["reference"] = reference;
    f.object["total"] = total;
    f.object["sequence"] = sequence;
    if (locking != 0 || single != 0) {
        f.add("locking shift table", "locking", language_json(locking), language_shown(locking, "default alphabet"));
        f.add("single shift table", "single", language_json(single), language_shown(single, "default extension"));
    } else {
        f.object["locking"] = nullptr;
        f.object["single"] = nullptr;
    }
    if (unmapped > 0)
        f.add("unmapped", "unmapped", unmapped, std::to_string(unmapped) + " characters without a mapping, left out");
    else
        f.object["unmapped"] = 0;
    const std::string t(reinterpret_cast<const char *>(octets), n);
    if (text)
        f.add("text", "text", t, quote(t));
    else
        f.add("8-bit data", "text", nullptr, to_hex(octets, n, " "));
}

const char *type_name(int type)
{
    return type == SEPTCVT_SUBMIT ? "SMS-SUBMIT" : type == SEPTCVT_DELIVER ? "SMS-DELIVER" : "SMS-STATUS-REPORT";
}

json validity_json(const septcvt_validity &v)
{
    static const char *const FORMATS[] = {"none", "relative", "enhanced", "absolute"};
    json j = {{"format", FORMATS[v.format & 3]}};
    if (v.format == SEPTCVT_VALIDITY_RELATIVE || v.format == SEPTCVT_VALIDITY_ENHANCED)
        j["seconds"] = v.seconds, j["relative"] = v.relative;
    if (v.format == SEPTCVT_VALIDITY_ENHANCED)
        j["enhanced"] = v.enhanced, j["single_shot"] = v.single_shot, j["extension"] = v.extension;
    if (v.format == SEPTCVT_VALIDITY_ABSOLUTE)
        j["absolute"] = time_json(v.absolute);
    return j;
}

std::string validity_text(const septcvt_validity &v)
{
    switch (v.format) {
    case SEPTCVT_VALIDITY_RELATIVE:
        return period_text(v.seconds) + " (relative, " + hex_byte(v.relative) + ")";
    case SEPTCVT_VALIDITY_ENHANCED:
        return (v.enhanced == SEPTCVT_ENHANCED_NONE ? std::string("no period") : period_text(v.seconds)) +
               " (enhanced" + (v.single_shot ? ", single-shot" : "") + ")";
    case SEPTCVT_VALIDITY_ABSOLUTE:
        return time_text(v.absolute) + " (absolute)";
    default:
        return "none";
    }
}

void add_tpdu(fields &f, const septcvt_tpdu &t, bool with_sc)
{
    const char *address = t.type == SEPTCVT_SUBMIT ? "TP-DA" : t.type == SEPTCVT_DELIVER ? "TP-OA" : "TP-RA";
    const bool submit = t.type == SEPTCVT_SUBMIT, deliver = t.type == SEPTCVT_DELIVER, report = !submit && !deliver;
    f.add("type", "type", type_name(t.type), type_name(t.type));
    if (with_sc)
        f.add("service centre", "sc", address_json(t.sc), address_text(t.sc));
    f.add(address, "address", address_json(t.address), address_text(t.address));
    std::string flags;
    const auto flag = [&](const char *label, const char *key, int value) {
        f.object[key] = value;
        flags += std::string(flags.empty() ? "" : ", ") + label + " " + std::to_string(value);
    };
    if (submit)
        flag("TP-RD", "reject_duplicates", t.reject_duplicates);
    if (!report)
        flag("TP-RP", "reply_path", t.reply_path);
    flag(submit ? "TP-SRR" : deliver ? "TP-SRI" : "TP-SRQ", "status_report", t.status_report);
    if (!submit) {
        flag("TP-MMS", "more_messages", t.more_messages);
        flag("TP-LP", "loop_prevention", t.loop_prevention);
    }
    flag("TP-UDHI", "udhi", t.user_data.udhi);
    f.report += "flags: " + flags + "\n";
    if (!deliver)
        f.add("TP-MR", "message_reference", t.message_reference);
    if (report) {
        f.add("TP-SCTS", "scts", time_json(t.scts), time_text(t.scts));
        f.add("TP-DT", "discharge", time_json(t.discharge), time_text(t.discharge));
        static const char *const GROUPS[] = {"completed", "temporary error, still trying", "permanent error",
                                             "temporary error, no longer trying"};
        f.add("TP-ST", "status", t.status,
              hex_byte(t.status) + ", " + GROUPS[t.status_group & 3] +
                  (t.status != t.status_sent ? " (sent as the reserved " + hex_byte(t.status_sent) + ")" : ""));
        f.object["status_sent"] = t.status_sent;
        f.object["status_group"] = t.status_group;
        f.add(t.has_pi ? "TP-PI" : "", "pi", t.has_pi ? json(t.pi) : json(nullptr), hex_byte(t.pi));
        if (!t.has_pi)
            return;
    }
    /* A STATUS-REPORT carries TP-PID, TP-DCS and the user data only where
     * TP-PI's bits 0, 1 and 2 say so; the others always. */
    const bool has_pid = !report || (t.pi & 1) != 0, has_dcs = !report || (t.pi & 2) != 0;
    const bool has_ud = !report || (t.pi & 4) != 0;
    if (has_pid)
        f.add("TP-PID", "pid", t.pid, hex_byte(t.pid));
    if (has_dcs) {
        f.add("TP-DCS", "dcs", t.user_data.dcs,
              hex_byte(t.user_data.dcs) + (t.has_class ? ", class " + std::to_string(t.message_class) : ""));
        f.object["message_class"] = t.has_class ? json(t.message_class) : json(nullptr);
    }
    if (submit)
        f.add("TP-VP", "validity", validity_json(t.validity), validity_text(t.validity));
    if (deliver)
        f.add("TP-SCTS", "scts", time_json(t.scts), time_text(t.scts));
    if (has_ud) {
        f.add("TP-UDL", "udl", t.user_data.udl);
        f.add("TP-UD", "ud", to_hex(t.user_data.ud, t.user_data.length), to_hex(t.user_data.ud, t.user_data.length, " "));
        f.object["header_length"] = t.header_length;
    }
    f.object["sc_length"] = t.sc_length;
    f.object["tpdu_length"] = t.tpdu_length;
    if (t.trailing > 0)
        f.add("trailing", "trailing", t.trailing, std::to_string(t.trailing) + " octets after TP-UD, not read");
    else
        f.object["trailing"] = 0;
    if (!has_ud)
        return;
    const septcvt_received &r = t.received;
    add_part(f, r.concatenated, r.reference, r.total, r.sequence, r.locking, r.single, t.text != 0,
             t.text ? r.text : t.user_data.ud + t.header_length, t.text ? r.text_len : t.user_data.length - t.header_length,
             r.unmapped);
}

outcome refused(const std::string &why, uint64_t offset = SEPTCVT_NO_OFFSET)
{
    outcome o;
    o.status = EXIT_REFUSED;
    o.why = why;
    o.error_offset = offset;
    return o;
}

outcome decode_tpdu(const decode_request &r, const std::vector<uint8_t> &in, fields &f)
{
    septcvt_tpdu t;
    septcvt_tpdu_fault fault;
    const int status = septcvt_tpdu_decode(in.data(), in.size(), !r.no_smsc,
                                           r.to_network ? SEPTCVT_TO_NETWORK : SEPTCVT_FROM_NETWORK, &t, &fault);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        std::string why = fault_text(status, fault);
        /* What a modem lists as stored is a SUBMIT, read the other way. */
        if (status == SEPTCVT_UNSUPPORTED_TPDU && (fault.value & 3) == 1 && !r.to_network)
            why += " (a SUBMIT the modem stored? --to-network reads it)";
        return refused(why, fault.offset);
    }
    add_tpdu(f, t, !r.no_smsc);
    return {};
}

outcome decode_user_data(const decode_request &r, const std::vector<uint8_t> &in, fields &f)
{
    septcvt_received back;
    int status = septcvt_read_part(r.dcs, r.udhi > 0, r.udl, in.data(), in.size(), &back);
    /* 8-bit data has no text: the joiner's reading of a part gives its
     * numbers and its octets. */
    septcvt_join_part part;
    const bool octets = status == SEPTCVT_NOT_TEXT;
    if (octets)
        status = septcvt_join_part_from_user_data(r.dcs, r.udhi > 0, r.udl, in.data(), in.size(), &part);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED)
        return refused(std::string("the user data: ") + septcvt_strerror(status));
    f.add("TP-DCS", "dcs", r.dcs, hex_byte(r.dcs));
    f.object["udhi"] = std::max(r.udhi, 0);
    f.object["udl"] = r.udl;
    if (!octets)
        add_part(f, back.concatenated, back.reference, back.total, back.sequence, back.locking, back.single, true,
                 back.text, back.text_len, back.unmapped);
    else
        add_part(f, part.concatenated, part.reference, part.total, part.sequence, part.locking, part.single, false,
                 part.units, part.length, 0);
    return {};
}

outcome decode_smpp(const decode_request &r, const std::vector<uint8_t> &in, fields &f)
{
    septcvt_smpp_received got;
    septcvt_tpdu_fault fault;
    std::vector<uint8_t> text(3 * in.size() + 8);
    int status = septcvt_smpp_read(in.data(), in.size(), r.payload, std::max(r.esm_class, 0), r.data_coding, nullptr,
                                   &r.settings.settings, &got, text.data(), text.size(), &fault);
    if (status == SEPTCVT_NO_ROOM) {
        text.resize(got.text_len);
        status = septcvt_smpp_read(in.data(), in.size(), r.payload, std::max(r.esm_class, 0), r.data_coding, nullptr,
                                   &r.settings.settings, &got, text.data(), text.size(), &fault);
    }
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED)
        return refused(fault_text(status, fault), fault.offset);
    static const char *const ALPHABETS[] = {"default alphabet", "IA5 (ASCII)", "Latin-1", "UCS-2", "octets"};
    static const char *const TYPES[] = {"a message", "an SMSC delivery receipt", "an SME delivery acknowledgement",
                                        "an SME manual acknowledgement", "an intermediate notification"};
    const int type = got.message_type;
    const int type_index = type == 0 ? 0 : type == 4 ? 1 : type == 8 ? 2 : type == 16 ? 3 : type == 32 ? 4 : -1;
    f.add("esm_class", "message_type", type,
          hex_byte(std::max(r.esm_class, 0)) + ", " + (type_index >= 0 ? TYPES[type_index] : "message type " + hex_byte(type)) +
              (got.reply_path ? ", reply path" : ""));
    f.object["reply_path"] = got.reply_path;
    f.add("data_coding", "alphabet", ALPHABETS[got.alphabet % 5],
          hex_byte(r.data_coding) + ", " + ALPHABETS[got.alphabet % 5] +
              (got.has_class ? ", class " + std::to_string(got.message_class) : ""));
    f.object["message_class"] = got.has_class ? json(got.message_class) : json(nullptr);
    f.object["header_length"] = got.header_length;
    f.object["reference_bits"] = got.reference_bits;
    add_part(f, got.concatenated, got.reference, got.total, got.sequence, got.locking, got.single,
             got.alphabet != SEPTCVT_SMPP_OCTETS, text.data(), got.text_len, got.unmapped);
    return {};
}

/* The inputs: each HEX operand, or each line of the --text strings or of
 * standard input that holds anything. */
struct input {
    std::string label, hex;
};

int inputs_of(const common_args &args, std::vector<input> &out)
{
    for (const char *hex : args.files)
        out.push_back({args.files.size() > 1 ? "PDU " + std::to_string(out.size() + 1) : "", hex});
    if (!args.files.empty()) {
        if (args.texts.empty())
            return EXIT_DONE;
        problem("give PDUs as operands or with --text, not both");
        return EXIT_USAGE;
    }
    for (const source &s : sources_of(args)) {
        std::string all, why;
        if (read_source(s, all, why) != EXIT_DONE) {
            problem("%s", why.c_str());
            return EXIT_IO;
        }
        each_line(all, [&](size_t number, std::string &line) {
            if (line.find_first_not_of(" \t") != std::string::npos)
                out.push_back({s.label.empty() ? "line " + std::to_string(number)
                                               : s.label + ", line " + std::to_string(number),
                               line});
        });
    }
    /* One PDU alone needs no name. */
    if (out.size() == 1 && args.texts.size() <= 1)
        out[0].label.clear();
    return EXIT_DONE;
}

int decode(int argc, char **argv)
{
    common_args args;
    decode_request request;
    int status = parse_command_line(argc, argv, {{DECODE_OPTIONS, take, &request}, smpp_settings_group(request.settings)}, args);
    if (status >= 0)
        return status;
    if (check_request(request) != EXIT_DONE)
        return EXIT_USAGE;
    std::vector<input> inputs;
    if ((status = inputs_of(args, inputs)) != EXIT_DONE)
        return status;
    status = EXIT_DONE;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const input &in = inputs[i];
        std::vector<uint8_t> octets;
        fields f;
        outcome o;
        if (!parse_hex(in.hex, octets, o.why))
            o.status = EXIT_REFUSED;
        else
            o = request.user_data ? decode_user_data(request, octets, f)
                : request.smpp    ? decode_smpp(request, octets, f)
                                  : decode_tpdu(request, octets, f);
        if (o.status != EXIT_DONE) {
            if (!in.label.empty())
                o.why = in.label + ": " + o.why;
            problem("%s", o.why.c_str());
            o.out = args.json ? refusal_json(o.why, o.error_offset) : "";
        } else {
            o.out = args.json ? json_line(f.object)
                              : (i > 0 ? "\n" : "") + (in.label.empty() ? "" : "input: " + in.label + "\n") + f.report;
        }
        if (write_out(o.out) != EXIT_DONE)
            return EXIT_IO;
        status = std::max(status, o.status);
    }
    return std::max(status, finish_output());
}

} // namespace

extern const command decode_command = {
    "decode",
    "what a PDU, a part's user data or a deliver_sm says",
    "[OPTION...] [HEX...]",
    "Each PDU in hexadecimal, every field by name: the TPDU's type, the service\n"
    "centre's address, the other address, the flags, TP-PID, TP-DCS, the time\n"
    "stamps or the validity period, TP-ST, the user data, where the part stands\n"
    "in a series (the concatenation reference, total and sequence number), the\n"
    "language tables its header names, and its text. Each HEX operand is a PDU;\n"
    "with none, each line of standard input (or of --text) that holds one is.\n",
    "  --no-smsc            no service centre address in front (as +CMGR, +CMGL and\n"
    "                       +CMT give it by default)\n"
    "  --to-network         a TPDU that went to the network: a SUBMIT the modem\n"
    "                       stored, not a DELIVER or STATUS-REPORT received\n"
    "  --user-data          the hexadecimal is a part's TP-UD alone, with:\n"
    "  --dcs N              its TP-DCS (N here and below: decimal, or 0x and hex)\n"
    "  --udhi 0|1           its TP-UDHI (default 0)\n"
    "  --udl N              its TP-UDL\n"
    "  --smpp               the hexadecimal is a deliver_sm's short_message, with:\n"
    "  --data-coding N      its data_coding\n"
    "  --esm-class N        its esm_class (default 0)\n"
    "  --payload            message_payload rather than short_message\n" SMPP_SETTINGS_HELP,
    false,
    decode,
};
