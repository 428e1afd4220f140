/* --smsc-alphabet: what the SMSC takes data_coding 0 for, which smpp and
 * decode --smpp both need. */
#ifndef SEPTSMS_SMPP_SETTINGS_H
#define SEPTSMS_SMPP_SETTINGS_H

#include <septcvt.h>

#include "command.h"

struct smpp_settings {
    septcvt_smpp_settings settings{};
    bool given = false;
};

#define SMPP_SETTINGS_HELP                                                             \
    "  --smsc-alphabet NAME what the SMSC takes data_coding 0 for: gsm (a septet an\n" \
    "                       octet, the default), gsm-packed or latin1\n"

option_group smpp_settings_group(smpp_settings &settings);

#endif
