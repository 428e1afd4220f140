/* septsms: the entry, the options before a command, and the dispatch. */
#include <septcvt.h>

#include <cstring>

#include "command.h"
#include "io.h"
#include "platform.h"

static std::string help()
{
    std::string text = "Usage: septsms COMMAND [OPTION...] [FILE...]\n"
                       "       septsms --help | --version\n"
                       "How text goes out as SMS, for people and, with --json, for scripts.\n"
                       "\n"
                       "Commands:\n";
    for (size_t k = 0; k < command_count; ++k)
        text += std::string("  ") + commands[k]->name + std::string(8 - strlen(commands[k]->name), ' ') +
                commands[k]->summary + "\n";
    for (size_t k = 0; k < command_count; ++k)
        text += "\n" + command_help(*commands[k]);
    return text + "\n"
                  "Exit status: 0 all done; 1 some input was refused, or a join is incomplete or\n"
                  "in conflict; 2 a usage error; 3 a read or write error.\n";
}

static std::string version()
{
    const char *unicode = septcvt_unicode_version();
    return std::string("septsms ") + septcvt_version() + "\n" +
           (*unicode != '\0' ? std::string("grapheme clusters of Unicode ") + unicode + "\n"
                             : std::string("no planner, so no grapheme clusters\n"));
}

int main(int argc, char **argv)
{
    set_binary_mode(stdin);
    set_binary_mode(stdout);
    ignore_broken_pipe();
    static const option top[] = {{"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, 'V'},
                                 {nullptr, 0, nullptr, 0}};
    /* "+": the first operand is the command, and what follows is its own. */
    opterr = 0;
    const int c = getopt_long(argc, argv, "+hV", top, nullptr);
    if (c == 'h' || c == 'V')
        return write_out(c == 'h' ? help() : version()) == EXIT_DONE ? finish_output() : EXIT_IO;
    if (c != -1)
        return refuse_option(c, argv, top);
    if (optind >= argc) {
        problem("no command given; septsms --help lists them");
        return EXIT_USAGE;
    }
    for (size_t k = 0; k < command_count; ++k)
        if (strcmp(argv[optind], commands[k]->name) == 0) {
            current_command = commands[k];
            return current_command->run(argc - optind, argv + optind);
        }
    problem("unknown command %s; septsms --help lists them", quoted(argv[optind]).c_str());
    return EXIT_USAGE;
}
