/* septsms plan: how each text goes out, and why. */
#include <algorithm>

#include "io.h"
#include "plan_report.h"
#include "planning.h"

static int plan(int argc, char **argv)
{
    common_args args;
    plan_request request;
    int status = parse_command_line(argc, argv, {plan_option_group(request)}, args);
    if (status >= 0)
        return status;
    if (check_plan_request(request, args) != EXIT_DONE)
        return EXIT_USAGE;
    const std::vector<source> sources = sources_of(args);
    if (sources.empty())
        return EXIT_USAGE;
    if ((status = check_planner(request)) != EXIT_DONE)
        return status;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::string text, why, out;
        planned p;
        int done = read_source(sources[i], text, why);
        if (done == EXIT_DONE && (done = plan_one(request, text, p)) != EXIT_DONE)
            why = about(sources[i], p.why);
        if (done != EXIT_DONE)
            problem("%s", why.c_str());
        if (args.json)
            out = done == EXIT_DONE ? plan_json(p) : refusal_json(why, p.error_offset);
        else if (done == EXIT_DONE)
            out = (i > 0 ? "\n" : "") + (sources.size() > 1 ? "input: " + sources[i].label + "\n" : "") + plan_report(p);
        if (write_out(out) != EXIT_DONE)
            return EXIT_IO;
        status = std::max(status, done);
    }
    return std::max(status, finish_output());
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
