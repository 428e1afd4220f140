/* The program's command line: its options and the banner that answers a
 * command line it does not accept. */
#ifndef SEPTCVT_COMMAND_LINE_H
#define SEPTCVT_COMMAND_LINE_H

/* The name in the banner and the usage line, whatever the program was
 * started as. */
constexpr const char *PROGRAM_NAME = "septcvt";
constexpr const char *PROGRAM_VERSION = "V1.00 (2001-03-30)";
constexpr const char *USAGE_FORMAT = "Syntax: %s <src >dst [-n] [-u] [-r]\n";

/* Sets the option flags of convert.h from argv[1..]. 0 when every argument
 * was accepted; 1 for a dash with an unknown letter (or none); 2 for an
 * argument that does not begin with a dash. */
int parse_options(int argc, char **argv);

/* The maker's notice, name, version and the two encodings, to standard error. */
void print_banner();

#endif
