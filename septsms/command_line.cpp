/* The command line of every command: getopt_long over the shared options
 * and the command's own, with problems said in septsms's words. */
#include <cstring>

#include "command.h"
#include "io.h"

/* An option as the user wrote it, without a value after "=". */
static std::string written(const char *arg)
{
    return std::string(arg, strcspn(arg, "="));
}

/* How many long options begin with what the user wrote: more than one
 * makes an abbreviation ambiguous. */
static size_t starting_with(const option *longs, const std::string &prefix)
{
    size_t n = 0;
    for (const option *o = longs; o->name != nullptr; ++o)
        n += strncmp(o->name, prefix.c_str() + 2, prefix.size() - 2) == 0;
    return n;
}

int refuse_option(int c, char **argv, const option *longs)
{
    /* getopt_long has moved past a long option, but not always past a
     * short one in a cluster: optopt names that. A long option given a
     * value it does not take leaves its own id in optopt. */
    const std::string arg = written(argv[optind - 1]);
    bool valued = false;
    for (const option *o = longs; o->name != nullptr; ++o)
        valued = valued || (optopt != 0 && o->val == optopt);
    if (c == ':')
        problem("option %s needs a value", quoted(arg).c_str());
    else if (valued)
        problem("option %s takes no value", quoted(arg).c_str());
    else if (optopt != 0)
        problem("unknown option '-%c'", optopt);
    else if (starting_with(longs, arg) > 1)
        problem("option %s is ambiguous", quoted(arg).c_str());
    else
        problem("unknown option %s", quoted(arg).c_str());
    return EXIT_USAGE;
}

int parse_command_line(int argc, char **argv, std::initializer_list<option_group> groups, common_args &args)
{
    std::vector<option> longs = {{"text", required_argument, nullptr, OPTION_TEXT},
                                 {"json", no_argument, nullptr, OPTION_JSON},
                                 {"help", no_argument, nullptr, 'h'}};
    for (const option_group &g : groups)
        for (const option *o = g.options; o->name != nullptr; ++o)
            longs.push_back(*o);
    longs.push_back({nullptr, 0, nullptr, 0});
    /* The problems are ours to say; 0 starts the scan afresh, as every
     * getopt reads it, whatever an earlier scan left. */
    opterr = 0;
    optind = 0;
    for (int c; (c = getopt_long(argc, argv, ":h", longs.data(), nullptr)) != -1;) {
        option_result result = OPTION_NOT_MINE;
        switch (c) {
        case 'h':
            return write_out(command_help(*current_command)) == EXIT_DONE ? finish_output() : EXIT_IO;
        case OPTION_TEXT:
            args.texts.push_back(optarg);
            continue;
        case OPTION_JSON:
            args.json = true;
            continue;
        case ':':
        case '?':
            return refuse_option(c, argv, longs.data());
        default:
            for (const option_group &g : groups)
                if ((result = g.take(c, optarg, g.into)) != OPTION_NOT_MINE)
                    break;
        }
        if (result != OPTION_TAKEN)
            return EXIT_USAGE;
    }
    for (int i = optind; i < argc; ++i)
        args.files.push_back(argv[i]);
    return -1;
}
