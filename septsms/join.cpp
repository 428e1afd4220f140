/* septsms join: received PDUs, bare or as a modem lists them, joined into
 * the messages they are parts of, sender by sender. */
#include <algorithm>
#include <cstring>

#include "hex.h"
#include "io.h"
#include "json_lines.h"
#include "plan_report.h"
#include "wire_text.h"

namespace {

enum { NO_SMSC = OPTION_OWN };

const option JOIN_OPTIONS[] = {
    {"no-smsc", no_argument, nullptr, NO_SMSC},
    {nullptr, 0, nullptr, 0},
};

option_result take(int id, const char *, void *into)
{
    if (id != NO_SMSC)
        return OPTION_NOT_MINE;
    *static_cast<bool *>(into) = true;
    return OPTION_TAKEN;
}

/* A PDU of the input: where it stands, and what its modem line said. */
struct pdu_line {
    std::string where, hex;
    long length = -1; /* the <length> of +CMGL, +CMT or +CMGR: the TPDU's octets; -1 for a bare line,
                       * -2 where the line gave none that can be right, NO_PDU where none followed */
};

constexpr long NO_PDU = -3;

/* A modem's line that announces a PDU on the next: its <length>, the last
 * field, and for +CMGL and +CMGR its <stat>; stat 2 and 3 are stored
 * SUBMITs. False for any other line. */
bool announcement(const std::string &line, long &length, bool &stored)
{
    static const struct { const char *prefix; int stat_field; } LINES[] = {{"+CMGL:", 1}, {"+CMGR:", 0}, {"+CMT:", -1}};
    for (const auto &l : LINES) {
        if (line.compare(0, strlen(l.prefix), l.prefix) != 0)
            continue;
        std::vector<std::string> items(1);
        for (size_t i = strlen(l.prefix); i < line.size(); ++i)
            line[i] == ',' ? items.emplace_back() : items.back() += line[i];
        const auto number = [](const std::string &item) {
            const size_t begin = item.find_first_not_of(' ');
            const std::string digits = begin == std::string::npos ? "" : item.substr(begin);
            return !digits.empty() && digits.size() <= 3 && digits.find_first_not_of("0123456789") == std::string::npos
                       ? std::stol(digits)
                       : -2L;
        };
        length = number(items.back());
        stored = l.stat_field >= 0 && static_cast<size_t>(l.stat_field) < items.size() &&
                 (number(items[l.stat_field]) == 2 || number(items[l.stat_field]) == 3);
        return true;
    }
    return false;
}

/* The lines that carry PDUs: each after a +CMGL, +CMT or +CMGR line, and
 * each other line that is not the modem's own (blank, OK, ERROR, an AT
 * command, another response). */
void pdu_lines(const source &s, const std::string &all, std::vector<pdu_line> &out, size_t &stored)
{
    long length = -1;
    bool announced = false, skip = false;
    size_t header = 0;
    const auto where = [&](size_t number) {
        return (s.label.empty() ? "" : s.label + ", ") + "line " + std::to_string(number);
    };
    each_line(all, [&](size_t number, std::string &line) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        const bool was_announced = announced;
        announced = false;
        if (!was_announced && announcement(line, length, skip)) {
            announced = true;
            header = number;
            return;
        }
        if (!was_announced && (line.empty() || line == "OK" || line == "ERROR" || line[0] == '+' ||
                               line.compare(0, 2, "AT") == 0 || line.compare(0, 2, "at") == 0))
            return;
        if (was_announced && skip) {
            ++stored;
            return;
        }
        out.push_back({where(number), line, was_announced ? length : -1});
    });
    /* A listing cut short after a header has lost the PDU it announced. */
    if (announced)
        out.push_back({where(header), "", NO_PDU});
}

/* A sender's parts, in the order read. */
struct sender {
    septcvt_address address;
    std::vector<septcvt_join_part> parts;
    std::vector<size_t> lines; /* the index in the list of PDUs of each */
};

const char *kind_name(int kind)
{
    static const char *const KINDS[] = {"joined", "alone", "incomplete", "conflict"};
    return KINDS[kind & 3];
}

