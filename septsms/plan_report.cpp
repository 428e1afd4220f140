/* A plan as support staff read it: the encoding and why, the parts with
 * their bytes, units, text and user data. */
#include "plan_report.h"

#include <cstdarg>
#include <cstdio>

#include "hex.h"
#include "languages.h"

namespace {

std::string format(const char *f, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string format(const char *f, ...)
{
    char line[256];
    va_list args;
    va_start(args, f);
    vsnprintf(line, sizeof line, f, args);
    va_end(args);
    return line;
}

/* A character and where it stands. */
std::string character(uint32_t code_point, uint64_t index, uint64_t offset)
{
    std::string shown;
    append_utf8(shown, code_point);
    return format("U+%04lX ", static_cast<unsigned long>(code_point)) + quote(shown) + " at character " +
           std::to_string(index) + ", byte " + std::to_string(offset);
}

std::string language(int id, const char *table, const char *otherwise)
{
    if (id == SEPTCVT_DEFAULT)
        return otherwise;
    const char *code = language_code(id);
    return format("%s %s (%s)", table, code != nullptr ? language_name(id) : "unknown", code != nullptr ? code : "?");
}

std::string encoding(const septcvt_plan &plan)
{
    if (plan.dcs == SEPTCVT_DCS_UCS2)
        return "UCS-2";
    std::string e = "7-bit, " + language(plan.locking, "locking shift table", "default alphabet");
    if (plan.single != SEPTCVT_DEFAULT || plan.locking != SEPTCVT_DEFAULT)
        e += ", " + language(plan.single, "single shift table", "default extension");
    return e;
}

std::string more(size_t n)
{
    return n > LISTED ? "  " + more_than_listed(n) + "\n" : "";
}

/* Why 7-bit text did not go out, where it did not. */
std::string why_not_7bit(const planned &p)
{
    if (p.plan.dcs != SEPTCVT_DCS_UCS2)
        return "";
    if (!p.ruled_out.empty()) {
        std::string out = "7-bit ruled out by " + std::to_string(p.ruled_out.size()) +
                          (p.ruled_out.size() == 1 ? " character" : " characters") + " no allowed table holds:\n";
        for (size_t i = 0; i < p.ruled_out.size() && i < LISTED; ++i)
            out += "  " + character(p.ruled_out[i].code_point, p.ruled_out_index[i], p.ruled_out[i].offset) + "\n";
        return out + more(p.ruled_out.size());
    }
    if (p.plan.ran_out != SEPTCVT_NO_OFFSET)
        return "7-bit ruled out: allowed tables hold each character, but no one pair of them holds all up to "
               "character " + std::to_string(p.ran_out_index) + ", byte " + std::to_string(p.plan.ran_out) + "\n";
    return "7-bit ruled out: it would take as many parts or more, and UCS-2 wins a tie\n";
}

std::string replacements(const planned &p)
{
    if (p.replaced.empty())
        return "";
    std::string out = std::to_string(p.replaced.size()) + (p.replaced.size() == 1 ? " look-alike" : " look-alikes") +
                      " replaced:\n";
    for (size_t i = 0; i < p.replaced.size() && i < LISTED; ++i) {
        const septcvt_replacement &r = p.replaced[i];
        std::string became;
        for (size_t k = 0; k < r.became_count; ++k)
            append_utf8(became, r.became[k]);
        out += "  " + character(r.original.code_point, p.replaced_index[i], r.original.offset) +
               (r.became_count > 0 ? " became " + quote(became) : " dropped") + "\n";
    }
    return out + more(p.replaced.size());
}

} // namespace

std::string more_than_listed(size_t n)
{
    return "and " + std::to_string(n - LISTED) + " more (--json lists every one)";
}

std::string quote(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (byte < 0x20 || byte == 0x7F)
            out += format("\\x%02X", byte);
        else
            out += c;
    }
    return out + "\"";
}

void append_utf8(std::string &out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string drawn_reference(const planned &p, const char *what)
{
    if (!p.reference_drawn)
        return "";
    return format("reference: %u, drawn at random (--reference %u gives the same %s)\n", p.reference, p.reference,
                  what);
}

std::string plan_report(const planned &p)
{
    const char *units = p.plan.dcs == SEPTCVT_DCS_UCS2 ? " UTF-16 units" : " septets";
    std::string out = "encoding: " + encoding(p.plan) + "\n";
    out += "parts: " + std::to_string(p.plan.parts) + ", " + std::to_string(p.plan.room_left) + units + " left" +
           (p.plan.parts > 1 ? " in the last\n" : "\n");
    out += drawn_reference(p, "user data");
    if (p.concatenated && !p.reference_drawn)
        out += format("reference: %u\n", p.reference);
    out += why_not_7bit(p) + replacements(p);
    for (size_t k = 0; k < p.parts.size(); ++k) {
        const septcvt_user_data &ud = p.user_data[k];
        out += "part " + std::to_string(k + 1) + ": bytes " + std::to_string(p.parts[k].begin) + "-" +
               std::to_string(p.parts[k].end) + ", " + std::to_string(p.parts[k].length) + units + "\n";
        out += "  text: " + quote(p.shown[k]) + "\n";
        out += format("  user data: DCS %02X, UDHI %d, UDL %d: ", ud.dcs, ud.udhi, ud.udl) +
               to_hex(ud.ud, ud.length, " ") + "\n";
    }
    return out;
}
