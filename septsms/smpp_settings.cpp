#include "smpp_settings.h"

#include <cstring>

namespace {

enum { SMSC_ALPHABET = OPTION_OWN + 50 };

const option OPTIONS[] = {
    {"smsc-alphabet", required_argument, nullptr, SMSC_ALPHABET},
    {nullptr, 0, nullptr, 0},
};

option_result take(int id, const char *arg, void *into)
{
    static const struct { const char *name; int alphabet; } NAMES[] = {
        {"gsm", SEPTCVT_SMSC_GSM}, {"gsm-packed", SEPTCVT_SMSC_GSM_PACKED}, {"latin1", SEPTCVT_SMSC_LATIN1}};
    if (id != SMSC_ALPHABET)
        return OPTION_NOT_MINE;
    smpp_settings &s = *static_cast<smpp_settings *>(into);
    for (const auto &n : NAMES)
        if (strcmp(arg, n.name) == 0) {
            s.settings.smsc_alphabet = n.alphabet;
            s.given = true;
            return OPTION_TAKEN;
        }
    problem("--smsc-alphabet %s: gsm, gsm-packed or latin1", quoted(arg).c_str());
    return OPTION_REFUSED;
}

} // namespace

option_group smpp_settings_group(smpp_settings &settings)
{
    return {OPTIONS, take, &settings};
}
