/* septsms submit: each part of a text as SMS-SUBMIT, in hexadecimal as a
 * modem in PDU mode takes it, with the length AT+CMGS takes. */
#include <cstring>

#include "hex.h"
#include "io.h"
#include "json_lines.h"
#include "plan_options.h"
#include "plan_report.h"
#include "planning.h"
#include "wire_text.h"

namespace {

enum { TO = OPTION_OWN, SMSC, VALIDITY, CLASS, REPORT, MR };

const option SUBMIT_OPTIONS[] = {
    {"to", required_argument, nullptr, TO},
    {"smsc", required_argument, nullptr, SMSC},
    {"validity", required_argument, nullptr, VALIDITY},
    {"class", required_argument, nullptr, CLASS},
    {"report", no_argument, nullptr, REPORT},
    {"mr", required_argument, nullptr, MR},
    {nullptr, 0, nullptr, 0},
};

/* n decimal digits at text[at], moved past. */
bool digits(const std::string &text, size_t &at, size_t n, int &value)
{
    value = 0;
    for (size_t end = at + n; at < end; ++at) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9')
            return false;
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

bool literal(const std::string &text, size_t &at, char c)
{
    return at < text.size() && text[at] == c && (++at, true);
}

/* YYYY-MM-DDThh:mm[:ss] and a zone, Z or +hh:mm or -hh:mm, in quarter
 * hours: what an absolute period holds. */
bool absolute_time(const std::string &s, septcvt_time_stamp &t)
{
    size_t at = 0;
    int year, zone_hours = 0, zone_minutes = 0;
    if (!digits(s, at, 4, year) || !literal(s, at, '-') || !digits(s, at, 2, t.month) || !literal(s, at, '-') ||
        !digits(s, at, 2, t.day) || !literal(s, at, 'T') || !digits(s, at, 2, t.hour) || !literal(s, at, ':') ||
        !digits(s, at, 2, t.minute))
        return false;
    t.second = 0;
    if (literal(s, at, ':') && !digits(s, at, 2, t.second))
        return false;
    const char sign = at < s.size() ? s[at] : '\0';
    if (!literal(s, at, 'Z') && (!(literal(s, at, '+') || literal(s, at, '-')) || !digits(s, at, 2, zone_hours) ||
                                 !literal(s, at, ':') || !digits(s, at, 2, zone_minutes)))
        return false;
    const int quarters = zone_hours * 4 + zone_minutes / 15;
    t.year = year % 100;
    t.zone = sign == '-' ? -quarters : quarters;
    return at == s.size() && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 &&
           t.minute <= 59 && t.second <= 59 && zone_minutes % 15 == 0 && zone_minutes < 60 && quarters <= 79;
}

bool validity(const char *arg, septcvt_validity &v)
{
    static const struct { char unit; uint32_t seconds; } UNITS[] = {{'m', 60}, {'h', 3600}, {'d', 86400}, {'w', 604800}};
    const std::string s = arg;
    for (const auto &u : UNITS) {
        unsigned long n;
        /* Divided, not multiplied: 9999 weeks wrap a 32-bit long. */
        if (s.size() >= 2 && s.back() == u.unit && number(s.substr(0, s.size() - 1).c_str(), 9999, n) &&
            n <= SEPTCVT_LONGEST_VALIDITY / u.seconds) {
            v.format = SEPTCVT_VALIDITY_RELATIVE;
            v.seconds = static_cast<uint32_t>(n * u.seconds);
            return true;
        }
    }
    v.format = SEPTCVT_VALIDITY_ABSOLUTE;
    return absolute_time(s, v.absolute);
}

/* An address the TPDU can carry, checked by writing it. */
bool address(const char *option_name, const char *arg, septcvt_address &a, bool sc)
{
    septcvt_tpdu_fault fault;
    uint8_t field[16];
    size_t n;
    /* A number needs a digit, or the encoders write an address of none; an
     * empty --smsc is the modem's own centre, as with no --smsc. */
    const bool has_digits = arg[0] != '\0' && strcmp(arg, "+") != 0;
    if ((has_digits || (sc && arg[0] == '\0')) && strlen(arg) < sizeof a.text) {
        strcpy(a.text, arg);
        if ((sc ? septcvt_sc_address_encode : septcvt_address_encode)(&a, field, sizeof field, &n, &fault) == SEPTCVT_OK)
            return true;
    }
    problem("%s %s: a number of up to 20 digits (behind a '+' where it is international), or up to 11 "
            "characters of the default alphabet", option_name, quoted(arg).c_str());
    return false;
}

struct submit_request {
    septcvt_tpdu fields{};
    bool to_given = false;
};

option_result take(int id, const char *arg, void *into)
{
    submit_request &r = *static_cast<submit_request *>(into);
    unsigned long n;
    switch (id) {
    case TO:
        r.to_given = true;
        return address("--to", arg, r.fields.address, false) ? OPTION_TAKEN : OPTION_REFUSED;
    case SMSC:
        return address("--smsc", arg, r.fields.sc, true) ? OPTION_TAKEN : OPTION_REFUSED;
    case VALIDITY:
        if (validity(arg, r.fields.validity))
            return OPTION_TAKEN;
        problem("--validity %s: a period (30m, 12h, 2d, 3w; at most 63w) or a time with its zone "
                "(2026-12-31T18:00+01:00)", quoted(arg).c_str());
        return OPTION_REFUSED;
    case CLASS:
        if (!number(arg, 3, n)) {
            problem("--class %s: a message class is 0, 1, 2 or 3", quoted(arg).c_str());
            return OPTION_REFUSED;
        }
        r.fields.has_class = 1;
        r.fields.message_class = static_cast<int>(n);
        return OPTION_TAKEN;
    case REPORT:
        r.fields.status_report = 1;
        return OPTION_TAKEN;
    case MR:
        if (!number(arg, 255, n)) {
            problem("--mr %s: a message reference is a number from 0 to 255", quoted(arg).c_str());
            return OPTION_REFUSED;
        }
        r.fields.message_reference = static_cast<int>(n);
        return OPTION_TAKEN;
    default:
        return OPTION_NOT_MINE;
    }
}

outcome submit_one(const plan_request &request, const submit_request &s, const std::string &text, bool as_json)
{
    planned p;
    outcome o;
    o.status = plan_one(request, text, p);
    o.why = p.why;
    o.error_offset = p.error_offset;
    if (o.status != EXIT_DONE)
        return o;
    json parts = json::array();
    o.out = drawn_reference(p, "TPDUs");
    for (size_t k = 0; k < p.parts.size(); ++k) {
        uint8_t tpdu[SEPTCVT_TPDU_OCTETS];
        size_t n, cmgs;
        septcvt_tpdu_fault fault;
        const int status = submit_part(request, text, p, k, s.fields, tpdu, sizeof tpdu, &n, &cmgs, &fault);
        if (status != SEPTCVT_OK) {
            o.status = EXIT_REFUSED;
            o.why = "part " + std::to_string(k + 1) + ": " + fault_text(status, fault);
            return o;
        }
        const std::string hex = to_hex(tpdu, n);
        o.out += "AT+CMGS=" + std::to_string(cmgs) + " " + hex + "\n";
        /* TP-MR follows the first octet, behind the service centre's part. */
        parts.push_back({{"message_reference", tpdu[n - cmgs + 1]},
                         {"sc_length", n - cmgs},
                         {"tpdu_length", cmgs},
                         {"tpdu", hex}});
    }
    if (as_json) {
        json j = json_object();
        j["dcs"] = p.plan.dcs;
        j["locking"] = language_json(p.plan.locking);
        j["single"] = language_json(p.plan.single);
        j["reference"] = p.concatenated ? json(p.reference) : json(nullptr);
        j["reference_bits"] = p.plan.reference_bits;
        j["parts"] = parts;
        o.out = json_line(j);
    }
    return o;
}

int submit(int argc, char **argv)
{
    common_args args;
    plan_request request;
    submit_request s;
    const int status = parse_command_line(argc, argv, {plan_option_group(request), {SUBMIT_OPTIONS, take, &s}}, args);
    if (status >= 0)
        return status;
    if (!s.to_given) {
        problem("--to NUMBER is needed: where the message goes");
        return EXIT_USAGE;
    }
    return for_each_planned_text(request, args,
                                 [&](const std::string &text) { return submit_one(request, s, text, args.json); });
}

} // namespace

extern const command submit_command = {
    "submit",
    "each part as SMS-SUBMIT for a modem in PDU mode",
    "--to NUMBER [OPTION...] [FILE...]",
    "Each text planned as plan plans it, and each part written as an SMS-SUBMIT\n"
    "TPDU in hexadecimal behind the service centre's address, as a modem in PDU\n"
    "mode (AT+CMGF=0) takes it after AT+CMGS: a line a part, the AT+CMGS command\n"
    "with its length, a blank, and the hexadecimal. A text of several parts gets\n"
    "a concatenation reference drawn at random, and printed, unless --reference\n"
    "gives one.\n",
    "  --to NUMBER          the destination (TP-DA): digits, behind a '+' where\n"
    "                       international; needed\n"
    "  --smsc NUMBER        the service centre's number (default: the modem's own)\n"
    "  --validity PERIOD    how long the centre tries: 30m, 12h, 2d or 3w (a\n"
    "                       relative period, at least as long), or a time with its\n"
    "                       zone, 2026-12-31T18:00+01:00 (an absolute one)\n"
    "  --class N            the message class, 0-3 (0: shown at once, not stored)\n"
    "  --report             ask for a status report (TP-SRR)\n"
    "  --mr N               the first part's message reference (TP-MR), 0-255; part\n"
    "                       k gets the k-th after it (default 0)\n",
    true,
    submit,
};
