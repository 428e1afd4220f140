#include "plan_options.h"

#include <cstring>
#include <string>

#include "hex.h"
#include "languages.h"
#include "planning.h"

enum { LANGUAGES = OPTION_PLAN, LOCKING, SINGLE, REPLACE, REFERENCE, REF16, ELEMENT, UCS2_INPUT };

static const option PLAN_OPTIONS[] = {
    {"languages", required_argument, nullptr, LANGUAGES},
    {"locking", required_argument, nullptr, LOCKING},
    {"single", required_argument, nullptr, SINGLE},
    {"replace-lookalikes", no_argument, nullptr, REPLACE},
    {"reference", required_argument, nullptr, REFERENCE},
    {"ref16", no_argument, nullptr, REF16},
    {"element", required_argument, nullptr, ELEMENT},
    {"ucs2-input", no_argument, nullptr, UCS2_INPUT},
    {nullptr, 0, nullptr, 0},
};

const char PLAN_OPTIONS_HELP[] =
    "  --languages LIST     allow the locking and the single shift tables of these\n"
    "                       languages, ISO 639-1 codes with commas between:\n"
    "                       tr es pt bn gu hi kn ml or pa ta te ur\n"
    "  --locking LIST       allow their locking shift tables only\n"
    "  --single LIST        allow their single shift tables only\n"
    "  --replace-lookalikes replace typographic look-alikes (curly quotes, dashes,\n"
    "                       odd spaces...) where that saves parts\n"
    "  --reference N        the concatenation reference of a text of several parts\n"
    "                       (default: drawn at random, and printed)\n"
    "  --ref16              a 16-bit reference, 0-65535, not an 8-bit one, 0-255\n"
    "  --element HEX        a header element of your own, IEI, length and data, in\n"
    "                       every part (repeatable)\n"
    "  --ucs2-input         the input is UCS-2 behind a byte-order mark, not UTF-8\n";

bool number(const char *arg, unsigned long most, unsigned long &value)
{
    value = 0;
    for (const char *p = arg; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > most)
            return false;
    }
    return *arg != '\0';
}

/* One element, IEI, length and data, framed as its length octet says. */
static bool take_element(const char *arg, std::vector<uint8_t> &elements)
{
    std::vector<uint8_t> element;
    std::string why;
    if (!parse_hex(arg, element, why)) {
        problem("--element %s: %s", quoted(arg).c_str(), why.c_str());
        return false;
    }
    if (element.size() < 2 || element[1] + size_t{2} != element.size()) {
        problem("--element %s: an element is its IEI, a length octet and as many octets of data", quoted(arg).c_str());
        return false;
    }
    elements.insert(elements.end(), element.begin(), element.end());
    if (elements.size() > SEPTCVT_USER_DATA_OCTETS) {
        problem("--element: the header elements come to more than the %d octets of a part", SEPTCVT_USER_DATA_OCTETS);
        return false;
    }
    return true;
}

static option_result take(int id, const char *arg, void *into)
{
    plan_request &r = *static_cast<plan_request *>(into);
    uint16_t mask = 0;
    std::string bad;
    switch (id) {
    case LANGUAGES:
    case LOCKING:
    case SINGLE:
        if (!parse_languages(arg, mask, bad)) {
            const char *name = id == LANGUAGES ? "--languages" : id == LOCKING ? "--locking" : "--single";
            if (bad.empty())
                problem("%s %s: an empty language code", name, quoted(arg).c_str());
            else
                problem("%s %s: unknown language %s (the codes: %s)", name, quoted(arg).c_str(), quoted(bad).c_str(),
                        language_codes().c_str());
            return OPTION_REFUSED;
        }
        if (id != SINGLE)
            r.options.locking_languages |= mask;
        if (id != LOCKING)
            r.options.single_languages |= mask;
        return OPTION_TAKEN;
    case REPLACE:
        r.options.replace_lookalikes = 1;
        return OPTION_TAKEN;
    case REFERENCE:
        if (!number(arg, 0xFFFF, r.reference)) {
            problem("--reference %s: a reference is a number from 0 to 65535", quoted(arg).c_str());
            return OPTION_REFUSED;
        }
        r.reference_given = true;
        return OPTION_TAKEN;
    case REF16:
        r.options.reference_bits = 16;
        return OPTION_TAKEN;
    case ELEMENT:
        return take_element(arg, r.elements) ? OPTION_TAKEN : OPTION_REFUSED;
    case UCS2_INPUT:
        r.form = SEPTCVT_UCS2;
        return OPTION_TAKEN;
    default:
        return OPTION_NOT_MINE;
    }
}

option_group plan_option_group(plan_request &request)
{
    return {PLAN_OPTIONS, take, &request};
}

int check_plan_request(plan_request &request, const common_args &args)
{
    if (request.reference_given && request.reference > 0xFF && request.options.reference_bits != 16) {
        problem("--reference %lu needs --ref16: an 8-bit reference is 0-255", request.reference);
        return EXIT_USAGE;
    }
    if (request.form == SEPTCVT_UCS2 && !args.texts.empty()) {
        problem("--ucs2-input reads files and standard input, not --text");
        return EXIT_USAGE;
    }
    request.options.elements = request.elements.data();
    request.options.elements_len = request.elements.size();
    return EXIT_DONE;
}

int for_each_planned_text(plan_request &request, const common_args &args,
                          const std::function<outcome(const std::string &text)> &work)
{
    if (check_plan_request(request, args) != EXIT_DONE)
        return EXIT_USAGE;
    const std::vector<source> sources = sources_of(args);
    if (sources.empty())
        return EXIT_USAGE;
    const int status = check_planner(request);
    return status != EXIT_DONE ? status : for_each_text(sources, args.json, work);
}
