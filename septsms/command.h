/* What every command of septsms is and shares: its entry in the table of
 * commands, the exit statuses, the one-line problems on standard error,
 * and the command line every command reads. A command is one file that
 * defines its `command` and is listed in commands.cpp. */
#ifndef SEPTSMS_COMMAND_H
#define SEPTSMS_COMMAND_H

#include <getopt.h>

#include <initializer_list>
#include <string>
#include <vector>

/* Exit statuses; where several apply, the highest. */
constexpr int EXIT_DONE = 0;    /* all done */
constexpr int EXIT_REFUSED = 1; /* some input was refused, each said on standard error */
constexpr int EXIT_USAGE = 2;   /* the command line was not accepted */
constexpr int EXIT_IO = 3;      /* a read or write error */

struct command {
    const char *name;
    const char *summary;  /* a line for the list of commands */
    const char *synopsis; /* what follows "septsms NAME" in the usage line */
    const char *about;    /* what it does, a paragraph of lines */
    const char *options;  /* the help of its own options, a line or more each */
    bool plan_options;    /* takes the options of plan_options.h */
    int (*run)(int argc, char **argv); /* argv[0] is the command's name */
};

/* The commands, in the order of --help and the manual page. */
extern const command *const commands[];
extern const size_t command_count;

/* The help of a command, as --help prints it. */
std::string command_help(const command &c);

/* The command being run, whose name each problem carries; null before one
 * is chosen. */
extern const command *current_command;

/* One line on standard error: "septsms: COMMAND: " (or "septsms: " before
 * a command is chosen), then the printf-style message. */
void problem(const char *format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* An argument as a problem quotes it: between single quotes, and cut short
 * (at a character's start) where it is long. */
std::string quoted(const std::string &arg);

/* What every command takes besides its own options. */
struct common_args {
    std::vector<const char *> texts; /* --text, in order */
    std::vector<const char *> files; /* the operands */
    bool json = false;               /* --json */
};

/* Option ids beyond any character, so groups never clash: the shared ones
 * here, plan_options.h's from OPTION_PLAN, a command's own from
 * OPTION_OWN. */
enum { OPTION_TEXT = 256, OPTION_JSON, OPTION_PLAN = 300, OPTION_OWN = 400 };

/* What an option group made of an option. */
enum option_result { OPTION_TAKEN, OPTION_NOT_MINE, OPTION_REFUSED /* said on standard error */ };

/* Options beside the shared ones, with what takes them and where. */
struct option_group {
    const option *options; /* ended by an entry with a null name */
    option_result (*take)(int id, const char *arg, void *into);
    void *into;
};

/* Says what getopt_long found wrong with the option it just read (its
 * return c, '?' or ':') among longs, and returns EXIT_USAGE. */
int refuse_option(int c, char **argv, const option *longs);

/* Reads argv[1..argc) with getopt_long: --text, --json, -h/--help and the
 * groups' options, and the operands. -1 when the command is to go on;
 * EXIT_DONE after --help printed the command's help; EXIT_USAGE after a
 * problem said what was wrong. */
int parse_command_line(int argc, char **argv, std::initializer_list<option_group> groups, common_args &args);

#endif
