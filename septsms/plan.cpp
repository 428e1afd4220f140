/* septsms plan: how each text goes out, and why. */
#include "io.h"
#include "plan_report.h"
#include "planning.h"

static int plan(int argc, char **argv)
{
    common_args args;
    plan_request request;
    const int status = parse_command_line(argc, argv, {plan_option_group(request)}, args);
    if (status >= 0)
        return status;
    return for_each_planned_text(request, args, [&](const std::string &text) {
        planned p;
        outcome o;
        o.status = plan_one(request, text, p);
        if (o.status == EXIT_DONE)
            o.out = args.json ? plan_json(p) : plan_report(p);
        o.why = p.why;
        o.error_offset = p.error_offset;
        return o;
    });
}

extern const command plan_command = {
    "plan",
    "how each text goes out as SMS, and why",
    "[OPTION...] [FILE...]",
    "How each text goes out as SMS: the encoding (7-bit with the tables named,\n"
    "or UCS-2), the parts with their byte ranges, septets or UTF-16 units and the\n"
    "room left, each character that ruled out 7-bit text and each look-alike\n"
    "replaced (with its character index and byte offset), and each part's text\n"
    "as a handset shows it, read back from its user data, which is shown too.\n"
    "A text of several parts gets a concatenation reference drawn at random\n"
    "unless --reference gives one. Each FILE, - (standard input) or --text is\n"
    "one text; with none, standard input is.\n",
    "",
    true,
    plan,
};