int join_sender(const sender &s, const std::vector<pdu_line> &pdus, bool as_json, std::string &out)
{
    septcvt_join_room room{};
    std::vector<septcvt_message> messages(s.parts.size());
    std::vector<size_t> indices(4 * s.parts.size() + 16);
    std::vector<uint8_t> text(256); /* grown where the joiner asks for more */
    int status;
    do {
        messages.resize(std::max(room.messages_count, messages.size()));
        indices.resize(std::max(room.indices_count, indices.size()));
        text.resize(std::max(room.text_len, text.size()));
        room = {messages.data(), messages.size(), 0, indices.data(), indices.size(), 0, text.data(), text.size(), 0};
    } while ((status = septcvt_join(s.parts.data(), s.parts.size(), &room)) == SEPTCVT_NO_ROOM);
    const std::string where = "from " + std::string(s.address.text[0] != '\0' ? s.address.text : "no address");
    /* The parts come from TPDUs read whole, so the joiner refuses only more
     * than 4096 parts of one message, which no sender sends. */
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        problem("%s: %s", where.c_str(),
                status == SEPTCVT_BAD_ARGUMENT ? "a message of more than 4096 parts, repeats and all: none of the "
                                                 "sender's parts joined"
                                               : septcvt_strerror(status));
        return EXIT_REFUSED;
    }
    int result = EXIT_DONE;
    for (size_t m = 0; m < room.messages_count; ++m) {
        const septcvt_message &msg = messages[m];
        const std::string series = msg.total > 0 ? "reference " + std::to_string(msg.reference) + " (" +
                                                       std::to_string(msg.reference_bits) + "-bit), " +
                                                       std::to_string(msg.total) + " parts"
                                                 : std::string("no series");
        std::string listed;
        /* Where the part at indices[at] was read. */
        const auto line_of = [&](size_t at) { return pdus[s.lines[indices[at]]].where; };
        for (size_t i = 0; i < msg.parts_count; ++i)
            listed += (i > 0 ? ", " : "") + line_of(msg.parts_at + i);
        std::string gaps;
        for (size_t i = 0; i < msg.missing_count; ++i)
            gaps += (i > 0 ? ", " : "") + std::to_string(indices[msg.missing_at + i]);
        /* Every two parts of one number that differ are a pair: n of them
         * make n(n-1)/2, so people are shown the first few. */
        const auto pair = [&](size_t i, size_t k) { return line_of(msg.pairs_at + 2 * i + k); };
        std::string clashes;
        for (size_t i = 0; i < msg.pairs_count && i < LISTED; ++i)
            clashes += (i > 0 ? "; " : "") + pair(i, 0) + " and " + pair(i, 1);
        if (msg.pairs_count > LISTED)
            clashes += "; " + more_than_listed(msg.pairs_count);
        const bool octets = msg.units_kind == SEPTCVT_UNITS_OCTETS;
        const std::string body(reinterpret_cast<const char *>(text.data() + msg.text_at), msg.text_len);
        if (msg.kind == SEPTCVT_INCOMPLETE)
            problem("%s: %s: part %s missing", where.c_str(), series.c_str(), gaps.c_str());
        if (msg.kind == SEPTCVT_CONFLICT)
            problem("%s: %s: parts with the same numbers differ: %s", where.c_str(), series.c_str(), clashes.c_str());
        if (msg.kind == SEPTCVT_INCOMPLETE || msg.kind == SEPTCVT_CONFLICT)
            result = EXIT_REFUSED;
        if (as_json) {
            json j = json_object();
            j["address"] = address_json(s.address);
            j["kind"] = kind_name(msg.kind);
            j["sar"] = msg.sar;
            j["reference_bits"] = msg.reference_bits;
            j["reference"] = msg.reference;
            j["total"] = msg.total;
            j["message_type"] = msg.message_type;
            json lines = json::array(), missing = json::array(), pairs = json::array();
            for (size_t i = 0; i < msg.parts_count; ++i)
                lines.push_back(line_of(msg.parts_at + i));
            for (size_t i = 0; i < msg.missing_count; ++i)
                missing.push_back(indices[msg.missing_at + i]);
            for (size_t i = 0; i < msg.pairs_count; ++i)
                pairs.push_back({pair(i, 0), pair(i, 1)});
            j["parts"] = lines;
            j["missing"] = missing;
            j["pairs"] = pairs;
            j["repeats"] = msg.repeats;
            j["unmapped"] = msg.unmapped;
            const bool has_text = msg.kind == SEPTCVT_JOINED || msg.kind == SEPTCVT_ALONE;
            j["text"] = has_text && !octets ? json(body) : json(nullptr);
            j["octets"] = has_text && octets ? json(to_hex(text.data() + msg.text_at, msg.text_len)) : json(nullptr);
            out += json_line(j);
            continue;
        }
        out += where + ": " + kind_name(msg.kind) + ", " + series + "\n  parts: " + listed + "\n";
        if (msg.repeats > 0)
            out += "  repeats dropped: " + std::to_string(msg.repeats) + "\n";
        if (msg.kind == SEPTCVT_INCOMPLETE)
            out += "  missing: " + gaps + "\n";
        if (msg.kind == SEPTCVT_CONFLICT)
            out += "  in conflict: " + clashes + "\n";
        if (msg.unmapped > 0)
            out += "  unmapped: " + std::to_string(msg.unmapped) + " characters without a mapping, left out\n";
        if (msg.message_type != 0)
            out += "  a status report, not text\n";
        else if (msg.kind == SEPTCVT_JOINED || msg.kind == SEPTCVT_ALONE)
            out += octets ? "  8-bit data: " + to_hex(text.data() + msg.text_at, msg.text_len, " ") + "\n"
                          : "  text: " + quote(body) + "\n";
    }
    return result;
}

