/* The options that say how a text is planned, which every command that
 * plans a text takes: the tables allowed, look-alikes, the concatenation
 * reference, the caller's header elements and the input's form. */
#ifndef SEPTSMS_PLAN_OPTIONS_H
#define SEPTSMS_PLAN_OPTIONS_H

#include <septcvt.h>

#include <functional>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"

struct plan_request {
    septcvt_plan_options options{}; /* elements point into `elements` once checked */
    std::vector<uint8_t> elements;  /* each --element, in order */
    int form = SEPTCVT_UTF8;        /* SEPTCVT_UCS2 with --ucs2-input */
    bool reference_given = false;   /* --reference, else one drawn at random */
    unsigned long reference = 0;
};

/* A decimal number, digits only, up to `most`, into value. */
bool number(const char *arg, unsigned long most, unsigned long &value);

/* Their help, as --help prints it. */
extern const char PLAN_OPTIONS_HELP[];

/* The options, for parse_command_line. */
option_group plan_option_group(plan_request &request);

/* What no one option shows alone, once the command line is read: a
 * reference too large for 8 bits, --ucs2-input with --text. EXIT_DONE (the
 * request then points at its elements), or EXIT_USAGE after a problem. */
int check_plan_request(plan_request &request, const common_args &args);

/* The loop of a command that plans: once the request and the command
 * line's sources hold and the build has a planner, each text through work
 * as for_each_text runs it. The command's status. */
int for_each_planned_text(plan_request &request, const common_args &args,
                          const std::function<outcome(const std::string &text)> &work);

#endif
