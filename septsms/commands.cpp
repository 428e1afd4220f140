/* The table of commands and the help each prints. A new command is one
 * file that defines its `command`, and a line in the table below. */
#include "command.h"
#include "plan_options.h"

extern const command plan_command, submit_command, smpp_command, decode_command, join_command;

const command *const commands[] = {&plan_command, &submit_command, &smpp_command, &decode_command, &join_command};
const size_t command_count = sizeof commands / sizeof commands[0];

const command *current_command = nullptr;

/* Every command reads its texts and writes its results the same way. */
static const char COMMON_OPTIONS[] =
    "  --text STRING        the text is STRING (repeatable), not a file or standard\n"
    "                       input; a shell's echo would add a newline, which counts\n"
    "  --json               one JSON object per text, a line each (JSON Lines)\n"
    "  -h, --help           this help\n";

std::string command_help(const command &c)
{
    std::string help = std::string("Usage: septsms ") + c.name + " " + c.synopsis + "\n" + c.about + "\n" + c.options;
    if (c.plan_options)
        help += PLAN_OPTIONS_HELP;
    return help + COMMON_OPTIONS;
}