int join(int argc, char **argv)
{
    common_args args;
    bool no_smsc = false;
    int status = parse_command_line(argc, argv, {{JOIN_OPTIONS, take, &no_smsc}}, args);
    if (status >= 0)
        return status;
    const std::vector<source> sources = sources_of(args);
    if (sources.empty())
        return EXIT_USAGE;
    std::vector<pdu_line> pdus;
    size_t stored = 0;
    for (source s : sources) {
        std::string all, why;
        if (read_source(s, all, why) != EXIT_DONE) {
            problem("%s", why.c_str());
            return EXIT_IO;
        }
        /* Parts are named by their lines: a lone input needs no name. */
        if (sources.size() == 1)
            s.label.clear();
        pdu_lines(s, all, pdus, stored);
    }
    std::vector<sender> senders;
    status = EXIT_DONE;
    for (size_t i = 0; i < pdus.size(); ++i) {
        const pdu_line &p = pdus[i];
        std::vector<uint8_t> octets;
        std::string why;
        septcvt_tpdu t;
        septcvt_tpdu_fault fault{};
        septcvt_join_part part;
        /* A modem's <length> counts the TPDU alone: the octets beyond it are
         * the service centre's address in front. */
        int got = parse_hex(p.hex, octets, why) ? SEPTCVT_OK : -1;
        const bool with_sc = p.length >= 0 ? octets.size() > static_cast<size_t>(p.length) : !no_smsc;
        if (p.length == -2) {
            why = "the line before gives no <length> of 0-999 octets";
            got = -1;
        }
        if (p.length == NO_PDU) {
            why = "no PDU follows";
            got = -1;
        }
        if (got == SEPTCVT_OK && p.length >= 0 && octets.size() < static_cast<size_t>(p.length)) {
            why = "the line before says " + std::to_string(p.length) + " octets, and the PDU has " +
                  std::to_string(octets.size());
            got = -1;
        }
        if (got == SEPTCVT_OK && (got = septcvt_tpdu_decode(octets.data(), octets.size(), with_sc, SEPTCVT_FROM_NETWORK,
                                                            &t, &fault)) == SEPTCVT_UNMAPPED)
            got = SEPTCVT_OK;
        if (got == SEPTCVT_OK && with_sc && p.length >= 0 && t.sc_length + static_cast<size_t>(p.length) != octets.size()) {
            why = "the line before says " + std::to_string(p.length) + " octets behind the service centre's " +
                  std::to_string(t.sc_length) + ", and the PDU has " + std::to_string(octets.size());
            got = -1;
        }
        if (got == SEPTCVT_OK)
            got = septcvt_join_part_from_tpdu(&t, &part);
        if (got != SEPTCVT_OK) {
            problem("%s: %s", p.where.c_str(), got == -1 ? why.c_str() : fault_text(got, fault).c_str());
            status = EXIT_REFUSED;
            continue;
        }
        auto s = std::find_if(senders.begin(), senders.end(), [&](const sender &x) {
            return x.address.ton == t.address.ton && strcmp(x.address.text, t.address.text) == 0;
        });
        if (s == senders.end())
            s = senders.insert(senders.end(), sender{t.address, {}, {}});
        s->parts.push_back(part);
        s->lines.push_back(i);
    }
    std::string out;
    if (stored > 0 && !args.json)
        out += "stored SUBMITs passed over: " + std::to_string(stored) + "\n";
    for (const sender &s : senders)
        status = std::max(status, join_sender(s, pdus, args.json, out));
    if (write_out(out) != EXIT_DONE)
        return EXIT_IO;
    return std::max(status, finish_output());
}

} // namespace

extern const command join_command = {
    "join",
    "received PDUs joined into the messages they are parts of",
    "[OPTION...] [FILE...]",
    "Received PDUs, one in hexadecimal a line, or a modem's output with +CMGL:,\n"
    "+CMT: or +CMGR: lines (whose <length> tells whether the service centre's\n"
    "address is in front); stored SUBMITs (stat 2 and 3) are passed over. The\n"
    "parts are grouped by their sender, then joined: each message with its parts,\n"
    "and its text where every part is there; a message with parts missing, or\n"
    "with two parts of the same numbers that differ, is listed and said on\n"
    "standard error (status 1). A repeated part is dropped.\n",
    "  --no-smsc            a bare PDU line has no service centre address in front\n",
    false,
    join,
};
